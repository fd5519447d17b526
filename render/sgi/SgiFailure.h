#pragma once

namespace sgi {

// The one way the reader reports a fault other than a missing file: the message (a printf format
// and its arguments) goes to stderr, which is flushed, and the process ends with exit status 1.
// Any thread may call it; it never returns.
[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char* format, ...);

// For a caller that must outlive a corrupt file (the parsers' fuzz targets read thousands of them
// in one process): fail hands the message to the handler instead of writing it and ending the
// process. The handler must not return; it throws, and the reader's routines free what they hold
// as the exception passes (nothing of an open image is left behind but what the caller itself
// holds). Should it return, fail writes the message and exits as without a handler. nullptr, the
// default, keeps the message and the exit. Set it before any thread reads images.
using FailureHandler = void (*)(const char* message);
void setFailureHandler(FailureHandler handler);

} // namespace sgi
