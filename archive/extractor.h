// The ArchiveExtractor: reads LHA archives with level-1 member headers,
// decodes -lh5- data and writes the members below the current directory.
// Its state exists once in the process: one archive is read at a time, on the
// GUI thread. Platform-free; the four window calls go through archive/window.h.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// A window handle as the platform gives it (HWND on Windows); 0 means none.
typedef void* WindowHandle;

// What the unpack dialog hands to the extraction (by copy) and to the file
// copy (by reference). Fields in this order.
struct UnpackContext {
    const char* sourceDir;        // the SourceDir text
    int32_t diskNumber;
    uint32_t progressMessage;     // sent to dialog with the percentage in wParam
    int64_t entrySize;            // bytes (64-bit: a CD may hold more than 2 GB)
    WindowHandle dialog;          // 0: no pump and no cancel check
    WindowHandle nameControl;     // 0: no name display
    WindowHandle percentControl;  // 0: no percentage text, no progress message
};

// Set when the user cancels or the work stops; cleared by the unpack dialog
// when it starts. The extractor only reads it, right after its message pump.
extern bool CancelRequested;

// ---- Format constants --------------------------------------------------------

constexpr int HeaderBufferSize = 255;  // the H bytes after the checksum byte
constexpr int WindowSize = 8192;       // sliding window, also the output chunk
constexpr int WindowMask = WindowSize - 1;
constexpr int SymbolCount = 510;       // 256 literals, 254 match lengths 3..256
constexpr int DistanceCount = 14;
constexpr int AuxCount = 19;           // code-length alphabet
constexpr int SymbolTableBits = 12;
constexpr int AuxTableBits = 8;
constexpr int TreeSize = 2 * SymbolCount - 1;
constexpr int InputBufferSize = 64 * 1024;

// Method codes of LookupMethod: "-lh0-", "-lh5-", "<sto>", "<cmp>", "<st+>", "<cm+>".
constexpr char MethodStored = '0';
constexpr char MethodCompressed = '5';
constexpr char MethodStoredAppend = '1';
constexpr char MethodCompressedAppend = '6';

// Fatal messages. The first four are those of the format's own checks; the others
// report damage found by the further checks of this reader.
extern const char MsgHeaderSum[];    // "Header sum error"
extern const char MsgBadTable[];     // "Bad table"
extern const char MsgCantRead[];     // "Can't read"
extern const char MsgUnableWrite[];  // "Unable to write"
extern const char MsgBadHeader[];    // name runs past the fixed fields
extern const char MsgEndOfArchive[]; // the archive ends without its end marker
extern const char MsgCrc[];          // decoded data does not match the stored CRC
extern const char MsgUnsafeName[];   // member name would leave the target directory
extern const char MsgOrphanPart[];   // a continuation member without the part before it

// ---- State ----------------------------------------------------------------------

// The header of the current member.
struct MemberHeader {
    uint8_t buffer[HeaderBufferSize];  // from the method id on
    uint8_t size;                      // H
    uint8_t checksum;
    uint32_t packedRemaining;    // lowered by extension headers and by the bit reader
    uint32_t unpackedRemaining;  // lowered as output is written
    uint16_t storedCrc;
    const char* name;            // in buffer, zero-terminated
};

// The open archive. Reads go through an own buffer, refilled in big blocks;
// `position` below is the logical offset of the next byte that a caller gets.
struct ArchiveStream {
    FILE* file;                // null when reading from memory or closed
    const uint8_t* memory;     // whole archive in memory (tests, fuzzing)
    const uint8_t* cursor;     // next byte
    const uint8_t* end;        // end of the bytes held
    int64_t bufferOffset;      // archive offset of the byte before which `end` stands
    int64_t length;            // archive length, taken at open (may pass 2 GB)
    uint8_t buffer[InputBufferSize];
};

// Bit input: the look-ahead is kept left-aligned in a 64-bit register, so the
// "window" of the next 16 bits is its top 16 bits. Bytes come from the
// archive's buffer, never beyond the member's packed bytes; after them come
// zero bits, counted in `padBits` so that reading into them can be detected.
//
// The look-ahead guarantee: whenever the reader is not inside a call of its
// own, it holds at least LookAheadBits bits (`count` >= 16), so that GetBits,
// FillBits and the table look-ups may take up to 16 bits without a check.
// FillBits restores it after every use; DecodeChunk, which works on a local
// copy with a deeper look-ahead of its own, restores it each time it hands
// the reader back (before a block header and at the end of a chunk).
constexpr int LookAheadBits = 16;
struct BitReader {
    uint64_t bits;
    int count;        // valid bits in `bits`, padding included
    int padBits;      // zero bits appended after the packed bytes ran out
};

struct DecoderState {
    uint8_t window[WindowSize];  // also the output buffer of each chunk
    unsigned copyPosition;
    unsigned pendingCopy;
    uint32_t blockRemaining;
    uint8_t symbolLengths[SymbolCount];
    uint8_t auxLengths[AuxCount];
    uint16_t symbolTable[1 << SymbolTableBits];
    uint16_t auxTable[1 << AuxTableBits];
    uint16_t leftChild[TreeSize];
    uint16_t rightChild[TreeSize];
};

