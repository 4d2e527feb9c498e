// Path macros in script values: $d (DestDir), $w (WindowsDir), $s (StartDir).
#include <string.h>

#include "app/setup.h"

static const char* MacroValue(char letter)
{
    switch (letter) {
    case 'd': return DestDir;
    case 'w': return WindowsDir;
    case 's': return StartDir;
    }
    return nullptr;
}

// A macro whose value does not fit in the room left ends the expansion there:
// a path cut short is safer than one with a directory silently left out.
// Returns 1 when the whole text was expanded, 0 when it was cut.
int ExpandPathMacros(const char* text, char* out, int capacity)
{
    if (capacity <= 0)
        return 0;
    int used = 0;
    const char* p = text;
    while (*p) {
        const char* value = p[0] == '$' ? MacroValue(p[1]) : nullptr;
        if (value) {
            int length = static_cast<int>(strlen(value));
            if (used + length >= capacity)
                break;
            memcpy(out + used, value, length);
            used += length;
            p += 2;
            continue;
        }
        if (used >= capacity - 1)
            break;
        out[used++] = *p++;
    }
    out[used] = '\0';
    return *p == '\0';
}

int ExpandWhole(const char* text, char* out, int capacity)
{
    if (ExpandPathMacros(text, out, capacity))
        return 1;
    if (capacity > 0)
        out[0] = '\0';
    return 0;
}
