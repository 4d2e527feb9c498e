// The extraction driver over archive files in a scratch directory: members
// written, continuation members appended, display and progress through the
// window stubs, cancel, damaged and unsafe input.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/setup.h"
#include "archive/window.h"
#include "tests/unit/archive_fixture.h"

namespace {

class ArchiveExtract : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(savedDir, sizeof savedDir), nullptr);
        snprintf(scratch, sizeof scratch, "/tmp/archive_extract_XXXXXX");
        ASSERT_NE(mkdtemp(scratch), nullptr);
        ASSERT_EQ(chdir(scratch), 0);
        ResetStubLog();
        ResetUnpackContext();
        SetExtractOutput(OutputFiles, nullptr);
        CancelRequested = false;
        LastPercentSent = -1;
        FailureCount = 0;
        ForgetPartChains();
    }
    void TearDown() override
    {
        Extractor.partsChained = false;
        MemberFailureHook = nullptr;
        ASSERT_EQ(chdir(savedDir), 0);
        char command[600];
        snprintf(command, sizeof command, "rm -rf '%s'", scratch);
        ASSERT_EQ(system(command), 0);
    }
    // Writes the archive into the scratch directory and extracts it.
    int Extract(const Bytes& archive, const char* file = "test.lzh")
    {
        std::string path = std::string(scratch) + "/" + file;
        EXPECT_TRUE(WriteFileBytes(path, archive));
        return ExtractArchive(path.c_str());
    }
    static bool Exists(const char* path)
    {
        struct stat info;
        return stat(path, &info) == 0;
    }
    char savedDir[1024];
    char scratch[64];
};

UnpackContext FullContext()
{
    UnpackContext c = {};
    c.progressMessage = UM_PROGRESS;
    c.dialog = reinterpret_cast<WindowHandle>(0x100);
    c.nameControl = reinterpret_cast<WindowHandle>(0x141);
    c.percentControl = reinterpret_cast<WindowHandle>(0x142);
    return c;
}

TEST_F(ArchiveExtract, TheExampleArchive)
{
    MemberSpec m = AbcMember("ABC.TXT");
    EXPECT_EQ(Extract(ArchiveOf({m})), StepDone);
    EXPECT_EQ(ReadFileBytes("ABC.TXT"), ToBytes("abcabcabcabc"));
    // With the signature in front, and several members of every method.
    MemberSpec stored = StoredMember("S.TXT", "stored text", "<sto>");
    MemberSpec plain = StoredMember("P.TXT", "plain", "-lh0-");
    EXPECT_EQ(Extract(ArchiveOf({stored, AbcMember("C.TXT", "<cmp>"), plain}, true)), StepDone);
    EXPECT_EQ(ReadFileBytes("S.TXT"), ToBytes("stored text"));
    EXPECT_EQ(ReadFileBytes("C.TXT"), ToBytes("abcabcabcabc"));
    EXPECT_EQ(ReadFileBytes("P.TXT"), ToBytes("plain"));
    EXPECT_EQ(FailureCount, 0);
}

TEST_F(ArchiveExtract, EmptyArchiveAndMissingArchive)
{
    InstallUnpackContext(FullContext());
    EXPECT_EQ(Extract(Bytes{0}), StepDone);
    EXPECT_EQ(StubLog.textCalls + StubLog.progressCalls + StubLog.pumpCalls, 0);
    EXPECT_EQ(ExtractArchive("no-such-archive.lzh"), StepAborted);
}

TEST_F(ArchiveExtract, ContinuationMembersAreAppended)
{
    // Disk 1 begins BIG.DAT and C.DAT; disk 2 continues them.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("BIG.DAT", "ab", "<sto>"), AbcMember("C.DAT", "<cmp>")})), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("BIG.DAT", "cd", "<st+>"), AbcMember("C.DAT", "<cm+>")})), StepDone);
    EXPECT_EQ(ReadFileBytes("BIG.DAT"), ToBytes("abcd"));
    EXPECT_EQ(ReadFileBytes("C.DAT"), ToBytes("abcabcabcabcabcabcabcabc"));
    // A continuation without its beginning creates the file.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("NEW.DAT", "xy", "<st+>")})), StepDone);
    EXPECT_EQ(ReadFileBytes("NEW.DAT"), ToBytes("xy"));
    // An empty continuation leaves the file as it was; an empty member is an empty file.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("BIG.DAT", "", "<st+>"), StoredMember("E.DAT", "")})), StepDone);
    EXPECT_EQ(ReadFileBytes("BIG.DAT"), ToBytes("abcd"));
    EXPECT_TRUE(Exists("E.DAT"));
    EXPECT_TRUE(ReadFileBytes("E.DAT").empty());
}

