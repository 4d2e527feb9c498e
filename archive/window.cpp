// The extraction driver's window calls: real on Windows, recording stubs
// elsewhere.
#include "archive/window.h"

#ifdef _WIN32

#include <windows.h>

void SetControlText(WindowHandle control, const char* text)
{
    SetWindowTextA(static_cast<HWND>(control), text);
}

void SendProgressMessage(WindowHandle dialog, uint32_t message, int percent)
{
    SendMessageA(static_cast<HWND>(dialog), message, static_cast<WPARAM>(percent), 0);
}

void PumpDialogMessages(WindowHandle dialog)
{
    MSG msg;
    while (PeekMessageA(&msg, static_cast<HWND>(dialog), 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

#else

#include <stdio.h>
#include <string.h>

WindowStubLog StubLog;
void (*StubPumpHook)(WindowHandle dialog);

void ResetStubLog()
{
    memset(&StubLog, 0, sizeof StubLog);
    StubPumpHook = nullptr;
}

void SetControlText(WindowHandle control, const char* text)
{
    StubLog.textCalls++;
    StubLog.lastTextControl = control;
    snprintf(StubLog.lastText, sizeof StubLog.lastText, "%s", text);
}

void SendProgressMessage(WindowHandle, uint32_t message, int percent)
{
    StubLog.progressCalls++;
    StubLog.lastMessage = message;
    StubLog.lastPercent = percent;
}

void PumpDialogMessages(WindowHandle dialog)
{
    StubLog.pumpCalls++;
    if (StubPumpHook)
        StubPumpHook(dialog);
}

#endif
