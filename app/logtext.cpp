// The lines of the install log: one event per line, CR LF at the end, a
// message's own line breaks turned into blanks so that it stays one line.
#include <stdio.h>

#include "app/setup.h"

int FormatLogLine(char* out, int capacity, const char* format, va_list args)
{
    if (capacity < 3)
        return 0;
    int n = vsnprintf(out, static_cast<size_t>(capacity - 2), format, args);
    if (n < 0)
        n = 0;
    if (n > capacity - 3)
        n = capacity - 3;
    for (int i = 0; i < n; i++) {
        if (out[i] == '\r' || out[i] == '\n')
            out[i] = ' ';
    }
    out[n++] = '\r';
    out[n++] = '\n';
    out[n] = '\0';
    return n;
}
