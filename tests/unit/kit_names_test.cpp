// The kit's 8.3 rules: names that stand on a disk, and member names that
// Windows 3.1 can create, at the edges of the base and extension lengths.
#include <gtest/gtest.h>

#include "kit/kit.h"

namespace {

struct NameRow {
    const char* name;
    bool onDisk;     // DiskNameProblem finds nothing
    bool shortPath;  // IsShortPath
};

TEST(KitNames, EightThreeAtItsEdges)
{
    const NameRow rows[] = {
        {"ABCDEFGH.TXT", true, true},    // eight and three: kept
        {"ABCDEFGHI.TXT", false, false}, // nine: refused
        {"ABCDEFGH", true, true},
        {"ABCDEFGHI", false, false},
        {"A.B", true, true},
        {"README.TX", true, true},
        {"README.TEXT", false, false},   // an extension of four
        {"README.", false, false},       // a dot and nothing after it
        {".TXT", false, false},          // no base
        {"A.B.C", false, false},         // a second dot
        {"ABCDEFGHIJKL", false, false},
        {"a-b_c~1.t$t", true, true},
        {"X+Y.TXT", false, false},
        {"MY DOC.TXT", false, false},
    };
    char why[512];
    for (const NameRow& r : rows) {
        EXPECT_EQ(DiskNameProblem(r.name, why, sizeof why) == nullptr, r.onDisk) << r.name;
        EXPECT_EQ(IsShortPath(r.name), r.shortPath) << r.name;
    }
    // Each component of a member's path counts, bytes above 127 as characters.
    EXPECT_TRUE(IsShortPath("ABCDEFGH\\SUB\\ABCDEFGH.TXT"));
    EXPECT_FALSE(IsShortPath("ABCDEFGHI\\ABCDEFGH.TXT"));
    EXPECT_FALSE(IsShortPath("ABCDEFGH\\ABCDEFGHI.TXT"));
    EXPECT_TRUE(IsShortPath("R\xC9SUM\xC9.TXT"));
    EXPECT_FALSE(IsShortPath("R\xC9SUM\xC9S\xC9X.TXT"));
    // A refusal names the file and the rule.
    ASSERT_NE(DiskNameProblem("ABCDEFGHI.TXT", why, sizeof why), nullptr);
    EXPECT_NE(strstr(why, "\"ABCDEFGHI.TXT\" is not an 8.3 short name"), nullptr) << why;
}

}  // namespace