TEST_F(ArchiveExtract, DirectoriesOfTheNameAreCreated)
{
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("OUTER\\INNER\\F.TXT", "deep")})), StepDone);
    EXPECT_EQ(ReadFileBytes("OUTER/INNER/F.TXT"), ToBytes("deep"));
}

TEST_F(ArchiveExtract, UnknownMethodIsAFailureAndDirectoryMembersAreNot)
{
    // A folder tree as standard archivers store it: directory members with an
    // empty name (the path in an extension header) or with the path as name.
    ASSERT_TRUE(WriteFileBytes("OLD.TXT", ToBytes("old contents")));
    MemberSpec emptyDir = StoredMember("", "", "-lhd-");
    emptyDir.extensions = {{0x02, 'D', 'I', 'R', 0xFF}};
    Bytes tree = ArchiveOf({emptyDir, StoredMember("TOP\\SUB\\", "", "-lhd-"), StoredMember("LEAF", "", "-lhd-"),
                            StoredMember("TOP\\SUB\\F.TXT", "f")});
    EXPECT_EQ(Extract(tree), StepDone);
    EXPECT_EQ(FailureCount, 0);
    EXPECT_EQ(ReadFileBytes("TOP/SUB/F.TXT"), ToBytes("f"));
    EXPECT_TRUE(Exists("LEAF/"));
    // A member of an unknown method is not written, leaves an existing file
    // as it was, and counts; the members after it are extracted.
    MemberSpec unknown = StoredMember("OLD.TXT", "new", "-lh7-");
    MemberSpec unknownNew = StoredMember("NEW.TXT", "new", "-LH5-");
    EXPECT_EQ(Extract(ArchiveOf({unknown, unknownNew, StoredMember("NEXT.TXT", "next")})), StepDone);
    EXPECT_EQ(FailureCount, 2);
    EXPECT_EQ(ReadFileBytes("OLD.TXT"), ToBytes("old contents"));
    EXPECT_FALSE(Exists("NEW.TXT"));
    EXPECT_EQ(ReadFileBytes("NEXT.TXT"), ToBytes("next"));
}

TEST_F(ArchiveExtract, ContinuationCrcOfThePartOrOfTheWholeFile)
{
    // Disk 1 begins the file, disk 2 continues it with the CRC of the whole
    // file as some tools store it; both pass, in files and when only checked.
    MemberSpec begin = StoredMember("BIG.DAT", "first part,", "<sto>");
    MemberSpec whole = StoredMember("BIG.DAT", "second", "<st+>");
    whole.crc = Crc16Of(ToBytes("first part,second"));
    MemberSpec own = StoredMember("BIG.DAT", "+third", "<st+>");
    for (ExtractOutput output : {OutputFiles, OutputDiscard}) {
        SetExtractOutput(output, nullptr);
        EXPECT_EQ(Extract(ArchiveOf({begin}), "d1.lzh"), StepDone);
        EXPECT_EQ(Extract(ArchiveOf({whole, own}), "d2.lzh"), StepDone);
    }
    EXPECT_EQ(ReadFileBytes("BIG.DAT"), ToBytes("first part,second+third"));
}

TEST_F(ArchiveExtract, OutputThatCannotBeOpenedIsCountedAndSkipped)
{
    ASSERT_EQ(mkdir("BUSY", 0777), 0);
    EXPECT_EQ(Extract(ArchiveOf({AbcMember("BUSY"), StoredMember("NEXT.TXT", "next")})), StepDone);
    EXPECT_EQ(FailureCount, 1);
    EXPECT_EQ(ReadFileBytes("NEXT.TXT"), ToBytes("next"));
    // A plain file where a folder of the name must be: the member is left
    // out once A is entered, and the next one still lands here, not in A.
    ASSERT_EQ(mkdir("A", 0777), 0);
    ASSERT_TRUE(WriteFileBytes("A/B", ToBytes("a file")));
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("A\\B\\X.TXT", "x"), StoredMember("Y.TXT", "y")})), StepDone);
    EXPECT_EQ(FailureCount, 2);
    EXPECT_EQ(ReadFileBytes("Y.TXT"), ToBytes("y"));
    EXPECT_FALSE(Exists("A/Y.TXT"));
    EXPECT_EQ(ReadFileBytes("A/B"), ToBytes("a file"));
}

