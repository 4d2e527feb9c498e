// Destination directory dialog (not built yet: the destination is taken as given).
#include "app/setup.h"
#include "steps/steps.h"

void QueryDestination(HWND mainWindow)
{
    PostMessageA(mainWindow, UM_UNPACK, 0, 0);
}

SETUP_EXPORT INT_PTR CALLBACK GetPathDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

void CenterDialog(HWND)
{
}
