// The printf family's names over FormatText. MinGW's stdio.h turns snprintf
// and vsnprintf into inline calls of __ms_vsnprintf (or __mingw_vsnprintf),
// so those are the names the program's objects ask for; all of them get C99
// behaviour here: the output is always terminated and the result is the
// length of the whole text.
#include <stdarg.h>
#include <stddef.h>

#include "app/runtime/runtime.h"

extern "C" {

int __ms_vsnprintf(char* out, size_t capacity, const char* format, va_list args)
{
    return FormatText(out, capacity, format, args);
}

int __mingw_vsnprintf(char* out, size_t capacity, const char* format, va_list args)
{
    return FormatText(out, capacity, format, args);
}

int _vsnprintf(char* out, size_t capacity, const char* format, va_list args)
{
    return FormatText(out, capacity, format, args);
}

int _vscprintf(const char* format, va_list args)
{
    return FormatText(nullptr, 0, format, args);
}

int __ms_snprintf(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(out, capacity, format, args);
    va_end(args);
    return n;
}

int __mingw_snprintf(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(out, capacity, format, args);
    va_end(args);
    return n;
}

int _snprintf(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(out, capacity, format, args);
    va_end(args);
    return n;
}

int _scprintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatText(nullptr, 0, format, args);
    va_end(args);
    return n;
}

}  // extern "C"