// The names told through MemberFailureHook.
std::vector<std::string> ToldMembers;
void RecordMember(const char* name)
{
    ToldMembers.push_back(name);
}

TEST_F(ArchiveExtract, MembersNotWrittenAreToldAndChainedPartsFollowTheirBeginning)
{
    ToldMembers.clear();
    MemberFailureHook = RecordMember;
    Extractor.partsChained = true;
    // A folder where a file must go, a folder where a directory member must
    // go, an unknown method: each counted and told once.
    ASSERT_EQ(mkdir("BUSY", 0777), 0);
    ASSERT_TRUE(WriteFileBytes("FILE", ToBytes("x")));
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("FILE\\", "", "-lhd-"), StoredMember("ODD", "o", "-lh7-"),
                                 StoredMember("BUSY", "ab", "<sto>")}), "d1.lzh"),
              StepDone);
    // The rest of BUSY is left out without a second message; A.DAT is begun
    // by the last member and continued by the first of the next archive.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("BUSY", "cd", "<st+>"), StoredMember("A.DAT", "12", "<sto>")}), "d2.lzh"),
              StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("A.DAT", "34", "<st+>"), StoredMember("Sub\\B.DAT", "5", "<sto>")}), "d3.lzh"),
              StepDone);
    // The same file named from the folder it is in.
    ASSERT_EQ(chdir("Sub"), 0);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("B.DAT", "6", "<st+>")}), "../d4.lzh"), StepDone);
    ASSERT_EQ(chdir(".."), 0);
    EXPECT_EQ(ReadFileBytes("Sub/B.DAT"), ToBytes("56"));
    EXPECT_EQ(ToldMembers, (std::vector<std::string>{"FILE\\", "ODD", "BUSY"}));
    EXPECT_EQ(FailureCount, 3);
    EXPECT_EQ(ReadFileBytes("A.DAT"), ToBytes("1234"));
    // After an archive that was left out, a continuation is left out too:
    // its beginning is unknown, and that failure was counted already.
    LosePartChain();
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("LOST", "zz", "<st+>"), StoredMember("NEXT", "n")})), StepDone);
    EXPECT_FALSE(Exists("LOST"));
    EXPECT_EQ(ReadFileBytes("NEXT"), ToBytes("n"));
    EXPECT_EQ(FailureCount, 3);
}

TEST_F(ArchiveExtract, PartsWaitForTheirContinuationAcrossOtherEntries)
{
    Extractor.partsChained = true;
    // SPLIT.BIN ends the first archive; another archive, into another folder,
    // stands between its parts and leaves a file of its own waiting.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("A.TXT", "a"), StoredMember("SPLIT.BIN", "one,", "<sto>")}), "d1.lzh"),
              StepDone);
    ASSERT_EQ(mkdir("X1", 0777), 0);
    ASSERT_EQ(chdir("X1"), 0);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("X.TXT", "x"), StoredMember("LAST.BIN", "L1", "<sto>")}), "x1.lzh"),
              StepDone);
    ASSERT_EQ(chdir(".."), 0);
    // A middle part alone in its archive waits again; the two files are
    // continued in another order than they were begun.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("SPLIT.BIN", "two,", "<st+>")}), "d2.lzh"), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("X1\\LAST.BIN", "L2", "<st+>")}), "x2.lzh"), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("SPLIT.BIN", "three", "<st+>"), StoredMember("B.TXT", "b")}), "d3.lzh"),
              StepDone);
    EXPECT_EQ(ReadFileBytes("SPLIT.BIN"), ToBytes("one,two,three"));
    EXPECT_EQ(ReadFileBytes("X1/LAST.BIN"), ToBytes("L1L2"));
    EXPECT_EQ(FailureCount, 0);

    // An archive left out (its folder could not be made, say), then another
    // one: a continuation whose beginning is unknown is still left out
    // quietly, and so are its later parts.
    LosePartChain();
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("OTHER.TXT", "o")}), "x3.lzh"), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART.TXT", "p2", "<st+>")}), "b.lzh"), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART.TXT", "p3", "<st+>"), StoredMember("C.TXT", "c")}), "c.lzh"),
              StepDone);
    EXPECT_FALSE(Exists("PART.TXT"));
    EXPECT_EQ(ReadFileBytes("C.TXT"), ToBytes("c"));
    EXPECT_EQ(FailureCount, 0);
}

