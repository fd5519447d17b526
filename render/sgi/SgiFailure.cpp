#include "render/sgi/SgiFailure.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace sgi {

// _Exit rather than exit: the draw thread may fail while receiver threads run, and static
// destructors must not tear down what those threads still use. stderr is flushed by hand because
// _Exit skips the flushing that exit does.
void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace sgi
