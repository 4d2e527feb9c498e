// Completion: the outcome message, the program named by "Exec", the restart
// offer, and the end of the main window.
#include "app/app.h"
#include "app/setup.h"
#include "script/keys.h"

void FinishInstall(HWND window, int result)
{
    if (result == StepAborted) {
        MessageBoxA(window, "Installation Aborted.", "Error", MB_ICONWARNING | MB_OK);
        SendMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    if (FailureCount == 0) {
        SetCurrentDirectoryA(DestDir);
        MessageBoxA(window, "Installation has completed successfully.", "",
                    MB_ICONINFORMATION | MB_OK);
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
}