TEST_F(ArchiveExtract, ExtensionHeadersAreSkipped)
{
    // As another archiver writes it: the directory in an extension header.
    MemberSpec m = AbcMember("ABC.TXT");
    m.extensions = {Bytes{0x02, 's', 'u', 'b', 0xFF}, Bytes{0x54, 1, 2, 3, 4, 5}};
    EXPECT_EQ(Extract(ArchiveOf({m, StoredMember("B.TXT", "b")})), StepDone);
    EXPECT_EQ(ReadFileBytes("ABC.TXT"), ToBytes("abcabcabcabc"));
    EXPECT_EQ(ReadFileBytes("B.TXT"), ToBytes("b"));
}

TEST_F(ArchiveExtract, NextHeaderIsReadWhereTheMemberEnds)
{
    // Packed data longer than the decoder needs: the surplus is skipped.
    MemberSpec m = AbcMember("ABC.TXT");
    m.data.insert(m.data.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    MemberSpec s = StoredMember("S.TXT", "stored");
    s.data.push_back('!');  // one byte more than the unpacked size
    EXPECT_EQ(Extract(ArchiveOf({m, s, StoredMember("B.TXT", "b")})), StepDone);
    EXPECT_EQ(ReadFileBytes("ABC.TXT"), ToBytes("abcabcabcabc"));
    EXPECT_EQ(ReadFileBytes("S.TXT"), ToBytes("stored"));
    EXPECT_EQ(ReadFileBytes("B.TXT"), ToBytes("b"));
}

TEST_F(ArchiveExtract, LargeMembersCrossTheInputBuffer)
{
    // Several members, each larger than the 64 KiB input buffer, compressed
    // and stored, read from a file.
    std::vector<MemberSpec> members;
    std::vector<Bytes> contents;
    for (uint32_t seed : {21u, 22u}) {
        std::vector<Token> tokens = RandomTokens(seed, 300000);
        Bytes expected = Expand(tokens);
        TestEncoder e;
        MemberSpec m;
        m.method = "-lh5-";
        m.name = "Z" + std::to_string(seed);
        m.data = e.Encode(tokens);
        m.unpackedSize = static_cast<uint32_t>(expected.size());
        m.crc = Crc16Of(expected);
        members.push_back(m);
        contents.push_back(expected);
        MemberSpec raw;
        raw.name = "R" + std::to_string(seed);
        raw.data = expected;
        raw.unpackedSize = m.unpackedSize;
        raw.crc = m.crc;
        members.push_back(raw);
        contents.push_back(expected);
    }
    EXPECT_EQ(Extract(ArchiveOf(members)), StepDone);
    for (size_t i = 0; i < members.size(); i++)
        EXPECT_EQ(ReadFileBytes(members[i].name), contents[i]) << members[i].name;
}

TEST_F(ArchiveExtract, NameAndPercentageReachTheDialog)
{
    InstallUnpackContext(FullContext());
    Bytes archive = ArchiveOf({StoredMember("DIR\\A.TXT", std::string(300, 'a'))});
    EXPECT_EQ(Extract(archive), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 1);
    EXPECT_EQ(StubLog.lastMessage, UM_PROGRESS);
    // The end marker is still unread after the last chunk: 99, not 100.
    int64_t position = static_cast<int64_t>(archive.size()) - 1;
    EXPECT_EQ(StubLog.lastPercent, static_cast<int>(position * 100 / static_cast<int64_t>(archive.size())));
    EXPECT_EQ(StubLog.lastPercent, 99);
    EXPECT_STREQ(StubLog.lastText, "99%");
    EXPECT_EQ(StubLog.textCalls, 2);  // the name, then the percentage
    EXPECT_EQ(StubLog.pumpCalls, 1);

    // Only the name control: the name as stored.
    ResetStubLog();
    UnpackContext c = FullContext();
    c.percentControl = nullptr;
    InstallUnpackContext(c);
    EXPECT_EQ(Extract(archive), StepDone);
    EXPECT_EQ(StubLog.textCalls, 1);
    EXPECT_EQ(StubLog.lastTextControl, c.nameControl);
    EXPECT_STREQ(StubLog.lastText, "DIR\\A.TXT");
    EXPECT_EQ(StubLog.progressCalls, 0);
}

TEST_F(ArchiveExtract, PercentageOfAnArchiveOver4GB)
{
    // Bytes after the end marker are never read, but they count in the
    // archive's length: a sparse tail makes it 4 GB and 1000 bytes, which a
    // 32-bit length would take for 1000 bytes (percentages far above 100).
    InstallUnpackContext(FullContext());
    Bytes archive = ArchiveOf({StoredMember("A.TXT", std::string(3000, 'a'))});
    std::string path = std::string(scratch) + "/big.lzh";
    ASSERT_TRUE(WriteFileBytes(path, archive));
    const int64_t length = (int64_t(1) << 32) + 1000;
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(length)), 0);
    EXPECT_EQ(ExtractArchive(path.c_str()), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 1);
    EXPECT_EQ(StubLog.lastPercent, 0);
    EXPECT_STREQ(StubLog.lastText, " 0%");
}

