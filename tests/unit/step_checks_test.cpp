// The comparisons the install steps make before they touch the user's disk:
// the disk asked for, the free space of the destination, a newer file.
#include <gtest/gtest.h>

#include "steps/checks.h"

namespace {

TEST(StepChecks, OnlyTheDiskAskedForIsTaken)
{
    struct Row {
        int32_t read, wanted;
        bool taken;
    };
    const Row rows[] = {
        {2, 2, true},
        {1, 2, false},   // the previous disk left in the drive
        {3, 2, false},   // a later disk: its parts continue files of disk 2
        {7, 2, false},
        {0, 1, false},   // no "thisdisk", or no number in it
        {-1, 1, false},
        {1, 1, true},
        {12, 12, true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsDiskAskedFor(r.read, r.wanted), r.taken) << r.read << " for " << r.wanted;
}

TEST(StepChecks, FreeSpaceAtTheBoundary)
{
    const int64_t GB = 1024LL * 1024 * 1024;
    struct Row {
        int64_t freeBytes;
        int32_t required;
        bool enough;
    };
    const Row rows[] = {
        {1048576, 1048576, true},    // exactly as many bytes as required
        {1048575, 1048576, false},   // one byte short
        {1048577, 1048576, true},
        {0, 1, false},
        {0, 0, true},                // nothing required
        {-1, 1048576, true},         // the system cannot tell
        {5 * GB, 2147483647, true},  // a drive beyond 2 GB and the largest requirement
        {GB, 2147483647, false},
        {100, -5, true},             // a negative requirement asks for nothing
    };
    for (const Row& r : rows)
        EXPECT_EQ(HasSpaceFor(r.freeBytes, r.required), r.enough) << r.freeBytes << " for " << r.required;
}

TEST(StepChecks, OnlyALaterTargetIsNewer)
{
    // DOS stamps: date in the high half, two-second time in the low half.
    const uint32_t noon = (0x2A21u << 16) | 0x6000u;   // 2001-01-01 12:00:00
    const uint32_t nextDay = (0x2A22u << 16) | 0x0000u; // 2001-01-02 00:00:00
    struct Row {
        uint32_t target, source;
        bool newer;
    };
    const Row rows[] = {
        {noon + 1, noon, true},      // two seconds later
        {noon, noon, false},         // the same time: replaced without a question
        {noon, noon + 1, false},     // older
        {nextDay, noon, true},       // a later date beats an earlier time of day
        {noon, nextDay, false},
        {0, noon, false},            // the target's time cannot be read
        {noon, 0, false},            // nor the source's
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsNewerThanSource(r.target, r.source), r.newer) << std::hex << r.target << " " << r.source;
}

}  // namespace
