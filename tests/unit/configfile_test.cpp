// Unit tests of the ConfigFile store: the line reader, lookups, typed getters,
// appending and section copies.
#include "script/configfile.h"
#include "script/keys.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

namespace {

void Load(ConfigFile& f, const std::string& text) {
    f.LoadText(text.data(), static_cast<int32_t>(text.size()));
}

std::string Str(const char* s) { return s ? std::string(s) : std::string("<none>"); }

// Writes text to a fresh temporary file and returns its name.
std::string WriteTempFile(const std::string& text) {
    char name[] = "/tmp/configfile_test_XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    FILE* f = fdopen(fd, "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    return name;
}

// ---- Loading ---------------------------------------------------------------------

TEST(ConfigFileLoad, MissingAndEmptyFilesGiveEmptyStoreWithDefaults) {
    ConfigFile missing(10, "/nonexistent/dir/install.cfg");
    EXPECT_EQ(missing.count, 0);
    EXPECT_STREQ(missing.path, "/nonexistent/dir/install.cfg");
    EXPECT_STREQ(missing.GetString("Caption", "dflt"), "dflt");
    EXPECT_EQ(missing.GetString("Caption", nullptr), nullptr);
    EXPECT_EQ(missing.GetInt("N", -7), -7);
    EXPECT_EQ(missing.GetLong("N", 123456789), 123456789);
    EXPECT_TRUE(missing.GetYesNo("Y", true));
    EXPECT_FALSE(missing.GetYesNo("Y", false));

    std::string empty = WriteTempFile("");
    ConfigFile e(10, empty.c_str());
    EXPECT_EQ(e.count, 0);
    unlink(empty.c_str());

    ConfigFile mem(10, nullptr);
    EXPECT_EQ(mem.path, nullptr);
    EXPECT_EQ(mem.currentSection, nullptr);
}

TEST(ConfigFileLoad, FileAndMemoryParseAlike) {
    const std::string text = "; comment\r\nCaption=Setup\r\n[Disk1]\r\nprog.lzh=$d\r\n";
    std::string name = WriteTempFile(text);
    ConfigFile file(4, name.c_str());
    ConfigFile mem(4, nullptr);
    Load(mem, text);
    unlink(name.c_str());
    ASSERT_EQ(file.count, 3);
    ASSERT_EQ(mem.count, 3);
    for (int32_t i = 0; i < 3; i++) {
        EXPECT_STREQ(file.KeyAt(i), mem.KeyAt(i));
        EXPECT_STREQ(file.ValueAt(i), mem.ValueAt(i));
    }
    EXPECT_STREQ(file.KeyAt(1), "Disk1");
    EXPECT_STREQ(file.ValueAt(1), "[Disk1]");
    EXPECT_STREQ(file.ValueAt(2), "$d");
}

TEST(ConfigFileLoad, SplitsAtFirstEqualsWithoutTrimming) {
    ConfigFile f(10, nullptr);
    Load(f, "Key = Value\nA=b=c\n=empty key\nnovalue=\n  lead=x  \n");
    ASSERT_EQ(f.count, 5);
    EXPECT_STREQ(f.KeyAt(0), "Key ");
    EXPECT_STREQ(f.ValueAt(0), " Value");
    EXPECT_EQ(f.GetString("Key", nullptr), nullptr);
    EXPECT_STREQ(f.GetString("A", nullptr), "b=c");
    EXPECT_STREQ(f.KeyAt(2), "");
    EXPECT_STREQ(f.ValueAt(2), "empty key");
    EXPECT_STREQ(f.GetString("novalue", nullptr), "");
    EXPECT_STREQ(f.KeyAt(4), "  lead");  // leading blanks stay, trailing go
    EXPECT_STREQ(f.ValueAt(4), "x");
}

TEST(ConfigFileLoad, CommentsBlankLinesAndIgnoredLines) {
    ConfigFile f(10, nullptr);
    Load(f,
         ";Caption=hidden\n"
         "\n"
         "   \t \n"
         " ;Indented=entry\n"      // ";" not in column 1: not a comment
         " ;no equals sign\n"      // not a comment, but no "=": ignored
         "plain text line\n"
         "[Half\n"
         "[Disk1] ; comment\n"     // not a header: last char is not "]"
         "a=1\n");
    ASSERT_EQ(f.count, 2);
    EXPECT_STREQ(f.KeyAt(0), " ;Indented");
    EXPECT_STREQ(f.ValueAt(0), "entry");
    EXPECT_FALSE(f.HasSection("Disk1"));
    EXPECT_STREQ(f.GetString("a", nullptr), "1");
    EXPECT_EQ(f.currentSection, nullptr);
}

TEST(ConfigFileLoad, HeadersIncludingEmptyNameAndHeaderWithEquals) {
    ConfigFile f(10, nullptr);
    Load(f, "[]\n[A=B]\n[Groups]   \n");
    ASSERT_EQ(f.count, 3);
    EXPECT_STREQ(f.KeyAt(0), "");
    EXPECT_STREQ(f.ValueAt(0), "[]");
    EXPECT_TRUE(f.IsSection(0));
    EXPECT_STREQ(f.KeyAt(1), "[A");  // split at "=", not a header
    EXPECT_STREQ(f.ValueAt(1), "B]");
    EXPECT_FALSE(f.IsSection(1));
    EXPECT_TRUE(f.HasSection("Groups"));
    EXPECT_STREQ(f.ValueAt(2), "[Groups]");
}

TEST(ConfigFileLoad, TextModeCrLfLoneCrAndCtrlZ) {
    ConfigFile f(10, nullptr);
    // CR LF is a line end; a lone CR is an ordinary byte inside the line (and
    // white space at its end); Ctrl-Z ends the text even mid-line.
    Load(f, std::string("A=1\r\nB=x\ry\r\nC=2\r\r\nD=3\x1a" "E=4\nF=5\n"));
    ASSERT_EQ(f.count, 4);
    EXPECT_STREQ(f.GetString("A", nullptr), "1");
    EXPECT_STREQ(f.GetString("B", nullptr), "x\ry");
    EXPECT_STREQ(f.GetString("C", nullptr), "2");
    EXPECT_STREQ(f.GetString("D", nullptr), "3");
    EXPECT_EQ(f.GetString("F", nullptr), nullptr);

    // The same through a file, where the Ctrl-Z is past the first block.
    std::string body;
    for (int i = 0; i < 100; i++) body += "K" + std::to_string(i) + "=v\r\n";
    std::string name = WriteTempFile(body + "\x1a" "After=1\r\n");
    ConfigFile file(10, name.c_str());
    unlink(name.c_str());
    EXPECT_EQ(file.count, 100);
    EXPECT_STREQ(file.GetString("K99", nullptr), "v");
    EXPECT_EQ(file.FindKey("After"), -1);
}

TEST(ConfigFileLoad, CrLfSplitAcrossFileBlocks) {
    // Put the CR as the last byte of the reader's first block and the LF as
    // the first byte of the next, for any block size up to the file length.
    for (size_t pad : {510u, 511u, 512u, 1022u, 1023u}) {
        std::string text = "A=" + std::string(pad - 2, 'x') + "\r\nB=2\r\n";
        std::string name = WriteTempFile(text);
        ConfigFile f(4, name.c_str());
        unlink(name.c_str());
        ASSERT_EQ(f.count, 2) << pad;
        EXPECT_EQ(strlen(f.ValueAt(0)), pad - 2) << pad;
        EXPECT_STREQ(f.GetString("B", nullptr), "2") << pad;
    }
}

TEST(ConfigFileLoad, LongPhysicalLinesAreCutAt1023) {
    std::string exact = "K=" + std::string(1021, 'v');  // 1023 characters
    std::string longer = "L=" + std::string(1021, 'w') + "M=rest";
    ConfigFile f(4, nullptr);
    Load(f, exact + "\n" + longer + "\nN=1\n");
    ASSERT_EQ(f.count, 4);
    EXPECT_EQ(std::string(f.GetString("K", "")), std::string(1021, 'v'));
    EXPECT_EQ(std::string(f.GetString("L", "")), std::string(1021, 'w'));
    EXPECT_STREQ(f.GetString("M", nullptr), "rest");
    EXPECT_STREQ(f.GetString("N", nullptr), "1");

    // A cut line without "=" in its remainder: the remainder is ignored.
    ConfigFile g(4, nullptr);
    Load(g, "A=" + std::string(1100, 'z') + "\nB=2\n");
    ASSERT_EQ(g.count, 2);
    EXPECT_EQ(strlen(g.GetString("A", "")), 1021u);
}

TEST(ConfigFileLoad, ContinuationLines) {
    ConfigFile f(10, nullptr);
    Load(f,
         "Msg=line one\\\n"
         ";not a comment  \\\n"  // a joined line may begin with ";"
         "  third  \n"
         "Blank=a \\\n"
         "   \n"                    // blank continuation vanishes with its LF
         "after\n"                  // ... and ends the joining
         "Next=1\n"
         "Only\\\n"
         "=x\n"
         "End=last\\");
    EXPECT_STREQ(f.GetString("Msg", nullptr), "line one\n;not a comment  \n  third");
    EXPECT_STREQ(f.GetString("Blank", nullptr), "a");
    EXPECT_STREQ(f.GetString("Next", nullptr), "1");
    EXPECT_STREQ(f.GetString("Only\n", nullptr), "x");
    EXPECT_STREQ(f.GetString("End", nullptr), "last\n");  // file ends: LF stays
    EXPECT_EQ(f.count, 5);

    // A comment line ending in "\" does not continue.
    ConfigFile g(10, nullptr);
    Load(g, ";comment\\\nA=1\n");
    EXPECT_STREQ(g.GetString("A", nullptr), "1");
}

TEST(ConfigFileLoad, ContinuationFillsButNeverOverrunsTheLineBuffer) {
    // The joined line shares one 1024-byte buffer: the continuation gets only
    // what is left, and the rest of that physical line becomes a new line.
    std::string first = "A=" + std::string(997, 'a') + "\\";  // 1000 characters
    std::string second = std::string(30, 'b') + "C=tail";
    ConfigFile f(4, nullptr);
    Load(f, first + "\n" + second + "\n");
    std::string a = f.GetString("A", "");
    ASSERT_EQ(a.size(), 1021u);
    EXPECT_EQ(a.substr(997), "\n" + std::string(23, 'b'));
    EXPECT_STREQ(f.GetString(std::string(7, 'b').append("C").c_str(), nullptr), "tail");

    // A 1023-character line ending in "\": no room is left; the empty read
    // strips the joining LF again, and the next line stands on its own.
    std::string full = "F=" + std::string(1020, 'f') + "\\";
    ConfigFile g(4, nullptr);
    Load(g, full + "\nG=1\n");
    EXPECT_EQ(std::string(g.GetString("F", "")), std::string(1020, 'f'));
    EXPECT_STREQ(g.GetString("G", nullptr), "1");

    // Backslashes filling the buffer: each empty read strips one joining LF,
    // which frees room, so the following lines are pulled in piece by piece
    // (the remainder "2" is a line of its own, and ignored).
    std::string slashes = "S=" + std::string(1021, '\\');
    ConfigFile h(4, nullptr);
    Load(h, slashes + "\nT=2\n");
    EXPECT_EQ(h.count, 1);
    EXPECT_EQ(std::string(h.GetString("S", "")), std::string(1018, '\\') + "\nT=");
}

TEST(ConfigFileLoad, HighBitBytesAreNotWhiteSpace) {
    ConfigFile f(4, nullptr);
    Load(f, "A=caf\xe9\xa0\nB=\x85\n");
    EXPECT_STREQ(f.GetString("A", nullptr), "caf\xe9\xa0");
    EXPECT_STREQ(f.GetString("B", nullptr), "\x85");
}

// ---- Lookups and sections --------------------------------------------------------

TEST(ConfigFileLookup, FirstMatchWinsForKeysAndSections) {
    ConfigFile f(10, nullptr);
    Load(f,
         "Top=1\n"
         "Groups=early\n"      // hides the real section below
         "[Disk1]\n"
         "Top=2\n"
         "[Disk1]\n"
         "b=2\n"
         "[Groups]\n"
         "Group1=X\n");
    EXPECT_EQ(f.GetInt("Top", 0), 1);
    EXPECT_EQ(f.currentSection, nullptr);
    EXPECT_STREQ(f.GetString("Disk1", nullptr), "[Disk1]");
    EXPECT_STREQ(f.currentSection, "Disk1");
    EXPECT_EQ(f.FindKey("Disk1"), 2);
    EXPECT_TRUE(f.HasSection("Disk1"));
    EXPECT_FALSE(f.HasSection("Groups"));
    EXPECT_EQ(f.CopySection("Disk1", nullptr, nullptr, false), 1);  // the first Disk1
    EXPECT_STREQ(f.GetString("Group1", nullptr), "X");
    EXPECT_STREQ(f.currentSection, "Groups");

    // A miss leaves currentSection at the last header of the store.
    EXPECT_EQ(f.FindKey("Absent"), -1);
    EXPECT_STREQ(f.currentSection, "Groups");
}

TEST(ConfigFileLookup, HeaderTestIsAPrefixTest) {
    ConfigFile f(10, nullptr);
    f.Add("Disk1", "[Disk1]");
    f.Add("Disk12", "[Disk1]");  // bracketed text begins the key
    f.Add("Disk", "[Disk1]");    // bracketed text longer than the key
    f.Add("any", "[]");
    f.Add("x", "[x");
    f.Add("y", "y]");
    f.Add("z", "]");
    EXPECT_TRUE(f.IsSection(0));
    EXPECT_TRUE(f.IsSection(1));
    EXPECT_STREQ(f.currentSection, "Disk12");
    EXPECT_FALSE(f.IsSection(2));
    EXPECT_TRUE(f.IsSection(3));
    EXPECT_FALSE(f.IsSection(4));
    EXPECT_FALSE(f.IsSection(5));
    EXPECT_FALSE(f.IsSection(6));
    EXPECT_STREQ(f.currentSection, "any");
}

TEST(ConfigFileLookup, KeyAtAndValueAtBoundsAndSectionTracking) {
    ConfigFile f(10, nullptr);
    Load(f, "g=0\n[S1]\na=1\n[S2]\nb=2\n");
    EXPECT_EQ(f.KeyAt(-1), nullptr);
    EXPECT_EQ(f.KeyAt(f.count), nullptr);
    EXPECT_EQ(f.ValueAt(-1), nullptr);
    EXPECT_EQ(f.ValueAt(f.count), nullptr);
    const char* expected[] = {nullptr, "S1", "S1", "S2", "S2"};
    f.FindKey("g");
    for (int32_t i = 0; i < f.count; i++) {
        f.ValueAt(i);
        EXPECT_EQ(Str(f.currentSection), Str(expected[i])) << i;
    }
    f.KeyAt(0);  // does not touch currentSection
    EXPECT_STREQ(f.currentSection, "S2");
    EXPECT_EQ(f.FindKey("g"), 0);
    EXPECT_EQ(f.currentSection, nullptr);
}

// ---- Typed getters -----------------------------------------------------------------

TEST(ConfigFileGetters, IntegerConversion) {
    ConfigFile f(20, nullptr);
    Load(f,
         "neg= \t -42\n"
         "pos=+17\n"
         "trail=12abc\n"
         "letters=abc\n"
         "empty=\n"
         "sign=-\n"
         "spaced=- 5\n"
         "big=4294967297\n"
         "min=-2147483648\n"
         "past=2147483648\n"
         "max=2147483647\n"
         "below=-2147483649\n"
         "huge=-000099999999999999999999\n");
    EXPECT_EQ(f.GetInt("neg", 9), -42);
    EXPECT_EQ(f.GetInt("pos", 9), 17);
    EXPECT_EQ(f.GetInt("trail", 9), 12);
    EXPECT_EQ(f.GetInt("letters", 9), 0);  // present but not numeric: 0
    EXPECT_EQ(f.GetInt("empty", 9), 0);
    EXPECT_EQ(f.GetInt("sign", 9), 0);
    EXPECT_EQ(f.GetInt("spaced", 9), 0);
    // A value past the range reads as the end of the range it passed.
    EXPECT_EQ(f.GetInt("big", 9), INT32_MAX);
    EXPECT_EQ(f.GetInt("min", 9), INT32_MIN);
    EXPECT_EQ(f.GetInt("past", 9), INT32_MAX);
    EXPECT_EQ(f.GetInt("max", 9), INT32_MAX);
    EXPECT_EQ(f.GetInt("below", 9), INT32_MIN);
    EXPECT_EQ(f.GetInt("huge", 9), INT32_MIN);
    EXPECT_EQ(f.GetLong("big", 9), INT32_MAX);
    EXPECT_EQ(f.GetInt("absent", INT32_MIN), INT32_MIN);
    EXPECT_EQ(f.GetLong("neg", 9), -42);
    EXPECT_EQ(f.GetLong("absent", -2000000000), -2000000000);
}

TEST(ConfigFileGetters, YesNoIsAnUpperCaseYOnly) {
    ConfigFile f(10, nullptr);
    Load(f, "a=Yes\nb=yes\nc=\nd= Y\ne=Y\nf=No\n");
    EXPECT_TRUE(f.GetYesNo("a", false));
    EXPECT_FALSE(f.GetYesNo("b", true));
    EXPECT_FALSE(f.GetYesNo("c", true));
    EXPECT_FALSE(f.GetYesNo("d", true));
    EXPECT_TRUE(f.GetYesNo("e", false));
    EXPECT_FALSE(f.GetYesNo("f", true));
}

TEST(ConfigFileGetters, KeyCatalogueDefaultsFromEmptyStore) {
    ConfigFile f(ScriptCapacity, nullptr);
    EXPECT_STREQ(GetKey(f, KeyTopColor), "0 76 38");
    EXPECT_STREQ(GetKey(f, KeyDefaultPath), "C:\\TEMP");
    EXPECT_EQ(GetKey(f, KeyWelcome), nullptr);
    EXPECT_EQ(GetKey(f, KeyNumGradientSteps), 32);
    EXPECT_EQ(GetKey(f, KeySpaceRequired), 0);
    EXPECT_TRUE(GetKey(f, KeyDestPathPrompt));
    EXPECT_FALSE(GetKey(f, KeyDirNotFoundWarn));
    Load(f, "DirNotFoundWarn=Y\nTitle1Size=12\n");
    EXPECT_TRUE(GetKey(f, KeyDirNotFoundWarn));
    EXPECT_EQ(GetKey(f, KeyTitle1Size), 12);
}

// ---- Appending -----------------------------------------------------------------------

TEST(ConfigFileAdd, GrowsInStepsOfTheInitialCapacity) {
    ConfigFile f(3, nullptr);
    EXPECT_EQ(f.capacity, 3);
    EXPECT_EQ(f.growBy, 3);
    for (int i = 0; i < 7; i++) f.AddInt("k", i);
    EXPECT_EQ(f.count, 7);
    EXPECT_EQ(f.capacity, 9);
    for (int32_t i = 0; i < 7; i++) EXPECT_EQ(atoi(f.ValueAt(i)), i);
    EXPECT_EQ(f.GetInt("k", -1), 0);  // duplicates stay; the first is seen

    f.AddLong("l", -2147483647 - 1);
    EXPECT_STREQ(f.GetString("l", nullptr), "-2147483648");
    EXPECT_EQ(f.GetLong("l", 0), INT32_MIN);

    // Texts are copied: the caller's buffer may change afterwards.
    char key[8] = "mine";
    f.Add(key, key);
    strcpy(key, "other");
    EXPECT_STREQ(f.GetString("mine", nullptr), "mine");
}

TEST(ConfigFileAdd, ZeroCapacityStoreStillTakesEntries) {
    ConfigFile f(0, nullptr);
    EXPECT_EQ(f.count, 0);
    EXPECT_EQ(f.growBy, 0);
    for (int i = 0; i < 20; i++) f.AddInt("n", i);
    EXPECT_EQ(f.count, 20);
    EXPECT_GE(f.capacity, 20);
    EXPECT_STREQ(f.ValueAt(19), "19");
}

// ---- Copying sections ------------------------------------------------------------

const char* const DiskScript =
    "Caption=Setup\n"
    "[Disk1]\n"
    "prog.lzh=$d\n"
    "readme.txt==$d\n"
    "[Disk2]\n"
    "data.lzh=$d\\data\n"
    "[Groups]\n"
    "Group1=Example\n"
    "Item1=$d\\prog.exe\n"
    "[After]\n"
    "late=1\n";

TEST(ConfigFileCopy, WithinOneSection) {
    ConfigFile script(100, nullptr);
    Load(script, DiskScript);
    EXPECT_EQ(script.CopySection("Disk1", "Groups", nullptr, false), 2);
    EXPECT_EQ(script.CopySection("Disk2", nullptr, nullptr, false), 1);

    ConfigFile groups(50, nullptr);
    EXPECT_EQ(script.CopySection("Groups", nullptr, &groups, false), 2);
    ASSERT_EQ(groups.count, 2);
    EXPECT_STREQ(groups.KeyAt(0), "Group1");
    EXPECT_STREQ(groups.ValueAt(1), "$d\\prog.exe");
    EXPECT_EQ(groups.FindKey("After"), -1);

    // Missing first key, end key before first key, absent end key.
    EXPECT_EQ(script.CopySection("Disk9", nullptr, &groups, false), 0);
    EXPECT_EQ(script.CopySection("Disk2", "Disk1", &groups, true), 0);
    EXPECT_EQ(script.CopySection("Disk2", "Nowhere", nullptr, true), 4);
    EXPECT_EQ(groups.count, 2);
}

TEST(ConfigFileCopy, AcrossSectionsSkipsHeaders) {
    ConfigFile script(100, nullptr);
    Load(script, DiskScript);
    ConfigFile disks(50, nullptr);
    EXPECT_EQ(script.CopySection("Disk1", "Groups", &disks, true), 3);
    ASSERT_EQ(disks.count, 3);
    EXPECT_STREQ(disks.KeyAt(0), "prog.lzh");
    EXPECT_STREQ(disks.KeyAt(1), "readme.txt");
    EXPECT_STREQ(disks.ValueAt(1), "=$d");
    EXPECT_STREQ(disks.KeyAt(2), "data.lzh");
    for (int32_t i = 0; i < disks.count; i++) EXPECT_FALSE(disks.IsSection(i));
}

TEST(ConfigFileCopy, StartsAtAnOrdinaryKeyAndCopiesIntoItself) {
    ConfigFile f(2, nullptr);
    Load(f, "[A]\nx=1\ny=2\n[B]\nz=3\n");
    // Starting at an ordinary key includes that entry.
    EXPECT_EQ(f.CopySection("y", nullptr, nullptr, false), 1);
    EXPECT_EQ(f.CopySection("x", nullptr, nullptr, true), 3);
    // Copying into the same store moves its array while copying.
    EXPECT_EQ(f.CopySection("A", nullptr, &f, true), 3);
    ASSERT_EQ(f.count, 8);
    EXPECT_STREQ(f.KeyAt(5), "x");
    EXPECT_STREQ(f.KeyAt(7), "z");
}

}  // namespace
