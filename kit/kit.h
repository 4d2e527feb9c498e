// The authoring kit: the -lh5- encoder, the archive writer, the distribution
// builder and the setup-script checker. Host-side only; SETUP.EXE never links it.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Formats into a fixed buffer, never past its end; 1 when the whole text fit.
int FormatText(char* out, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));

// ---- Byte buffer -----------------------------------------------------------------

// A growable run of bytes. `failed` is set when an allocation failed; the
// bytes written until then stay.
struct ByteBuffer {
    uint8_t* data;
    size_t size;
    size_t capacity;
    int failed;
};

void InitBuffer(ByteBuffer& b);
void FreeBuffer(ByteBuffer& b);
void AppendBytes(ByteBuffer& b, const void* bytes, size_t n);
// 1 when the whole file was read into b (replacing its contents).
int ReadWholeFile(const char* path, ByteBuffer& b);

// ---- -lh5- encoder (lh5encode.cpp and the lh5*.cpp beside it) ---------------------

// How data is packed: stored; lazy matching in blocks of a fixed size (fast);
// a near-optimal parse with blocks chosen by cost (smallest, slower).
enum PackMode { PackDefault, PackBest, PackStore };

// Appends the packed -lh5- stream of the n bytes at `in` to out: a complete
// stream of its own (no reference before `in`), padded to a whole byte.
// 1 on success, 0 when memory ran out.
int EncodeLh5(const uint8_t* in, size_t n, ByteBuffer& out, PackMode mode);

// Packs `total` bytes read from `in` into `out` as one -lh5- stream, through
// a window of about 540 KB whatever the size (at most 4 GB - 1 bytes); the
// CRC-16 of the bytes read and the bytes written. A StreamResult.
enum StreamResult { StreamOk, StreamReadFailed, StreamWriteFailed, StreamNoMemory, StreamTooLarge };
int EncodeLh5File(FILE* in, uint64_t total, FILE* out, PackMode mode, uint16_t* crc, uint64_t* written);

// Code lengths of a canonical Huffman code for the frequencies, no longer
// than maxLength bits. Symbols of frequency 0 get length 0; a single used
// symbol gets length 0 as well (the caller writes the single form).
// Returns the number of symbols used.
int MakeCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths);

// A file packed once, to be cut into parts (members of consecutive archives).
struct PackedFile;
// Null when memory ran out. `in` must stay until the record is freed.
PackedFile* PackFile(const uint8_t* in, size_t n, PackMode mode);
void FreePackedFile(PackedFile* f);
// The longest part from input position `start` whose data takes at most
// `room` bytes: its data (a -lh5- stream of its own, or the bytes themselves
// when the file does not pack) in out, replacing its contents, and where it
// ends in *end (start when nothing fits). 0 when memory ran out.
int CutPart(PackedFile& f, size_t start, uint64_t room, ByteBuffer& out, size_t* end);

// The same parts from a file packed as it is read (lh5spool.cpp), its stream
// and tokens in scratch files of `folder`, so that memory does not grow with
// the file: null on failure, with *result a StreamResult.
struct SpooledFile;
SpooledFile* PackFileSpooled(const char* path, uint64_t n, PackMode mode, const char* folder, int* result);
void FreeSpooledFile(SpooledFile* f);
// As CutPart, but `out` holds the part's own bytes instead when they are no
// more than its stream (then stored); the CRC-16 of the part's bytes in *crc.
int CutSpooledPart(SpooledFile& f, uint64_t start, uint64_t room, ByteBuffer& out, uint64_t* end, uint16_t* crc);

// ---- Archive writer (lzhwrite.cpp) ----------------------------------------------------

enum MemberKind {
    MemberWhole = 0,     // "-lh0-" / "-lh5-"
    MemberSplitFirst,    // "<sto>" / "<cmp>": a file that continues in a later archive
    MemberSplitNext,     // "<st+>" / "<cm+>": appended to the file begun before
    MemberFolder,        // "-lhd-": a folder to create, no data
};

// The DOS date (high 16 bits) and time (low 16 bits) of a Unix time stamp,
// in local time; 1980-01-01 00:00 for anything earlier.
uint32_t DosDateTime(long long unixTime);

// Longest name the level-1 header holds (the header size byte counts 25 + N).
constexpr int MaxMemberName = 230;
// Largest file a member holds: its sizes are 32-bit fields.
constexpr uint64_t MaxMemberBytes = 0xFFFFFFFFu;

