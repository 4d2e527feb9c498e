// win.ini and system.ini entries (not built yet: nothing is written).
#include "steps/steps.h"

void WriteProfileEntries(ConfigFile*, const char*)
{
}
