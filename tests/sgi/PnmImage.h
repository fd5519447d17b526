#pragma once
#include "tests/support/PnmImage.h"