// Appends one member to an archive image: base header (level 1, "\" in name,
// OS 'M', no extension header) and data. The data is packed in `mode` unless
// packing does not make it smaller, then stored. 1 on success, 0 when the
// name is too long or memory ran out.
int AppendMember(ByteBuffer& archive, const char* name, const uint8_t* data, size_t n,
                 uint32_t dosTime, MemberKind kind, PackMode mode);
// The member's bytes in `member` (replacing its contents). 0 as for AppendMember.
int BuildMember(ByteBuffer& member, const char* name, const uint8_t* data, size_t n,
                uint32_t dosTime, MemberKind kind, PackMode mode);
// The same with the data already packed (as CutPart gives it): stored when
// `packed` is not smaller than the data.
int BuildPackedMember(ByteBuffer& member, const char* name, const uint8_t* data, size_t n,
                      const ByteBuffer& packed, uint32_t dosTime, MemberKind kind);
// The same for a part of n bytes of CRC `crc`: `packed` is its stream when
// smaller than n, else its n bytes.
int BuildPartMember(ByteBuffer& member, const char* name, uint64_t n, uint16_t crc, const ByteBuffer& packed,
                    uint32_t dosTime, MemberKind kind);
// Appends the file at `path` (n bytes) to `out`, a seekable archive being
// written, as a whole member, reading it once to pack it (twice when it is
// then stored); memory stays the same whatever its size. A StreamResult:
// StreamTooLarge for a file above MaxMemberBytes, StreamNoMemory also for a
// name too long. On failure part of a member may be left at the end of out.
int WriteFileMember(FILE* out, const char* name, const char* path, uint64_t n, uint32_t dosTime, PackMode mode);
// Bytes of a member's header for a name.
size_t MemberHeaderBytes(const char* name);
// Ends an archive image with the end marker.
void EndArchive(ByteBuffer& archive);
int WriteBufferToFile(const char* path, const ByteBuffer& b);

// `lzhx a`: argv[0] is "a". Exit status as the tool reports it.
int LzhxAdd(int argc, char** argv);

// ---- Names (names.cpp) -------------------------------------------------------------------

constexpr int PathBytes = 4096;

// Why a file cannot stand on a disk under this name (into `why`), or null when
// it can: a plain 8.3 short name of ASCII letters, digits and !#$%&'()-@^_`{}~
// that cannot change the meaning of a setup-script line.
const char* DiskNameProblem(const char* name, char* why, size_t capacity);
// 1 when every ""-separated component of a member name is an 8.3 short name
// (bytes above 127 count as characters): Windows 3.1 can create it.
bool IsShortPath(const char* name);
// ASCII letters to upper case, in place.
void UpperCase(char* text);
// 1 when the host converts UTF-8 into the ANSI code page (1252, 1250, 932, ...).
bool KnownCodePage(int codePage);
// UTF-8 text in the code page; 0 when a character has no form in it (or a
// double-byte character would hold a "" byte).
int ToCodePage(int codePage, const char* text, char* out, size_t capacity);
// Why a member name (UTF-8, "" between folders) cannot go into an archive,
// or null with `member` its bytes in the code page.
const char* MemberNameProblem(const char* name, int codePage, char* member, size_t capacity, char* why,
                              size_t whyCapacity);

// The name under which Windows finds a file: per "\"-separated component,
// trailing dots and blanks dropped, letters in upper case as Windows compares
// them (in Unicode, so the code page's accented and Cyrillic letters count
// too). `name` is in code page `codePage`, or UTF-8 when it is 0. The key is
// UTF-8; 0 when it did not fit or the name does not convert.
int WindowsNameKey(int codePage, const char* name, char* key, size_t capacity);
// Why Windows would not create one component of n bytes under its own name
// ("ends in a dot", "ends in a blank"), or null.
const char* TrailingProblem(const char* component, size_t n);

// A file that entries install, for finding two entries that install the same
// one: `key` is the target path's WindowsNameKey.
struct InstallSite {
    char* key;
    int line;
    char* shown;     // the path as written, for the message
};
// Sorts the sites and calls `same` once for each site whose key an earlier
// line's site had (the earlier one passed first). Sites of one line are not
// compared with each other.
void FindSameInstalls(InstallSite* sites, int count,
                      void (*same)(void* context, const InstallSite& first, const InstallSite& second),
                      void* context);

// ---- Text in the code page (encoding.cpp) ------------------------------------------------

