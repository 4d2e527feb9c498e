// Command texts of the Program Manager step and the "$p" program macro.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/setup.h"
#include "steps/groups_text.h"

namespace {

TEST(GroupEntries, OnlyKeysBeginningWithGroupInThisCase)
{
    EXPECT_TRUE(IsGroupEntry("Group1"));
    EXPECT_TRUE(IsGroupEntry("Groups"));
    EXPECT_TRUE(IsGroupEntry("GroupX"));
    EXPECT_FALSE(IsGroupEntry("group1"));
    EXPECT_FALSE(IsGroupEntry("Item1"));
    EXPECT_FALSE(IsGroupEntry("Grou"));
}

// A command built into a buffer guarded by canary bytes beyond capacity;
// "<none>" when the builder refused.
std::string Group(const std::string& name, int capacity = CommandCapacity)
{
    char out[CommandCapacity + 16];
    memset(out, '#', sizeof out);
    int ok = ComposeGroupCommand(name.c_str(), out, capacity);
    for (size_t i = capacity; i < sizeof out; i++)
        EXPECT_EQ('#', out[i]) << "write past capacity at " << i;
    return ok ? out : "<none>";
}

std::string Item(const std::string& value)
{
    char out[CommandCapacity + 16];
    memset(out, '#', sizeof out);
    int ok = BeginItemCommand(value.c_str(), out, CommandCapacity) &&
             EndItemCommand(out, CommandCapacity);
    for (size_t i = ItemAreaCapacity + 2; i < sizeof out; i++)
        EXPECT_EQ('#', out[i]) << "write past the item area at " << i;
    return ok ? out : "<none>";
}

TEST(GroupCommands, NameUnchangedAndNeverCut)
{
    snprintf(DestDir, sizeof DestDir, "%s", "C:\\APP");
    EXPECT_EQ("[CreateGroup(Tools)]", Group("Tools"));
    EXPECT_EQ("[CreateGroup($d Tools)]", Group("$d Tools"));
    EXPECT_EQ("[CreateGroup([Groups])]", Group("[Groups]"));
    // 13 + name + 2 + terminator: 1008 characters fit, 1009 do not.
    EXPECT_EQ(1023u, Group(std::string(1008, 'g')).size());
    EXPECT_EQ("<none>", Group(std::string(1009, 'g')));
}

TEST(ItemCommands, MacrosExpandedWithinTheItemArea)
{
    snprintf(DestDir, sizeof DestDir, "%s", "C:\\APP");
    snprintf(WindowsDir, sizeof WindowsDir, "%s", "C:\\WINDOWS");
    EXPECT_EQ("[AddItem(C:\\APP\\tool.exe,Tool)]", Item("$d\\tool.exe,Tool"));
    EXPECT_EQ("[AddItem(C:\\WINDOWS\\notepad.exe C:\\APP\\read.me)]",
              Item("$w\\notepad.exe $d\\read.me"));
    // 9 + 502 characters fill the 512 bytes; one more, or a macro that
    // would run past them, is refused rather than cut.
    EXPECT_EQ(std::string("[AddItem(") + std::string(502, 'x') + ")]",
              Item(std::string(502, 'x')));
    EXPECT_EQ("<none>", Item(std::string(503, 'x')));
    EXPECT_EQ("<none>", Item(std::string(497, 'x') + "$d"));
}

// What FindProgramMacro finds: "$p@AT doc=NAME", or "none".
std::string Macro(const char* command)
{
    ProgramMacro m;
    if (!FindProgramMacro(command, &m))
        return "none";
    return "$p@" + std::to_string(m.at) + " doc=" +
           std::string(command + m.document, m.documentLength);
}

TEST(ProgramMacro, DocumentEndsAtCommaItsDelimiterOrTheEnd)
{
    struct Row { const char* command; const char* found; } rows[] = {
        {"[AddItem($p C:\\APP\\read.txt,Read me", "$p@9 doc=C:\\APP\\read.txt"},
        {"[AddItem($p \"C:\\APP\\read me.txt\",Read", "$p@9 doc=C:\\APP\\read me.txt"},
        {"[AddItem($p C:\\APP\\read.txt more,Read", "$p@9 doc=C:\\APP\\read.txt"},
        {"[AddItem($p   C:\\APP\\read.txt", "$p@9 doc=C:\\APP\\read.txt"},
        {"[AddItem(x $p\"a b\"", "$p@11 doc=a b"},
        // Only the first "$" counts, and only "$p" with a blank or quote.
        {"[AddItem($x\\a.exe $p C:\\read.txt", "none"},
        {"[AddItem($pC:\\read.txt", "none"},
        {"[AddItem($P C:\\read.txt", "none"},
        {"[AddItem(C:\\a.exe,Title", "none"},
        {"[AddItem($p \",x", "none"},
        {"[AddItem($p ", "none"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.found, Macro(row.command)) << row.command;
}

TEST(ProgramMacro, DocumentOf260CharactersOrMoreIsLeftAlone)
{
    std::string command = "[AddItem($p " + std::string(259, 'd') + ",T";
    EXPECT_EQ(259u, Macro(command.c_str()).size() - strlen("$p@9 doc="));
    command = "[AddItem($p " + std::string(260, 'd') + ",T";
    EXPECT_EQ("none", Macro(command.c_str()));
}

TEST(ProgramMacro, ReplacementKeepsWhatFollowsOrRefusesWhole)
{
    char command[40] = "[AddItem($p \"C:\\r.txt\",R";
    ASSERT_EQ(1, ReplaceProgramMacro(command, sizeof command, 9, "C:\\N.EXE"));
    EXPECT_STREQ("[AddItem(C:\\N.EXE \"C:\\r.txt\",R", command);

    char small[32] = "[AddItem($p C:\\r.txt,R";
    EXPECT_EQ(0, ReplaceProgramMacro(small, sizeof small, 9, "C:\\WINDOWS\\NOTEPAD.EXE"));
    EXPECT_STREQ("[AddItem($p C:\\r.txt,R", small);
}

std::vector<std::string> SplitBack(const char* line)
{
    char store[1024];
    char* words[8];
    int n = SplitCommandLine(line, store, sizeof store, words, 8);
    return std::vector<std::string>(words, words + n);
}

TEST(RelaunchCommand, ThreeWordsThatSplitBackWhole)
{
    using V = std::vector<std::string>;
    char line[800];
    ASSERT_EQ(1, ComposeRelaunchCommand("C:\\WINDOWS\\temp\\installc.exe", "A:", "A:\\SETUP.EXE",
                                        line, sizeof line));
    EXPECT_STREQ("C:\\WINDOWS\\temp\\installc.exe A: A:\\SETUP.EXE", line);

    // Longer than 99 characters and with blanks: still whole.
    std::string windows = "C:\\" + std::string(120, 'W') + "\\My Windows\\temp\\installc.exe";
    std::string source = "A:\\" + std::string(200, 'S');
    ASSERT_EQ(1, ComposeRelaunchCommand(windows.c_str(), source.c_str(), "B:\\SETUP.EXE", line,
                                        sizeof line));
    EXPECT_EQ((V{windows, source, "B:\\SETUP.EXE"}), SplitBack(line));

    // A line that does not fit is refused, never cut.
    EXPECT_EQ(0, ComposeRelaunchCommand(windows.c_str(), source.c_str(), "B:\\SETUP.EXE", line, 300));
    EXPECT_STREQ("", line);
}

}  // namespace
