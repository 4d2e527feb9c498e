// The kit's 8.3 rules: names that stand on a disk, and member names that
// Windows 3.1 can create, at the edges of the base and extension lengths;
// names as Windows compares them, and text in the users' code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

std::string Key(int codePage, const char* name)
{
    char key[PathBytes];
    if (!WindowsNameKey(codePage, name, key, sizeof key))
        return "(none)";
    return key;
}

TEST(KitNames, WindowsNameKeyFoldsCaseAndDropsTrailingDotsAndBlanks)
{
    struct Row {
        int codePage;
        const char* a;
        const char* b;
        bool same;
    } rows[] = {
        {0, "Readme.txt", "README.TXT", true},
        {0, "readme", "readme.", true},
        {0, "readme", "readme . ", true},
        {0, "dir.\\a.txt", "DIR\\A.TXT", true},   // every component
        {0, "a.b", "ab", false},                   // only trailing dots go
        {0, "a .b", "a.b", false},                 // and only trailing blanks
        {0, "café", "CAFÉ", true},                 // Latin letters above 127
        {0, "файл", "ФАЙЛ", true},                 // Cyrillic
        {0, "příliš", "PŘÍLIŠ", true},             // Czech
        {0, "ß", "SS", false},                     // no multi-letter folding
        {1252, "caf\xe9", "CAF\xc9", true},        // é/É in 1252
        {1251, "\xf4\xe0\xe9\xeb", "\xd4\xc0\xc9\xcb", true},  // файл/ФАЙЛ in 1251
        {1250, "\x9a", "\x8a", true},              // š/Š in 1250
        {1251, "\x9a", "\x8a", true},              // the same bytes are љ/Љ in 1251
        {1251, "\xe9", "\xc9", true},              // й/Й, not é/É
        {1251, "\xe9", "\xe8", false},             // й and и stay apart
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Key(r.codePage, r.a) == Key(r.codePage, r.b), r.same)
            << r.codePage << ": " << r.a << " / " << r.b << " -> " << Key(r.codePage, r.a) << " / "
            << Key(r.codePage, r.b);
    }
    EXPECT_EQ(Key(0, "Dir.\\Name. "), "DIR\\NAME");
    EXPECT_EQ(Key(1252, "R\xe9sum\xe9.txt"), "RÉSUMÉ.TXT");
}

TEST(KitNames, TrailingProblemNamesDotsAndBlanks)
{
    struct Row {
        const char* name;
        const char* problem;
    } rows[] = {
        {"dot.", "ends in a dot"}, {"space ", "ends in a blank"}, {"a. ", "ends in a blank"},
        {"a.b", nullptr},          {".hidden", nullptr},          {"..", nullptr},
        {"a..b", nullptr},         {" lead", nullptr},
    };
    for (const Row& r : rows) {
        const char* got = TrailingProblem(r.name, strlen(r.name));
        EXPECT_STREQ(got, r.problem) << "\"" << r.name << "\"";
    }
}

TEST(KitNames, MemberNameProblemRefusesTrailingDotsInAnyComponent)
{
    char member[MaxMemberName + 1], why[300];
    for (const char* name : {"dot.", "space ", "dirdot.\\a.txt", "dir \\a.txt", "a\\b\\c."}) {
        EXPECT_NE(MemberNameProblem(name, 1252, member, sizeof member, why, sizeof why), nullptr) << name;
        EXPECT_NE(strstr(why, "Windows drops trailing dots and blanks"), nullptr) << why;
    }
    EXPECT_EQ(MemberNameProblem("dir\\a.b.txt", 1252, member, sizeof member, why, sizeof why), nullptr);
}

void Record(void* context, const InstallSite& first, const InstallSite& second)
{
    static_cast<std::vector<std::pair<int, int>>*>(context)->push_back({first.line, second.line});
}

TEST(KitNames, FindSameInstallsPairsEachLaterLineWithTheFirst)
{
    char a1[] = "$D\\A", a2[] = "$D\\A", a3[] = "$D\\A", a4[] = "$D\\A", b1[] = "$D\\B", b2[] = "$D\\B";
    char shown[] = "x";
    // A of line 3 twice (one entry: no pair), then lines 7 and 9: each pairs
    // with line 3. B only from line 4.
    InstallSite more[] = {{a4, 9, shown}, {a1, 3, shown}, {b1, 4, shown},
                          {a3, 7, shown}, {b2, 4, shown}, {a2, 3, shown}};
    std::vector<std::pair<int, int>> pairs;
    FindSameInstalls(more, 6, Record, &pairs);
    std::vector<std::pair<int, int>> want = {{3, 7}, {3, 9}};
    EXPECT_EQ(pairs, want);
}

TEST(KitText, Utf8IsRecognisedAndConvertedLineByLine)
{
    EXPECT_TRUE(IsUtf8("Caf\xc3\xa9", 5));
    EXPECT_FALSE(IsUtf8("Caf\xe9", 4));          // Latin-1
    EXPECT_FALSE(IsUtf8("\xc0\xaf", 2));         // overlong "/"
    EXPECT_FALSE(IsUtf8("\xed\xa0\x80", 3));     // a surrogate
    EXPECT_FALSE(IsUtf8("\xc3", 1));             // cut short
    EXPECT_EQ(FirstHighByteLine("a\nb\nc\xc3\xa9", 7), 3);
    EXPECT_EQ(FirstHighByteLine("abc", 3), 0);

    struct Row {
        int codePage;
        const char* text;
        const char* want;     // null: refused
        int line;
        const char* character;
    } rows[] = {
        {1252, "Caption=Caf\xc3\xa9\r\n", "Caption=Caf\xe9\r\n", 0, ""},
        {1251, "A\nDefaultPath=C:\\\xd0\x9f\xd0\xa0\n", "A\nDefaultPath=C:\\\xcf\xd0\n", 0, ""},
        {1250, "\xc5\xbe", "\x9e", 0, ""},
        {1251, "a\nb\nTitle1=\xc3\x85ngstr\xc3\xb6m\n", nullptr, 3, "\xc3\x85"},
        {1252, "\xe6\x97\xa5", nullptr, 1, "\xe6\x97\xa5"},
    };
    for (const Row& r : rows) {
        ByteBuffer out;
        InitBuffer(out);
        TextFault fault;
        int ok = TextToCodePage(r.codePage, r.text, strlen(r.text), out, fault);
        if (r.want) {
            EXPECT_EQ(ok, 1) << r.text;
            EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data), out.size), r.want);
        } else {
            EXPECT_EQ(ok, 0) << r.text;
            EXPECT_EQ(fault.line, r.line) << r.text;
            EXPECT_STREQ(fault.character, r.character);
        }
        FreeBuffer(out);
    }
}

}  // namespace
