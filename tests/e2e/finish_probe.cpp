// Runs the completion step by itself: loads install.cfg from the current
// directory as the setup script, opens a window, calls FinishInstall with the
// result given as the first word and ends when the window is closed. It
// drives the paths of the step that the install sequence reaches only late
// (an aborted installation, failures counted earlier).
//   finish_probe RESULT [FAILURES]
#include <stdlib.h>

#include "app/app.h"
#include "app/setup.h"

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
    char* end;
    int result = static_cast<int>(strtol(commandLine, &end, 10));
    FailureCount = static_cast<int32_t>(strtol(end, nullptr, 10));
    Script = new ConfigFile(100, "install.cfg");
    GetCurrentDirectoryA(PathCapacity, DestDir);
    GetCurrentDirectoryA(PathCapacity, StartDir);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.lpszClassName = "FinishProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "FinishProbe", "Finish probe", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                  200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    FinishInstall(window, result);

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    delete Script;
    return static_cast<int>(msg.wParam);
}
