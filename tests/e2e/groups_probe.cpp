// Runs the Program Manager step by itself against a stand-in for the DDE
// client library, to show what the step sends and what it does when no
// Program Manager answers. The step is the program's own code; only the DDE
// calls it imports are replaced here (by defining their import slots, which
// the linker then takes instead of user32's).
//   groups_probe record      every call the step makes, with the caption
//   groups_probe noserver    no Program Manager answers the connect
//   groups_probe nodata N    the Nth command cannot be handed over
// The group list is groups.cfg in the current directory, DestDir the current
// directory. Each call is printed on a line of its own to standard output;
// the probe ends when its window is closed after the step.
#include <windows.h>
#include <ddeml.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/setup.h"
#include "steps/steps.h"

static HWND ProbeWindow;
static bool ServerAnswers = true;
static int FailingCommand = 0;  // 1-based; 0: none fails
static int Commands = 0;

static void Print(const char* what, const char* text)
{
    char caption[1024];
    GetWindowTextA(ProbeWindow, caption, sizeof caption);
    printf("%s [%s] caption=[%s]\n", what, text, caption);
    fflush(stdout);
}

static UINT WINAPI FakeInitialize(LPDWORD instance, PFNCALLBACK callback, DWORD flags, DWORD)
{
    char text[64];
    snprintf(text, sizeof text, "flags=0x%lX callback=%s", static_cast<unsigned long>(flags),
             callback ? "yes" : "no");
    Print("initialize", text);
    *instance = 7;
    return DMLERR_NO_ERROR;
}

static HSZ WINAPI FakeCreateString(DWORD, LPCSTR text, int codePage)
{
    char line[64];
    snprintf(line, sizeof line, "%s codepage=%d", text, codePage);
    Print("string", line);
    return reinterpret_cast<HSZ>(static_cast<INT_PTR>(11));
}

static BOOL WINAPI FakeFreeString(DWORD, HSZ)
{
    Print("free string", "");
    return TRUE;
}

static HCONV WINAPI FakeConnect(DWORD, HSZ service, HSZ topic, PCONVCONTEXT context)
{
    bool same = service == topic && service == reinterpret_cast<HSZ>(static_cast<INT_PTR>(11));
    Print("connect", same && !context ? "PROGMAN/PROGMAN" : "unexpected arguments");
    return ServerAnswers ? reinterpret_cast<HCONV>(static_cast<INT_PTR>(22)) : nullptr;
}

static char LastData[2048];

static HDDEDATA WINAPI FakeCreateData(DWORD, LPBYTE data, DWORD length, DWORD offset, HSZ item,
                                      UINT format, UINT flags)
{
    Commands++;
    bool whole = length == strlen(reinterpret_cast<char*>(data)) + 1;
    snprintf(LastData, sizeof LastData, "%s", reinterpret_cast<char*>(data));
    if (!whole || offset || item || format || flags)
        Print("data handle with unexpected arguments", LastData);
    if (Commands == FailingCommand) {
        Print("data handle refused", LastData);
        return nullptr;
    }
    return reinterpret_cast<HDDEDATA>(static_cast<INT_PTR>(33));
}

static HDDEDATA WINAPI FakeTransaction(LPBYTE data, DWORD length, HCONV conversation, HSZ item,
                                       UINT format, UINT type, DWORD timeout, LPDWORD result)
{
    bool expected = data == reinterpret_cast<LPBYTE>(static_cast<INT_PTR>(33)) &&
                    length == static_cast<DWORD>(-1) &&
                    conversation == reinterpret_cast<HCONV>(static_cast<INT_PTR>(22)) && !item &&
                    !format && type == XTYP_EXECUTE && timeout == 1000 && !result;
    Print(expected ? "execute" : "execute with unexpected arguments", LastData);
    return nullptr;
}

static BOOL WINAPI FakeFreeData(HDDEDATA)
{
    Print("free data", "");
    return TRUE;
}

static BOOL WINAPI FakeDisconnect(HCONV)
{
    Print("disconnect", "");
    return TRUE;
}

static BOOL WINAPI FakeUninitialize(DWORD)
{
    Print("uninitialize", "");
    return TRUE;
}

// The import slots the step's calls go through.
extern "C" {
decltype(&DdeInitializeA) __imp_DdeInitializeA = FakeInitialize;
decltype(&DdeCreateStringHandleA) __imp_DdeCreateStringHandleA = FakeCreateString;
decltype(&DdeFreeStringHandle) __imp_DdeFreeStringHandle = FakeFreeString;
decltype(&DdeConnect) __imp_DdeConnect = FakeConnect;
decltype(&DdeCreateDataHandle) __imp_DdeCreateDataHandle = FakeCreateData;
decltype(&DdeClientTransaction) __imp_DdeClientTransaction = FakeTransaction;
decltype(&DdeFreeDataHandle) __imp_DdeFreeDataHandle = FakeFreeData;
decltype(&DdeDisconnect) __imp_DdeDisconnect = FakeDisconnect;
decltype(&DdeUninitialize) __imp_DdeUninitialize = FakeUninitialize;
}

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (strncmp(commandLine, "noserver", 8) == 0)
        ServerAnswers = false;
    else if (strncmp(commandLine, "nodata", 6) == 0)
        FailingCommand = atoi(commandLine + 6);
    GetCurrentDirectoryA(PathCapacity, DestDir);
    GetCurrentDirectoryA(PathCapacity, StartDir);
    GetWindowsDirectoryA(WindowsDir, PathCapacity);
    GroupList = new ConfigFile(50, "groups.cfg");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.lpszClassName = "GroupsProbe";
    RegisterClassA(&wc);
    ProbeWindow = CreateWindowExA(0, "GroupsProbe", "Groups probe", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                  200, nullptr, nullptr, instance, nullptr);
    ShowWindow(ProbeWindow, SW_SHOW);
    CreateProgramGroups(ProbeWindow);
    Print("done", "");

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    delete GroupList;
    return static_cast<int>(msg.wParam);
}
