// The sibling folder of a disk of a set shipped as folders.
#include <stdio.h>
#include <string.h>

#include "steps/disk_folder.h"

int SiblingDiskFolder(const char* firstDisk, int n, char* out, int capacity)
{
    if (capacity <= 0)
        return 0;
    out[0] = '\0';
    int length = static_cast<int>(strlen(firstDisk));
    while (length > 0 && firstDisk[length - 1] == '\\')
        length--;
    // The parent ends at the last "\" before the folder's own name.
    int slash = length - 1;
    while (slash >= 0 && firstDisk[slash] != '\\')
        slash--;
    // "A:", "C:\", "\" or a bare name: nothing stands beside it.
    if (slash < 0)
        return 0;
    int written = snprintf(out, static_cast<size_t>(capacity), "%.*s\\DISK%d", slash, firstDisk, n);
    if (written < 0 || written >= capacity) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}
