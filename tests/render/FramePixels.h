#pragma once
// Kept for suites outside tests/render that still include it.
#include "tests/support/GlFrame.h"