// Where ExtractMember sends the decoded bytes.
enum ExtractOutput {
    OutputFiles = 0,   // files below the current directory (the program)
    OutputDiscard,     // decode and check only
    OutputStream,      // every member to one stream
};

struct ArchiveExtractor {
    ArchiveStream archive;
    MemberHeader header;
    BitReader bits;
    DecoderState decoder;
    UnpackContext context;     // installed by the unpack dialog
    uint16_t crc;              // running CRC-16 of the member's output
    ExtractOutput output;
    FILE* outputStream;        // for OutputStream
    // Set by the installation: a continuation member must continue a file
    // that is waiting for it (the member before it in the same archive, or
    // the last member of an earlier archive, begun or continued there); one
    // that does not makes the archive damaged. A tool that joins parts
    // extracted one archive at a time leaves it off.
    bool partsChained;
};

extern ArchiveExtractor Extractor;
// The last percentage sent to the unpack dialog, -1 at first; it carries over
// from member to member and from archive to archive.
extern int LastPercentSent;

// ---- Member header, CRC, fatal errors (header.cpp) -------------------------------

// Opens an archive file (or an archive held in memory) and steps over the
// optional signature 00 CC BB AA. 1 on success, 0 when it cannot be opened.
int OpenArchive(const char* path);
void OpenArchiveMemory(const uint8_t* data, size_t size);
void CloseArchive();
// Logical archive position.
int64_t ArchivePosition();
// Reads up to n bytes; the count read.
size_t ArchiveRead(void* out, size_t n);
// Moves the position forward by n bytes; 0 when the archive ends first.
int ArchiveSkip(uint32_t n);
// Refills the input buffer when it is empty; 0 at the end of the archive.
int RefillArchive();

int ReadMemberHeader();
uint32_t HeaderField(int offset, int width);
uint8_t HeaderChecksum();
char LookupMethod(const uint8_t* headerBuffer);
int SkipMember();

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t n);

// Writes the message to stderr and ends the process with exit status 1.
// A fuzzing or test harness may install a hook that does not return to the
// caller (it long-jumps out); if the hook returns, the process still ends.
[[noreturn]] void FatalError(const char* message);
extern void (*FatalErrorHook)(const char* message);

// ---- Bit input and decode tables (bits.cpp) --------------------------------------

void StartBits();
// Tops the look-ahead up to at least 56 bits (zero bits past the packed bytes).
void RefillBits();
void FillBits(int n);
unsigned GetBits(int n);
// 1 when bits past the member's packed bytes were consumed (not just looked at).
int BitsOverrun();
// Fills table and the overflow tree; FatalError("Bad table") on a set that is
// not a complete prefix code, with a length above 16, or all zero.
void BuildDecodeTable(int symbolCount, const uint8_t* lengths, int tableBits, uint16_t* table);

// ---- Decoder (decoder.cpp) --------------------------------------------------------

void StartDecoder();
void DecodeChunk(unsigned count, uint8_t* buffer);
unsigned DecodeSymbol();
unsigned DecodeDistance();
void ReadAuxLengths(int count, int fieldBits, int specialIndex);
void ReadSymbolLengths();

// ---- Extraction (extract.cpp) -----------------------------------------------------

// The unpack dialog installs its context before ExtractArchive and resets it
// after the call returns.
void InstallUnpackContext(const UnpackContext& context);
void ResetUnpackContext();

// 2 when every member up to the end marker was processed; 3 when the archive
// cannot be opened or a cancel was seen after a member.
int ExtractArchive(const char* archivePath);
void ExtractMember();
// Told the name of each member that cannot be written (its file or directory
// cannot be made, or its method is unknown), after the failure was counted;
// the archive goes on. Null: nothing is told.
extern void (*MemberFailureHook)(const char* name);
// Told each member written whole and checked: its name, its size, the CRC
// that matched, and whether it was appended to the file begun before. Null:
// nothing is told.
extern void (*MemberWrittenHook)(const char* name, uint32_t size, uint16_t crc, bool appended);
// An archive was left out (not found, its folder or source unusable): with
// partsChained, a continuation whose beginning is not known is from then on
// left out quietly, not taken for damage (that failure was counted already).
void LosePartChain();
// Forgets the files waiting for their next part and any archive left out.
void ForgetPartChains();
// A file written afresh by something other than a member (a copy) no longer
// waits for its next part: a continuation would append to the wrong bytes.
void ForgetWaitingFile(const char* path);
// Chooses where members go (OutputFiles is the default).
void SetExtractOutput(ExtractOutput output, FILE* stream);
// 1 when a member name could write outside the target directory: a drive
// letter or any colon, a leading "\" or "/", or a ".." component; or open a
// device instead of a file: a component named CON, NUL, AUX, PRN, CONIN$,
// CONOUT$, COM1 to COM9 or LPT1 to LPT9, in any case, with any extension.
int IsUnsafeName(const char* name);
// Method id of a directory member ("-lhd-"): it holds no data; its name, when
// it has one, is a directory to create.
extern const char DirectoryMethodId[];