TEST_F(ArchiveExtract, PercentageSentOnlyWhenItChanges)
{
    InstallUnpackContext(FullContext());
    // Three members of 8192 bytes: a percentage after each chunk.
    std::string big(8192, 'x');
    Bytes archive = ArchiveOf({StoredMember("1", big), StoredMember("2", big), StoredMember("3", big)});
    EXPECT_EQ(Extract(archive), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 3);
    EXPECT_EQ(StubLog.lastPercent, 99);
    // The same archive again: its first value (33) differs from 99, its last
    // equals the one sent before, and is sent again since 66 came between.
    EXPECT_EQ(Extract(archive), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 6);
    // A small archive whose only value equals the last one sent: nothing.
    Bytes small = ArchiveOf({StoredMember("S", std::string(200, 's'))});
    EXPECT_EQ(Extract(small), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 6);
    // An empty member sends nothing either.
    LastPercentSent = -1;
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("E", "")})), StepDone);
    EXPECT_EQ(StubLog.progressCalls, 6);
}

TEST_F(ArchiveExtract, AllZeroContextShowsNothing)
{
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("A", std::string(500, 'a')), AbcMember("B")})), StepDone);
    EXPECT_EQ(StubLog.textCalls + StubLog.progressCalls + StubLog.pumpCalls, 0);
    EXPECT_EQ(ReadFileBytes("B"), ToBytes("abcabcabcabc"));
}

TEST_F(ArchiveExtract, CancelIsSeenAfterTheMember)
{
    InstallUnpackContext(FullContext());
    StubPumpHook = [](WindowHandle) { CancelRequested = true; };
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("FIRST", "1"), StoredMember("SECOND", "2")})), StepAborted);
    EXPECT_EQ(ReadFileBytes("FIRST"), ToBytes("1"));
    EXPECT_FALSE(Exists("SECOND"));
    EXPECT_EQ(StubLog.pumpCalls, 1);
    // Without a dialog there is no pump and no cancel check.
    ResetUnpackContext();
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("THIRD", "3")})), StepDone);
}

TEST_F(ArchiveExtract, TestAndStreamOutputs)
{
    Bytes archive = ArchiveOf({AbcMember("A"), StoredMember("B", "-b-")});
    SetExtractOutput(OutputDiscard, nullptr);
    EXPECT_EQ(Extract(archive), StepDone);
    EXPECT_FALSE(Exists("A"));
    EXPECT_FALSE(Exists("B"));
    FILE* stream = fopen("joined", "wb");
    ASSERT_NE(stream, nullptr);
    SetExtractOutput(OutputStream, stream);
    EXPECT_EQ(Extract(archive), StepDone);
    fclose(stream);
    EXPECT_EQ(ReadFileBytes("joined"), ToBytes("abcabcabcabc-b-"));
}

