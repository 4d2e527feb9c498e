// Path helpers over MS-DOS style paths ("\" between components, optional drive
// letter and colon) and the process's current drive and directory. None shows
// a message; each reports by its result.
#pragma once

#include <stdio.h>

// Attribute bits of a directory entry.
constexpr unsigned AttrReadOnly  = 0x01;
constexpr unsigned AttrHidden    = 0x02;
constexpr unsigned AttrSystem    = 0x04;
constexpr unsigned AttrDirectory = 0x10;
constexpr unsigned AttrArchive   = 0x20;

// 1 when a directory search for path finds an entry the attribute mask admits:
// with 0 only plain files count, with AttrDirectory directories count too.
int PathExists(const char* path, unsigned attributes);
// Creates the directories of the directory part of filePath, relative to the
// current directory; 1 on success, 0 without a directory part or when a
// directory could not be entered. The current directory is put back.
int MakePathDirs(const char* filePath);
// Creates dirPath and all its missing parents.
int MakeDirs(const char* dirPath);
// 1 when path names a directory or is a bare drive ("C:").
int IsDirectory(const char* path);

// Opens a file named by an MS-DOS style path with fopen's mode. Natively "\"
// is taken as the separator and a drive letter is dropped.
FILE* OpenPathFile(const char* path, const char* mode);

// The full path of path as the current drive and directory resolve it, "."
// and ".." components taken out, in out (capacity bytes); 0 when it does not
// fit. Two spellings of one file give the same text but for letter case.
int FullPathOf(const char* path, char* out, int capacity);

// The last name decides: a target names a directory when it has no "." after
// its last "\" ("C:\V1.0\DOCS", "C:\APP"), a file otherwise ("README.TXT").
bool LooksLikeDirectory(const char* target);
// directory, "\" and name into out (capacity bytes): 1 when it fit; 0, with
// out empty, when it did not, so that a cut path is never used.
int JoinName(const char* directory, const char* name, char* out, int capacity);