// 1 when the n bytes are valid UTF-8.
bool IsUtf8(const char* text, size_t n);
// Line (from 1) of the first byte above 127, or 0 when there is none.
int FirstHighByteLine(const char* text, size_t n);
struct TextFault {
    int line;               // where the first character the code page lacks stands
    char character[8];      // that character, UTF-8
};
// The n bytes of UTF-8 text in the code page, into out (replacing it). 0 with
// `fault` set when a character has no form there (or memory ran out).
int TextToCodePage(int codePage, const char* text, size_t n, ByteBuffer& out, TextFault& fault);

// ---- Folder walk (walk.cpp) ------------------------------------------------------------------

struct SourceFile {
    char path[PathBytes];
    char member[MaxMemberName + 1];  // in the code page; a folder's ends in "\"
    int folder;                      // an empty folder, kept as a directory member
    int64_t size;
    long long mtime;
};

struct SourceList {
    SourceFile* files;
    int count;
    int capacity;
    char error[PathBytes + 256];     // why the walk stopped
};

struct WalkOptions {
    int codePage;
    int skip;                        // leave out the file skipDevice/skipInode
    unsigned long long skipDevice;
    unsigned long long skipInode;
};

// Adds PATH (a file, or a folder with everything below it, in name order)
// to the list; `name` is PATH's member name in UTF-8 ("" for a folder whose
// contents are named from it). 0 on success, else 1 with list.error set.
int CollectSources(const char* path, const char* name, const WalkOptions& o, SourceList& list);
void FreeSources(SourceList& list);
// Files of a list gathered from several paths: none whose member name
// Windows takes for another's (letter case, trailing dots and blanks; a
// folder's "\" left out). 1 with list.error naming the later file and the
// earlier one when two clash, else 0.
int CheckMemberTwins(SourceList& list, int codePage);

// ---- Setup-script checker (check.cpp) -------------------------------------------------

struct CheckOptions {
    const char* const* diskDirs;   // folders of the disks in order, or the one medium
    int diskCount;                 // 0: take the script's own folder as the one medium
    FILE* report;                  // where diagnostics go
    int diskSectionsReplaced;      // the author's script: the builder writes its Disk sections
    int codePage;                  // of the names in the archives (0: 1252)
};

// Checks a setup script (and, when given, the disks it is shipped on).
// Returns the number of errors reported.
int CheckScript(const char* scriptPath, const CheckOptions& options);
// The catalogue key nearest to an unknown key, or null when none is close.
const char* SuggestKey(const char* key);

// ---- Distribution builder (build.cpp, media.cpp) -----------------------------------------

struct Medium {
    const char* name;        // "360", "720", "1200", "1440", "2880", "single"
    int32_t clusterBytes;    // 0 for a single medium without limits
    int32_t clusters;        // data clusters of an empty disk
    int32_t rootEntries;     // root directory entries
};

// The medium for a name, or null.
const Medium* FindMedium(const char* name);
// Bytes a file of `size` takes on the medium: whole clusters.
int64_t OnDiskBytes(const Medium& m, int64_t size);

struct BuildOptions {
    const char* description;  // the author's description file
    const char* setup;        // SETUP.EXE to ship instead of the description's, or null
    const char* outDir;       // one folder per disk is made below it
    const Medium* medium;
    int images;               // also write a FAT12 image per floppy
    int codePage;             // of member names and targets (0: 1252)
    PackMode pack;            // how archives are packed
    FILE* log;                // what each disk holds, or null
    FILE* progress;           // a line per archive packed and per disk written, or null
};

// 0 on success; a non-zero exit status after a message on stderr.
int BuildDistribution(const BuildOptions& options);

// ---- Trying a set (try.cpp) ---------------------------------------------------------------

struct TryOptions {
    const char* outDir;       // a set made by BuildDistribution
    const char* setup;        // SETUP.EXE to run instead of the set's, or null
    const char* answers;      // answer rules put before the defaults, or null
    int keep;                 // leave the Wine prefix in OUTDIR/try/prefix
    int unattended;           // SETUP.EXE /S /LOG= from the disk folders, nothing answered
};

// Notes in OUTDIR which description a set was built from (for try).
int RecordBuild(const char* outDir, const char* description, int codePage);
// The path of NAME among the kit's parts (try.sh, wauto.exe, SETUP.EXE),
// found relative to this program's own location. 0, or 1 after a message.
int FindKitPart(const char* name, char* path, size_t capacity);
// Installs the set under Wine headless and compares the installed files with
// their sources; runs tools/wine/try.sh in place of this process. Returns
// only on failure (1 after a message).
int TryDistribution(const TryOptions& options);