TEST(ArchiveNames, UnsafeNames)
{
    const char* unsafe[] = {"\\WINDOWS\\X.DLL", "/etc/passwd", "C:AUTOEXEC.BAT", "C:\\X", "A\\..\\..\\X",
                            "..", "..\\X", "A/../X", "A\\...\\X", "A\\.. \\X", "NAME:STREAM",
                            // Devices, in any case, with an extension, in any component.
                            "CON", "nul", "Aux.txt", "PRN.", "COM1", "com9.log", "LPT1", "lPt9.X.Y",
                            "DIR\\CON\\X", "A/nul.dat", "CON .TXT", "CONIN$", "conout$"};
    for (const char* name : unsafe)
        EXPECT_EQ(IsUnsafeName(name), 1) << name;
    const char* safe[] = {"X", "DIR\\X.TXT", ".\\X", "..X", "X..", "A\\.PROFILE", "", "A B\\C",
                          "CONSOLE", "NULL.TXT", "COM", "COM0", "COM10", "LPT", "XCON", "AUX2", "PRNX\\Y"};
    for (const char* name : safe)
        EXPECT_EQ(IsUnsafeName(name), 0) << name;
}

using ArchiveExtractDeath = ArchiveExtract;

TEST_F(ArchiveExtractDeath, UnsafeNameIsNeverWritten)
{
    ASSERT_EQ(mkdir("target", 0777), 0);
    ASSERT_EQ(chdir("target"), 0);
    Bytes archive = ArchiveOf({StoredMember("..\\ESCAPED", "x")});
    EXPECT_EXIT(Extract(archive, "up.lzh"), ::testing::ExitedWithCode(1), "Unsafe member name");
    EXPECT_FALSE(Exists("../ESCAPED"));
    Bytes rooted = ArchiveOf({StoredMember("SUB\\..\\..\\ESCAPED", "x")});
    EXPECT_EXIT(Extract(rooted, "up.lzh"), ::testing::ExitedWithCode(1), "Unsafe member name");
    EXPECT_FALSE(Exists("SUB"));
    EXPECT_FALSE(Exists("../ESCAPED"));
}

TEST_F(ArchiveExtractDeath, ContinuationWithoutThePartBeforeIt)
{
    Extractor.partsChained = true;
    // Nothing begun it; then the archive before ended with another file; then
    // the file it would continue is not where it goes.
    Bytes orphan = ArchiveOf({StoredMember("PART", "end", "<st+>")});
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    EXPECT_FALSE(Exists("PART"));
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "begin", "<sto>"), StoredMember("OTHER", "o")})), StepDone);
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "begin", "<sto>")})), StepDone);
    ASSERT_EQ(unlink("PART"), 0);
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    EXPECT_FALSE(Exists("PART"));
    // Begun at the end of one archive, then written afresh by a member of
    // the next: no longer waiting.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "begin", "<sto>")})), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "fresh"), StoredMember("OTHER", "o")})), StepDone);
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    // ... or written afresh by a copy between the two archives.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "begin", "<sto>")})), StepDone);
    ForgetWaitingFile("PART");
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    EXPECT_EQ(ReadFileBytes("PART"), ToBytes("begin"));
    // Continued once, then not the last member: its next part has no place.
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "begin", "<sto>")})), StepDone);
    EXPECT_EQ(Extract(ArchiveOf({StoredMember("PART", "middle", "<st+>"), StoredMember("OTHER", "o")})), StepDone);
    EXPECT_EXIT(Extract(orphan), ::testing::ExitedWithCode(1), "Continued file without its beginning");
    EXPECT_EQ(ReadFileBytes("PART"), ToBytes("beginmiddle"));
}

TEST_F(ArchiveExtractDeath, CrcMismatch)
{
    MemberSpec m = AbcMember("ABC.TXT");
    m.crc = 0x44DC;
    EXPECT_EXIT(Extract(ArchiveOf({m})), ::testing::ExitedWithCode(1), "CRC error");
    MemberSpec s = StoredMember("S.TXT", "stored");
    s.data[0] = 'S';
    EXPECT_EXIT(Extract(ArchiveOf({s})), ::testing::ExitedWithCode(1), "CRC error");
}

