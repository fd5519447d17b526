#pragma once
#include "tests/support/SgiPicture.h"
