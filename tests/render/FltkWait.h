#pragma once
// Kept for suites outside tests/render that still include it.
#include "tests/support/FltkEvents.h"
#include "tests/support/WorkingDirectory.h"
namespace fltktest {
using testsupport::waitFor;
using testsupport::WorkingDirectory;
} // namespace fltktest