TEST_F(ArchiveExtractDeath, DamagedContinuationPart)
{
    // Disk 1's part is intact; disk 2's continuation has a changed byte, so
    // its stored CRC (of the part, or of the whole file) matches neither.
    // Stored and compressed, written to files and only checked.
    MemberSpec storedBegin = StoredMember("S.DAT", "first part,", "<sto>");
    MemberSpec storedPart = StoredMember("S.DAT", "second", "<st+>");
    storedPart.data[2] ^= 0x01;
    MemberSpec storedWhole = StoredMember("S.DAT", "second", "<st+>");
    storedWhole.crc = Crc16Of(ToBytes("first part,second"));
    storedWhole.data[2] ^= 0x01;
    // The packed bits are intact; the stored CRC is that of other bytes.
    MemberSpec packedBegin = AbcMember("C.DAT", "<cmp>");
    MemberSpec packedPart = AbcMember("C.DAT", "<cm+>");
    packedPart.crc = Crc16Of(ToBytes("abcabcabcabd"));
    struct Row {
        const char* what;
        MemberSpec begin, part;
    };
    const Row rows[] = {
        {"stored, CRC of the part", storedBegin, storedPart},
        {"stored, CRC of the whole file", storedBegin, storedWhole},
        {"compressed", packedBegin, packedPart},
    };
    for (ExtractOutput output : {OutputFiles, OutputDiscard}) {
        for (const Row& r : rows) {
            SetExtractOutput(output, nullptr);
            ASSERT_EQ(Extract(ArchiveOf({r.begin}), "d1.lzh"), StepDone) << r.what;
            EXPECT_EXIT(Extract(ArchiveOf({r.part}), "d2.lzh"), ::testing::ExitedWithCode(1), "CRC error")
                << r.what << (output == OutputFiles ? " (files)" : " (checked)");
        }
    }
}

TEST_F(ArchiveExtractDeath, WriteFailingAtCloseIsFatal)
{
    // /dev/full takes buffered writes and refuses them when the stream is
    // flushed at close, as a disk that fills up under the last chunk does.
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    std::string archive = std::string(scratch) + "/full.lzh";
    ASSERT_TRUE(WriteFileBytes(archive, ArchiveOf({StoredMember("full", "lost bytes")})));
    ASSERT_EQ(chdir("/dev"), 0);
    EXPECT_EXIT(ExtractArchive(archive.c_str()), ::testing::ExitedWithCode(1), "Unable to write");
}

TEST_F(ArchiveExtractDeath, ShortData)
{
    // Stored data shorter than the unpacked size, the archive going on.
    MemberSpec s = StoredMember("S.TXT", "stored");
    s.unpackedSize = 20;
    EXPECT_EXIT(Extract(ArchiveOf({s, StoredMember("B", "b")})), ::testing::ExitedWithCode(1), "Can't read");
    // The file cut inside a compressed member.
    std::vector<Token> tokens = RandomTokens(3, 50000);
    Bytes expected = Expand(tokens);
    TestEncoder e;
    MemberSpec m;
    m.method = "-lh5-";
    m.name = "Z";
    m.data = e.Encode(tokens);
    m.unpackedSize = static_cast<uint32_t>(expected.size());
    m.crc = Crc16Of(expected);
    Bytes archive = ArchiveOf({m});
    archive.resize(archive.size() / 2);
    EXPECT_EXIT(Extract(archive), ::testing::ExitedWithCode(1), "Can't read");
    // An extension header larger than the member.
    MemberSpec x = StoredMember("X", "x");
    x.extensions = {Bytes{0x02, 'd'}};
    Bytes bad = ArchiveOf({x});
    // The high byte of the first extension size, the base header's last
    // byte: it is followed by 4 extension bytes, the data and the end marker.
    bad[bad.size() - 7] = 0x40;
    bad[1] = static_cast<uint8_t>(bad[1] + 0x40);
    EXPECT_EXIT(Extract(bad), ::testing::ExitedWithCode(1), "Can't read");
}

}  // namespace
