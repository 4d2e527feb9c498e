// The four window calls of the extraction driver. In the Windows builds they
// are the real calls; natively they are stubs that record what they were
// asked, so the same extraction code runs and can be checked in tests.
#pragma once

#include <stdint.h>

#include "archive/extractor.h"

// SetWindowTextA.
void SetControlText(WindowHandle control, const char* text);
// SendMessageA(dialog, message, percent, 0).
void SendProgressMessage(WindowHandle dialog, uint32_t message, int percent);
// PeekMessageA with the dialog as filter and PM_REMOVE, TranslateMessage and
// DispatchMessageA, until no message is waiting.
void PumpDialogMessages(WindowHandle dialog);

#ifndef _WIN32
// What the native stubs were asked, for tests.
struct WindowStubLog {
    int textCalls;
    WindowHandle lastTextControl;
    char lastText[256];
    int progressCalls;
    uint32_t lastMessage;
    int lastPercent;
    int pumpCalls;
};
extern WindowStubLog StubLog;
// Called by the pump stub, e.g. to set CancelRequested as a click would.
extern void (*StubPumpHook)(WindowHandle dialog);
void ResetStubLog();
#endif
