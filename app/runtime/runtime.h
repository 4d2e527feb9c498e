// The program's own runtime for the Windows builds of SETUP.EXE. The program
// links no C runtime DLL: every C library name the code calls is defined here
// over KERNEL32 alone, so the program starts on systems that never had one.
// The platform-free code keeps calling the standard names through the usual
// headers (string.h, stdio.h, stdlib.h); the native build gets them from the
// host's C library instead.
//
// What is available (anything else fails at link time; add it here, but
// only what the program calls: every system function a definition here uses
// becomes an import even when nothing calls the definition):
//
//   entry.cpp    WinMainCRTStartup (the entry point: command line, show
//                state, global constructors, WinMain, ExitProcess), exit,
//                _exit, abort, atexit
//   memory.cpp   malloc, calloc, realloc, free on the process heap;
//                operator new and delete (null on failure, -fcheck-new)
//   strings.cpp  memcpy, memmove, memset, memcmp, memchr, strlen, strnlen,
//                strchr, strrchr, strcmp, strncmp, strpbrk,
//                _stricmp, _strnicmp, toupper, tolower
//   format.cpp   FormatText, the formatter behind the printf family (pure,
//                also built natively for its tests)
//   printf.cpp   __ms_vsnprintf, the name MinGW's inline snprintf and
//                vsnprintf call
//   files.cpp    fopen ("r", "w", "a", each with "b" and "+"; no text-mode
//                translation), fclose, fread, fwrite, fgetc, fputc,
//                fputs, fgets, fflush (null: every open file), fseek,
//                ftell, feof, ferror, clearerr, setvbuf, stdout and
//                stderr (the standard handles, unbuffered)
//   drive.cpp    _getdrive, _chdrive, getcwd, _getcwd
//
// Semantics the code relies on:
// - Formatting is bounded and C99: output is cut at the capacity, always
//   terminated when the capacity is above 0, and the result is the length the
//   whole text would have had. Conversions: d i u x X o c s p %, flags
//   "-0+ #", width and precision (digits or *), lengths hh h l ll z t j I I32
//   I64. No floating point. An unknown conversion is copied as it stands.
// - Files are buffered; a write error, or a short write, sets the error flag
//   and is reported by the call's result, by fflush and by fclose. "a" writes
//   always go to the end of the file. Offsets are 32-bit (long).
// - exit flushes and closes every open file, then ends the process.
#pragma once

#include <stdarg.h>
#include <stddef.h>

// Formats into out (capacity bytes, may be 0 with out null) as vsnprintf does.
// Returns the length of the whole text, or -1 for a capacity beyond INT_MAX.
int FormatText(char* out, size_t capacity, const char* format, va_list args);

// Flushes and closes every file still open (exit calls it).
void CloseAllFiles();
