// Text rules of the destination step that need no window system: the proposed
// path, drive letters, a drive root as stored, the free-space warning.
#pragma once

#include <stdint.h>

// Copies the script's default path into dest (capacity bytes with the
// terminator). Returns 1 when it fit, 0 when it was cut to capacity - 1.
int ProposePath(char* dest, int capacity, const char* defaultPath);

// True when path begins with an ASCII letter and a colon.
bool HasDriveLetter(const char* path);

// True when the destination step can create and enter path: not a network
// path ("\\server\share"), no wildcard or other character that no file name
// takes, a colon only after a drive letter. Checked before anything is created.
bool IsUsableDestination(const char* path);

// Two full paths compare as the same directory: letter case and trailing
// separators aside.
bool IsSameDirectory(const char* a, const char* b);

// A drive root as the system reports it ("C:\") becomes its letter and colon.
void StoreDriveRoot(char* path);

// The warning shown when the destination drive has less free space than the
// script requires: both figures in K bytes, divisions truncating toward zero.
// Returns 1 when the text fit in capacity.
int FormatSpaceWarning(char* out, int capacity, int32_t requiredBytes, char drive,
                       int64_t freeBytes);
