#include "steps/destination_text.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

int ProposePath(char* dest, int capacity, const char* defaultPath)
{
    if (capacity <= 0)
        return 0;
    size_t length = strlen(defaultPath);
    int fits = length < static_cast<size_t>(capacity);
    if (!fits)
        length = static_cast<size_t>(capacity) - 1;
    memcpy(dest, defaultPath, length);
    dest[length] = '\0';
    return fits;
}

bool HasDriveLetter(const char* path)
{
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

static bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsUsableDestination(const char* path)
{
    if (!path[0] || (IsSeparator(path[0]) && IsSeparator(path[1])))
        return false;
    for (const char* p = path; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || strchr("*?\"<>|", c))
            return false;
        if (c == ':' && !(p == path + 1 && HasDriveLetter(path)))
            return false;
    }
    return true;
}

static char FoldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSameDirectory(const char* a, const char* b)
{
    size_t la = strlen(a);
    size_t lb = strlen(b);
    while (la > 0 && IsSeparator(a[la - 1]))
        la--;
    while (lb > 0 && IsSeparator(b[lb - 1]))
        lb--;
    if (la != lb)
        return false;
    for (size_t i = 0; i < la; i++) {
        if (FoldCase(a[i]) != FoldCase(b[i]) && !(IsSeparator(a[i]) && IsSeparator(b[i])))
            return false;
    }
    return true;
}

void StoreDriveRoot(char* path)
{
    if (path[0] && path[1] == ':' && path[2] == '\\' && path[3] == '\0')
        path[2] = '\0';
}

int FormatSpaceWarning(char* out, int capacity, int32_t requiredBytes, char drive,
                       int64_t freeBytes)
{
    // Free space is 64-bit: today's drives hold far more than 2 GB.
    int n = snprintf(out, static_cast<size_t>(capacity),
                     "This installation requires %" PRId32 " K bytes\n"
                     "Drive %c: has only %" PRId64 " K bytes of free space\n"
                     "Continue anyway?",
                     requiredBytes / 1024, drive, freeBytes / 1024);
    return n >= 0 && n < capacity;
}
