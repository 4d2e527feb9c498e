// snprintf and vsnprintf over FormatText. MinGW's stdio.h turns both into
// inline calls of __ms_vsnprintf, the one name the program's objects ask for;
// it gets C99 behaviour here: the output is always terminated and the result
// is the length of the whole text.
#include <stdarg.h>
#include <stddef.h>

#include "app/runtime/runtime.h"

extern "C" {

int __ms_vsnprintf(char* out, size_t capacity, const char* format, va_list args)
{
    return FormatText(out, capacity, format, args);
}

}  // extern "C"
