#pragma once

#include "tests/support/ChildProcess.h"

// The shared child-process runner under the name the suites outside tools use.
using ToolProcess = testsupport::ChildProcess;
