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
