// Relaunch from a temporary copy under Windows 3.1 (not built yet: never needed).
#include "app/app.h"

bool CheckRelaunch(HWND)
{
    return false;
}

void RelaunchFromTemp(HWND)
{
}
