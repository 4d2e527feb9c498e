// The arithmetic of the unpack dialog's percentages, without window calls.
// Byte counts are 64-bit: a CD distribution can hold more than 2 GB.
#pragma once

#include <stdint.h>

// Percentage of a file copy after count bytes, truncated toward zero. A file
// copied as part of a directory (level 2 or more) counts against the whole
// entry: the bytes of the directory's earlier files plus count, over
// entrySize; otherwise, and when entrySize is not known, count over fileSize.
// 0 when the total is not above 0.
int CopyPercent(int64_t copiedBefore, int64_t count, int64_t entrySize, int64_t fileSize,
                int level);

// Position of the unpack dialog's bar: the current entry's weight times its
// percentage plus the finished entries' weights, over the disk's total, in
// percent, truncated toward zero. The bar limits it to 0..100.
int32_t OverallPercent(int64_t entryWeight, int percent, int64_t done, int64_t total);
