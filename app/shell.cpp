// The process entry and the main window. The install sequence is a chain of
// posted messages: every step runs inside the handler of the message that the
// previous step posted, so no two steps overlap.
#include <stdio.h>

#include "app/app.h"
#include "app/setup.h"
#include "script/keys.h"
#include "steps/steps.h"
#include "ui/ui.h"

HINSTANCE AppInstance;

static const char ClassName[] = "Install";

// The icons question holds at most 99 characters: a longer program name is
// cut so that the question itself stays whole.
static const int IconsQuestionCapacity = 100;
static const char IconsQuestion[] = "Add icons for %.68s to your desktop?";

static LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HPALETTE previous = SelectPalette(dc, BackgroundPalette, FALSE);
    RealizePalette(dc);
    RECT client;
    GetClientRect(window, &client);
    PaintBackground(dc, &client, &ps.rcPaint);
    PaintTitles(dc, &client, &ps.rcPaint);
    SelectPalette(dc, previous, TRUE);
    RealizePalette(dc);
    EndPaint(window, &ps);

    if (!FirstPaintPending)
        return 0;
    if (CheckRelaunch(window))
        return 0;
    // Cleared before the question, so paints while it is open only paint.
    FirstPaintPending = false;
    if (ShowWelcome(window))
        PostMessageA(window, UM_DESTINATION, 0, 0);
    return 0;
}

static LRESULT OnUnpack(HWND window)
{
    int result = UnpackDisks(window);
    if (result == StepDone) {
        WriteProfileEntries(WinIniEntries, nullptr, window);
        WriteProfileEntries(SystemIniEntries, SystemIniFileName, window);
        PostMessageA(window, UM_GROUPS, 0, 0);
    } else if (result == StepAborted) {
        FinishInstall(window, StepAborted);
    }
    return 0;
}

static LRESULT OnGroups(HWND window)
{
    if (GroupList && GroupList->count > 0) {
        UpdateWindow(window);
        char question[IconsQuestionCapacity];
        snprintf(question, sizeof question, IconsQuestion,
                 GetKey(*Script, KeyProgramName));
        bool create = true;
        if (GetKey(*Script, KeyIconsPrompt))
            create = ShowMessage(window, question, "New Program Group",
                                 MB_ICONQUESTION | MB_YESNO, IDYES) == IDYES;
        if (create) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            CreateProgramGroups(window);
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
    }
    FinishInstall(window, StepDone);
    return 0;
}

static void DestroyStore(ConfigFile*& store)
{
    delete store;
    store = nullptr;
}

// The stores are destroyed after the message loop, not here: a WM_CLOSE that
// arrives while a step waits in a dialog or message box destroys the window
// under the step, which then returns from its modal loop and reads the script
// on its way out.
static void DestroyStores()
{
    DestroyStore(Script);
    DestroyStore(GroupList);
    DestroyStore(WinIniEntries);
    DestroyStore(SystemIniEntries);
}

static LRESULT OnDestroy()
{
    if (BackgroundPalette) {
        DeleteObject(BackgroundPalette);
        BackgroundPalette = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}

SETUP_EXPORT LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:      InitSetup(window, reinterpret_cast<CREATESTRUCTA*>(lParam)); return 0;
    case WM_DESTROY:     return OnDestroy();
    case WM_PAINT:       return OnPaint(window);
    case UM_DESTINATION: QueryDestination(window); return 0;
    case UM_UNPACK:      return OnUnpack(window);
    case UM_GROUPS:      return OnGroups(window);
    case UM_RELAUNCH:    RelaunchFromTemp(window); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand)
{
    if (!previous) {
        WNDCLASSA wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, ClassName);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = ClassName;
        RegisterClassA(&wc);
    }
    HWND window = CreateWindowExA(0, ClassName, ClassName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    MoveWindow(window, desktop.left, desktop.top, desktop.right, desktop.bottom, FALSE);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyStores();
    static const char* const Outcomes[] = {
        "installed", "damaged archive", "stopped before anything was written",
        "not installed completely", "stopped at a disk that could not be found",
        "installed; the script asks for a restart"};
    LogOutcome(OutcomeText ? OutcomeText : Outcomes[UnattendedExit], Unattended ? UnattendedExit : static_cast<int>(msg.wParam));
    // An interactive run ends with 0, as it always has.
    return Unattended ? UnattendedExit : static_cast<int>(msg.wParam);
}
