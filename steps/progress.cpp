// The arithmetic of the unpack dialog's percentages.
#include "steps/progress.h"

int CopyPercent(int64_t copiedBefore, int64_t count, int64_t entrySize, int64_t fileSize,
                int level)
{
    int64_t done = count;
    int64_t total = fileSize;
    if (level >= 2 && entrySize > 0) {
        done = copiedBefore + count;
        total = entrySize;
    }
    if (total <= 0)
        return 0;
    // Below 2^63 / 100 the product cannot overflow; beyond it the division
    // comes first, which loses nothing at that size.
    if (done < INT64_MAX / 100)
        return static_cast<int>(done * 100 / total);
    return static_cast<int>(done / (total / 100));
}

int32_t OverallPercent(int64_t entryWeight, int percent, int64_t done, int64_t total)
{
    if (total == 0)
        total = 1;
    double v = (static_cast<double>(entryWeight) * percent + static_cast<double>(done) * 100) /
               static_cast<double>(total);
    if (v > 1000.0)
        return 1000;
    if (v < -1000.0)
        return -1000;
    return static_cast<int32_t>(v);
}
