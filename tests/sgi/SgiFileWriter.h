#pragma once
#include "tests/support/SgiFileWriter.h"
