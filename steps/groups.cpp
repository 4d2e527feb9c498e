// Program Manager groups and items (not built yet: no group is created).
#include "steps/steps.h"

void CreateProgramGroups(HWND)
{
}
