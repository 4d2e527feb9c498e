// Percentages of the unpack dialog: file copies and the overall bar.
#include <gtest/gtest.h>

#include "steps/progress.h"

namespace {

struct CopyRow {
    int64_t before, count, entrySize, fileSize;
    int level;
    int percent;
};

TEST(CopyPercent, FollowsEveryKilobyteOfFileOrEntry)
{
    const int64_t GB = 1024LL * 1024 * 1024;
    const CopyRow rows[] = {
        // a 3000-byte file at level 1: 34 and 68 at the two kilobyte marks
        {0, 1024, 3000, 3000, 1, 34},
        {0, 2048, 3000, 3000, 1, 68},
        // level 1 ignores the entry size (a single file entry)
        {0, 1024, 9999, 2048, 1, 50},
        // a directory of 2048 and 1024 bytes, entry size 3072: 33, 66, 100
        {0, 1024, 3072, 2048, 2, 33},
        {0, 2048, 3072, 2048, 2, 66},
        {2048, 1024, 3072, 1024, 2, 100},
        // unknown entry size: the file's own length
        {5000, 1024, 0, 4096, 2, 25},
        // beyond 2 GB neither sum turns negative
        {3 * GB, GB, 5 * GB, 2 * GB, 2, 80},
        {0, 3 * GB, 0, 4 * GB, 1, 75},
        {0, 1024, 0, 0, 1, 0},
    };
    for (const CopyRow& r : rows)
        EXPECT_EQ(CopyPercent(r.before, r.count, r.entrySize, r.fileSize, r.level), r.percent)
            << r.before << " + " << r.count << " of " << r.entrySize << "/" << r.fileSize;
}

TEST(OverallPercent, WeighsTheEntryAgainstTheDisk)
{
    const int64_t GB = 1024LL * 1024 * 1024;
    EXPECT_EQ(OverallPercent(100, 50, 0, 400), 12);
    EXPECT_EQ(OverallPercent(100, 0, 300, 400), 75);
    EXPECT_EQ(OverallPercent(0, 99, 400, 400), 100);
    // a total of 0 counts as 1; the bar limits what is above 100
    EXPECT_EQ(OverallPercent(0, 0, 0, 0), 0);
    EXPECT_EQ(OverallPercent(5, 100, 0, 0), 500);
    // a 3 GB disk: half way is 50, not a negative or wrapped value
    EXPECT_EQ(OverallPercent(GB, 50, GB, 3 * GB), 50);
    EXPECT_EQ(OverallPercent(2 * GB, 99, 2 * GB, 4 * GB), 99);
}

}  // namespace
