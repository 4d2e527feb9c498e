// The script store when memory runs out: it never goes on without an entry.
// Its memory comes from operator new, which the program replaces by one that
// ends with "Not enough memory to run Setup."; this binary's replacement ends
// the same way on request (exit status 3), after a count of allocations.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "script/configfile.h"

namespace {
int AllocationsLeft = -1;  // -1: never fail
}

void* operator new(size_t size)
{
    if (AllocationsLeft == 0) {
        fputs("Not enough memory to run Setup.\n", stderr);
        _exit(3);
    }
    if (AllocationsLeft > 0)
        AllocationsLeft--;
    void* p = malloc(size ? size : 1);
    if (!p)
        abort();
    return p;
}

void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}

namespace {

// Allocations of one Add to an empty store without slots: the grown array, the
// key's copy, the value's copy. Whichever fails, the program ends.
TEST(ConfigFileMemory, AFailedAllocationEndsTheProgramInsteadOfDroppingTheEntry)
{
    for (int fail = 0; fail < 3; fail++) {
        EXPECT_EXIT(
            {
                ConfigFile store(0, nullptr);
                AllocationsLeft = fail;
                store.Add("Key", "Value");
                AllocationsLeft = -1;
                fprintf(stderr, "went on with %d entries\n", static_cast<int>(store.count));
                exit(0);
            },
            ::testing::ExitedWithCode(3), "Not enough memory to run Setup.")
            << "allocation " << fail;
    }
    // Loading a text: an entry in the middle cannot be left out either.
    EXPECT_EXIT(
        {
            ConfigFile store(4, nullptr);
            AllocationsLeft = 12;
            store.LoadText("[S]\nA=1\nB=2\nC=3\nD=4\nE=5\nF=6\nG=7\n", 40);
            AllocationsLeft = -1;
            fprintf(stderr, "went on with %d entries\n", static_cast<int>(store.count));
            exit(0);
        },
        ::testing::ExitedWithCode(3), "Not enough memory to run Setup.");
}

}  // namespace
