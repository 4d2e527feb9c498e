// The comparisons that the install steps make before they touch the user's
// disk: the disk in the drive, the free space of the destination, a newer
// file in the way. Pure arithmetic, without window calls.
#pragma once

#include <stdint.h>

// True when the disk in the drive is the one asked for: its "thisdisk" says
// exactly that number. A later disk is as wrong as an earlier one: its
// archives would continue files that the missing disk begins.
bool IsDiskAskedFor(int32_t diskNumberRead, int32_t diskNumberWanted);

// True when the destination drive takes the installation without a question:
// nothing is required, the system cannot tell its free bytes (negative), or it
// has at least the required bytes; exactly as many is enough.
bool HasSpaceFor(int64_t freeBytes, int32_t requiredBytes);

// True when the file in the way was modified later than the one being
// installed, both as DOS date and time stamps (date in the high half); 0 is a
// stamp that could not be read, and then nothing is asked. Equal stamps are
// the same version: no question.
bool IsNewerThanSource(uint32_t targetStamp, uint32_t sourceStamp);
