#pragma once

// The socket family's diagnostic lines. There is no log file: each line goes
// to the standard output with one write and a flush, so that lines from the
// listener, the client threads and the caller never mix within a line.
// Any thread.
class LB_Diagnostic {
public:
    static void line(const char* format, ...) __attribute__((format(printf, 1, 2)));
};
