// Unpack dialog and disk sequence (not built yet: every disk is done at once).
#include "app/setup.h"
#include "steps/steps.h"

int UnpackDisks(HWND)
{
    return StepDone;
}

SETUP_EXPORT INT_PTR CALLBACK UnpackDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
