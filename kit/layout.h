// The layout of a distribution: which files each disk holds, counted as a
// FAT12 floppy holds them. Made by layout.cpp, written out by build.cpp.
#pragma once

#include "kit/kit.h"

constexpr int MaxDisks = 99;
constexpr int MaxItems = 1000;

// ---- What the disks will hold ---------------------------------------------------------

struct DiskFile {
    char name[64];         // name on the disk
    char source[PathBytes];// file to copy, or "" when the data is in `data`
    int spooled;           // source is the builder's own file in the spool folder, moved into place
    ByteBuffer data;       // archive or generated file
    int64_t size;
    int line;              // the description line that put it there (0: the builder's own)
    int part;              // 2, 3, ... for a continuation of the archive `partOf`
    char partOf[64];
};

struct DiskEntry {
    char key[64];
    char value[300];
};

struct Disk {
    DiskFile* files;
    int fileCount;
    int fileCapacity;      // grows as files come, up to 256
    DiskEntry* entries;
    int entryCount;
    int64_t freeBytes;     // left for files, in whole clusters
    int32_t freeEntries;   // root directory entries left
};

struct Layout {
    Disk disks[MaxDisks];
    int diskCount;
    const Medium* medium;
    bool multi;            // a set of disks with thisdisk files
    PackMode pack;         // how archives are packed
    FILE* progress;        // a line per archive packed, or null
    char spool[PathBytes]; // folder where archives are written as they are made
    int spoolCount;        // archive files written there so far
};

enum ItemKind { ItemArchive, ItemCopy, ItemProfile };

struct Item {
    ItemKind kind;
    char name[64];               // archive name
    char source[PathBytes];
    char target[300];
    int line;
    SourceList sources;          // what it packs or copies, checked
};

struct Description {
    char path[PathBytes];        // the description file
    char folder[PathBytes];
    char setup[PathBytes];
    char script[PathBytes];
    char companions[8][PathBytes];
    int companionCount;
    Item* items;
    int itemCount;
    int codePage;                // of member names and targets
};

// Set while a layout is only tried: its failures are no errors yet.
extern bool QuietFailures;

// The description line being laid out (0: none): failures name it.
extern const char* FailFile;
extern int FailLine;

// Writes the message to stderr (unless QuietFailures), after "FILE:LINE:
// error: " while a description line is laid out, else after "setupkit: "; 1.
int KitFail(const char* format, const char* what);
const char* BaseName(const char* path);
// The name a file is given on a disk: its own, in upper case.
void DiskNameOf(const char* path, char* name, size_t capacity);
bool IsFolder(const char* path);
int64_t FileSize(const char* path);

// One pass of the layout with `scriptBytes` reserved for the script on disk
// 1. 0 on success, else 1 after a message.
int LayOut(Layout& l, const Description& desc, int64_t scriptBytes);
// Frees the packing a failed layout as one disk kept for the next pass.
void ForgetKeptPacking();
void FreeLayout(Layout& l);
DiskFile* AddFile(const Layout& l, Disk& d, const char* name, const char* source, int64_t size);

// The target a copy or profile entry is written with for a file of `name`
// (on the disk): the file's full path, so that setup reads it alike whatever
// the destination. 0 when it does not fit in `capacity`.
int EntryTarget(ItemKind kind, const char* target, const char* name, char* out, size_t capacity);

// The description of a build read as the builder reads it (0 when it has no
// faults); ReleaseDescription frees it.
int LoadDescription(const char* path, Description& d);
void ReleaseDescription(Description& d);
