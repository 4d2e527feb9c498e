// Where the next disk of a set is looked for when it is not in the drive: a
// set shipped as folders holds each disk in a sibling folder DISKn.
#pragma once

// The folder DISKn beside firstDisk (the first disk's folder, a trailing
// "\" allowed). 0, with out empty, when firstDisk is a drive or a root and
// has no folder beside it, or when the path does not fit in capacity.
int SiblingDiskFolder(const char* firstDisk, int n, char* out, int capacity);
