// The comparisons of the unpack, destination and copy steps.
#include "steps/checks.h"

bool IsDiskAskedFor(int32_t diskNumberRead, int32_t diskNumberWanted)
{
    return diskNumberRead == diskNumberWanted;
}

bool HasSpaceFor(int64_t freeBytes, int32_t requiredBytes)
{
    return requiredBytes <= 0 || freeBytes < 0 || freeBytes >= requiredBytes;
}

bool IsNewerThanSource(uint32_t targetStamp, uint32_t sourceStamp)
{
    return targetStamp != 0 && sourceStamp != 0 && targetStamp > sourceStamp;
}
