// Program Manager groups and items: every line of the group list becomes one
// command ("[CreateGroup(...)]" or "[AddItem(...)]"), sent in file order as a
// DDE execute transaction on a conversation with "PROGMAN". Program Manager
// makes the group it last created current, so each item lands in the group of
// the nearest group line above it.
#include <windows.h>
#include <ddeml.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "app/setup.h"
#include "steps/groups_text.h"
#include "steps/steps.h"

// The saved main window caption holds up to 511 characters.
static const int CaptionCapacity = 512;
// How long one command may keep Program Manager busy.
static const DWORD ExecuteTimeout = 1000;

// ---- The Program Manager link ----------------------------------------------

enum LinkMode { LinkConnect, LinkExecute, LinkDisconnect };

static DWORD DdeInstance;
static HCONV Conversation;

// A client only: every transaction offered to us is refused.
static HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

static int Connect()
{
    if (DdeInitializeA(&DdeInstance, DdeCallback, CBF_FAIL_ALLSVRXACTIONS, 0) != DMLERR_NO_ERROR) {
        DdeInstance = 0;
        return 0;
    }
    HSZ progman = DdeCreateStringHandleA(DdeInstance, "PROGMAN", CP_WINANSI);
    Conversation = DdeConnect(DdeInstance, progman, progman, nullptr);
    if (progman)
        DdeFreeStringHandle(DdeInstance, progman);
    return Conversation ? 1 : 0;
}

// What Program Manager does with a command is not looked at; only a command
// that cannot be handed over counts as a failure.
static int Execute(const char* command)
{
    LPBYTE text = reinterpret_cast<LPBYTE>(const_cast<char*>(command));
    HDDEDATA data = DdeCreateDataHandle(DdeInstance, text, static_cast<DWORD>(strlen(command) + 1),
                                        0, nullptr, 0, 0);
    if (!data)
        return 0;
    DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1), Conversation,
                         nullptr, 0, XTYP_EXECUTE, ExecuteTimeout, nullptr);
    DdeFreeDataHandle(data);
    return 1;
}

static void Disconnect()
{
    if (Conversation)
        DdeDisconnect(Conversation);
    if (DdeInstance)
        DdeUninitialize(DdeInstance);
    Conversation = nullptr;
    DdeInstance = 0;
}

// Connect, execute a command, or disconnect: 1 on success, 0 on failure.
static int ProgramManagerLink(LinkMode mode, const char* command)
{
    switch (mode) {
    case LinkConnect:    return Connect();
    case LinkExecute:    return Execute(command);
    case LinkDisconnect: Disconnect(); return 1;
    }
    return 0;
}

// ---- Commands ---------------------------------------------------------------

// "$p" followed by a document becomes the program that the system associates
// with the document. Without an association the text stays as it is. Returns
// 0 when the program does not fit in the command (the command is unchanged).
int ResolveProgramMacro(char* command, int capacity)
{
    ProgramMacro macro;
    if (!FindProgramMacro(command, &macro))
        return 1;
    char document[DocumentCapacity];
    memcpy(document, command + macro.document, macro.documentLength);
    document[macro.documentLength] = '\0';
    char program[MAX_PATH] = "";
    HINSTANCE code = FindExecutableA(document, "", program);
    if (reinterpret_cast<INT_PTR>(code) <= 32)
        return 1;
    return ReplaceProgramMacro(command, capacity, macro.at, program);
}

// The command for entry i. Returns 0 when the entry cannot be sent whole.
static int ComposeCommand(int32_t i, char* command)
{
    const char* value = GroupList->ValueAt(i);
    if (IsGroupEntry(GroupList->KeyAt(i)))
        return ComposeGroupCommand(value, command, CommandCapacity);
    return BeginItemCommand(value, command, CommandCapacity) &&
           ResolveProgramMacro(command, CommandCapacity) &&
           EndItemCommand(command, CommandCapacity);
}

// A group or item that is not created: its value as the script gives it
// (the first characters of a long one) and why; one failure each.
static void ReportLeftOut(HWND mainWindow, bool group, const char* value, const char* reason)
{
    char shown[ShownLineWidth + 4];
    ShortenForBox(value, ShownLineWidth, shown, sizeof shown);
    char text[256];
    snprintf(text, sizeof text, "Program Manager %s \"%s\" not created:\n%s.",
             group ? "group" : "item", shown, reason);
    FailureCount++;
    ShowMessage(mainWindow, text, "Error", MB_OK | MB_ICONEXCLAMATION, IDOK);
}

void CreateProgramGroups(HWND mainWindow)
{
    char savedCaption[CaptionCapacity];
    if (GetWindowTextA(mainWindow, savedCaption, sizeof savedCaption) <= 0)
        savedCaption[0] = '\0';

    int ok = ProgramManagerLink(LinkConnect, nullptr);
    // An entry too long for its command is left out rather than sent cut;
    // after a group left out, so are its items, which would otherwise land
    // in the group above it. Each one left out is told and counted.
    bool skippingGroup = false;
    for (int32_t i = 0; ok && i < GroupList->count; i++) {
        char command[CommandCapacity];
        bool group = IsGroupEntry(GroupList->KeyAt(i));
        if (!ComposeCommand(i, command)) {
            ReportLeftOut(mainWindow, group, GroupList->ValueAt(i), "its command is too long");
            skippingGroup = skippingGroup || group;
            continue;
        }
        if (group) {
            skippingGroup = false;
        } else if (skippingGroup) {
            ReportLeftOut(mainWindow, false, GroupList->ValueAt(i), "its group was not created");
            continue;
        }
        SetWindowTextA(mainWindow, command);
        ok = ProgramManagerLink(LinkExecute, command);
        LogLine("%s %s", group ? "group" : "item", command);
    }
    ProgramManagerLink(LinkDisconnect, nullptr);

    SetWindowTextA(mainWindow, savedCaption);
    if (!ok)
        ShowMessage(mainWindow, "DDE to Program Manager failed", "Error", MB_OK | MB_ICONEXCLAMATION,
                    IDOK);
}
