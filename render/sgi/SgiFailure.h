#pragma once

namespace sgi {

// The one way the reader reports a fault other than a missing file: the message (a printf format
// and its arguments) goes to stderr, which is flushed, and the process ends with exit status 1.
// Any thread may call it; it never returns.
[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char* format, ...);

} // namespace sgi
