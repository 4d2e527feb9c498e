// Definitions of the setup driver's process-wide state.
#include "app/setup.h"

char SourceDir[PathCapacity];
char StartDir[PathCapacity];
char DestDir[PathCapacity];
char WindowsDir[PathCapacity];

ConfigFile* Script;
ConfigFile* WinIniEntries;
ConfigFile* SystemIniEntries;
ConfigFile* GroupList;

bool FromFloppy;
bool RunningOnWin31;
bool FirstPaintPending = true;
int32_t Disk1EntryCount;

int ArgCount;
char* ArgVector[ArgMax];

Switches CommandSwitches;
bool Unattended;
char LogPath[PathCapacity];
int UnattendedExit = ExitFailures;
const char* OutcomeText;
