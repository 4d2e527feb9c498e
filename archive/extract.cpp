// The extraction driver: walks the members of an archive, writes each below
// the current directory (continuation members appended to the file that an
// earlier archive began), shows the name and the archive's percentage in the
// unpack dialog and lets the dialog's messages run between members.
#include <string.h>

#include "archive/extractor.h"
#include "archive/paths.h"
#include "archive/results.h"
#include "archive/window.h"

ArchiveExtractor Extractor;
int LastPercentSent = -1;
bool CancelRequested;
int32_t FailureCount;

void InstallUnpackContext(const UnpackContext& context)
{
    Extractor.context = context;
}

void ResetUnpackContext()
{
    memset(&Extractor.context, 0, sizeof Extractor.context);
}

void SetExtractOutput(ExtractOutput output, FILE* stream)
{
    Extractor.output = output;
    Extractor.outputStream = stream;
}

const char DirectoryMethodId[] = "-lhd-";

// Names that Windows opens as a device in every directory, whatever the
// extension: "NUL.TXT" and "com1" are devices too.
static int IsDeviceName(const char* component, size_t length)
{
    static const char* const Devices[] = {"CON", "NUL", "AUX", "PRN", "CONIN$", "CONOUT$"};
    // The base name: up to the first dot, without the blanks Windows drops.
    size_t base = 0;
    while (base < length && component[base] != '.')
        base++;
    while (base > 0 && component[base - 1] == ' ')
        base--;
    char upper[8];
    if (base == 0 || base >= sizeof upper)
        return 0;
    for (size_t i = 0; i < base; i++) {
        char c = component[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    upper[base] = '\0';
    for (const char* device : Devices) {
        if (strcmp(upper, device) == 0)
            return 1;
    }
    return base == 4 && (memcmp(upper, "COM", 3) == 0 || memcmp(upper, "LPT", 3) == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

int IsUnsafeName(const char* name)
{
    if (name[0] == '\\' || name[0] == '/')
        return 1;
    if (strchr(name, ':'))  // a drive, or a stream name on NTFS
        return 1;
    // A component of dots (and blanks, which Windows drops at the end of a
    // name) with at least two dots climbs out of the directory.
    const char* p = name;
    while (*p) {
        int dots = 0;
        int others = 0;
        const char* component = p;
        for (; *p && *p != '\\' && *p != '/'; p++) {
            if (*p == '.')
                dots++;
            else if (*p != ' ')
                others++;
        }
        if (dots >= 2 && others == 0)
            return 1;
        if (IsDeviceName(component, static_cast<size_t>(p - component)))
            return 1;
        if (*p)
            p++;
    }
    return 0;
}

// Extension headers follow the base header back to back; each ends with the
// size of the next one, 0 ending the chain. Their contents are not used.
static void SkipExtensionHeaders()
{
    MemberHeader& h = Extractor.header;
    uint32_t size = HeaderField(h.size - 2, 2);
    while (size != 0) {
        // Each header holds at least the next size field and lies within the
        // member's packed bytes.
        if (size < 2 || size > h.packedRemaining)
            FatalError(MsgCantRead);
        h.packedRemaining -= size;
        uint8_t next[2];
        if (!ArchiveSkip(size - 2) || ArchiveRead(next, 2) != 2)
            FatalError(MsgCantRead);
        size = next[0] | (next[1] << 8);
    }
}

// Sends the archive's percentage when its integer value changed.
static void ReportPercentage()
{
    const UnpackContext& c = Extractor.context;
    int64_t length = Extractor.archive.length;
    if (!c.percentControl || length <= 0)
        return;
    int p = static_cast<int>(ArchivePosition() * 100 / length);
    if (p == LastPercentSent)
        return;
    char text[16];
    snprintf(text, sizeof text, "%2d%%", p);
    SetControlText(c.percentControl, text);
    SendProgressMessage(c.dialog, c.progressMessage, p);
    LastPercentSent = p;
}

static FILE* OpenOutput(const char* name, const char* mode)
{
    switch (Extractor.output) {
    case OutputFiles:
        return OpenPathFile(name, mode);
    case OutputStream:
        return Extractor.outputStream;
    case OutputDiscard:
        break;
    }
    return nullptr;
}

// The last bytes of a member may still sit in the stream's buffer: a disk that
// fills up while they are flushed fails here, not in fwrite.
static void CloseOutput(FILE* file)
{
    if (file && Extractor.output == OutputFiles && fclose(file) != 0)
        FatalError(MsgUnableWrite);
}

void (*MemberFailureHook)(const char* name);
void (*MemberWrittenHook)(const char* name, uint32_t size, uint16_t crc, bool appended);

// The file of the member before this one in the archive under way and how it
// went, and the CRC-16 of all its parts so far (for continuation members
// checked without writing files).
enum ChainState { ChainNone, ChainWritten, ChainFailed };
static ChainState Chain;
static uint16_t ChainCrc;

// Members are told apart by their full paths when they go to files: two
// archives extracted into different folders name one file differently
// ("LAST\BIG.TXT" from the destination, "BIG.TXT" from its folder LAST).
static const int ChainPathCapacity = 1024;
static char ChainName[ChainPathCapacity];

// Files waiting for their next part: the last member of each archive, which
// a continuation member of a later archive may append to, with other
// archives, copies and profile entries between the two. A later member of the
// same name, continuation or not, takes the file off the list. When the list
// is full the oldest entry gives way.
struct WaitingFile {
    ChainState state;  // ChainNone: a free slot
    uint16_t crc;
    char path[ChainPathCapacity];
};
static const int WaitingCapacity = 16;
static WaitingFile Waiting[WaitingCapacity];
static int WaitingNext;
// An archive was left out: the files it would have left waiting are unknown.
static bool PartsLost;

static void ChainKey(const char* name, char* out, int capacity)
{
    if (Extractor.output != OutputFiles || !name[0] || !FullPathOf(name, out, capacity))
        snprintf(out, static_cast<size_t>(capacity), "%s", name);
}

// The same file, letter case aside.
static bool SameKey(const char* a, const char* b)
{
    for (; *a && *b; a++, b++) {
        char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        char y = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

// Takes the file off the waiting list; what it was waiting as (ChainNone
// when it was not there), with the CRC of its parts so far in *crc.
static ChainState TakeWaiting(const char* key, uint16_t* crc)
{
    for (WaitingFile& w : Waiting) {
        if (w.state != ChainNone && SameKey(w.path, key)) {
            ChainState state = w.state;
            *crc = w.crc;
            w.state = ChainNone;
            return state;
        }
    }
    return ChainNone;
}

static void SetChain(const char* name, ChainState state)
{
    ChainKey(name, ChainName, sizeof ChainName);
    uint16_t crc;
    if (ChainName[0])
        TakeWaiting(ChainName, &crc);
    Chain = state;
}

// At the end of an archive its last member, written or left out, waits for
// a continuation in a later archive.
static void LeaveChainWaiting()
{
    if (Chain != ChainNone && ChainName[0]) {
        WaitingFile& w = Waiting[WaitingNext];
        WaitingNext = (WaitingNext + 1) % WaitingCapacity;
        w.state = Chain;
        w.crc = ChainCrc;
        snprintf(w.path, sizeof w.path, "%s", ChainName);
    }
    Chain = ChainNone;
    ChainName[0] = '\0';
}

// How the part before a continuation member went: the member just before it
// in this archive, or a file that an earlier archive left waiting.
static ChainState PartBefore(const char* name, uint16_t* crc)
{
    char key[ChainPathCapacity];
    ChainKey(name, key, sizeof key);
    if (Chain != ChainNone && SameKey(key, ChainName)) {
        *crc = ChainCrc;
        return Chain;
    }
    return TakeWaiting(key, crc);
}

void LosePartChain()
{
    PartsLost = true;
}

void ForgetWaitingFile(const char* path)
{
    char key[ChainPathCapacity];
    uint16_t crc;
    if (FullPathOf(path, key, sizeof key))
        TakeWaiting(key, &crc);
}

void ForgetPartChains()
{
    memset(Waiting, 0, sizeof Waiting);
    WaitingNext = 0;
    PartsLost = false;
    Chain = ChainNone;
    ChainName[0] = '\0';
}

// A member that cannot be written is left out: counted, so that success is not
// reported, and told.
static void MemberFailed(const char* name)
{
    FailureCount++;
    SetChain(name, ChainFailed);
    if (MemberFailureHook)
        MemberFailureHook(name);
}

// A directory member: the directory its name gives (with or without a final
// separator) is created below the current directory; an empty name, as
// standard level-1 archives have it, creates nothing.
static void ExtractDirectory(const char* name)
{
    SetChain("", ChainNone);
    if (Extractor.output != OutputFiles || !name[0])
        return;
    char path[HeaderBufferSize + 8];
    size_t length = strlen(name);
    bool separator = name[length - 1] == '\\' || name[length - 1] == '/';
    snprintf(path, sizeof path, "%s%sX", name, separator ? "" : "\\");
    if (!MakePathDirs(path))
        MemberFailed(name);
}

// The CRC-16 of the file that a continuation member appends to, as it stands
// before the append; 0 when it is not known (then only the member's own CRC
// can match). *found tells whether the file is there to append to; without
// files, whether the part before was written (its CRC is partCrc).
static uint16_t CrcOfExistingFile(const char* name, ChainState before, uint16_t partCrc, bool* found)
{
    *found = false;
    if (Extractor.output != OutputFiles) {
        *found = before == ChainWritten;
        return *found ? partCrc : 0;
    }
    FILE* f = OpenPathFile(name, "rb");
    if (!f)
        return 0;
    *found = true;
    uint16_t crc = 0;
    uint8_t* buffer = Extractor.decoder.window;
    size_t n;
    while ((n = fread(buffer, 1, WindowSize, f)) > 0)
        crc = UpdateCrc16(crc, buffer, n);
    fclose(f);
    return crc;
}

void ExtractMember()
{
    MemberHeader& h = Extractor.header;
    const char* name = h.name;
    // Checked before anything is created: such a name never reaches the disk.
    if (IsUnsafeName(name))
        FatalError(MsgUnsafeName);
    if (Extractor.context.nameControl)
        SetControlText(Extractor.context.nameControl, name);

    if (memcmp(h.buffer, DirectoryMethodId, 5) == 0) {
        ExtractDirectory(name);
        SkipMember();
        return;
    }
    char method = LookupMethod(h.buffer);
    if (!method) {
        // A method this reader does not know: the file cannot be written.
        // Nothing is created (an existing file keeps its contents).
        MemberFailed(name);
        SkipMember();
        return;
    }

    const char* mode = "wb";
    bool append = method == MethodCompressedAppend || method == MethodStoredAppend;
    uint16_t fileCrc = 0;
    if (append) {
        uint16_t partCrc = 0;
        ChainState before = PartBefore(name, &partCrc);
        if (Extractor.partsChained &&
            (before == ChainFailed || (before == ChainNone && PartsLost))) {
            // The part before it was left out, and that was counted and
            // told: so is the rest of the file.
            SetChain(name, ChainFailed);
            SkipMember();
            return;
        }
        mode = "ab";
        method = method == MethodCompressedAppend ? MethodCompressed : MethodStored;
        bool found = false;
        fileCrc = CrcOfExistingFile(name, before, partCrc, &found);
        // Appended to anything else, the part would make a file of its end
        // alone, or of two files' pieces.
        if (Extractor.partsChained && !(before == ChainWritten && found))
            FatalError(MsgOrphanPart);
    }
    if (Extractor.output == OutputFiles)
        MakePathDirs(name);

    FILE* out = OpenOutput(name, mode);
    if (!out && Extractor.output != OutputDiscard) {
        MemberFailed(name);
        SkipMember();
        return;
    }

    SkipExtensionHeaders();
    if (method == MethodCompressed)
        StartDecoder();

    uint8_t* buffer = Extractor.decoder.window;
    uint16_t crc = 0;
    uint32_t size = h.unpackedRemaining;
    while (h.unpackedRemaining != 0) {
        unsigned n = h.unpackedRemaining < static_cast<uint32_t>(WindowSize)
                         ? h.unpackedRemaining
                         : static_cast<unsigned>(WindowSize);
        if (method == MethodCompressed) {
            DecodeChunk(n, buffer);
        } else {
            // Stored data lies within the member's packed bytes.
            if (n > h.packedRemaining || ArchiveRead(buffer, n) != n)
                FatalError(MsgCantRead);
            h.packedRemaining -= n;
        }
        if (out && fwrite(buffer, 1, n, out) != n)
            FatalError(MsgUnableWrite);
        crc = UpdateCrc16(crc, buffer, n);
        if (append)
            fileCrc = UpdateCrc16(fileCrc, buffer, n);
        h.unpackedRemaining -= n;
        ReportPercentage();
    }
    // Whatever the decoder did not need (or a stored member's surplus) is
    // skipped, so that the next header is read where this member ends.
    SkipMember();
    CloseOutput(out);
    Extractor.crc = crc;
    // A standard member carries the CRC of its own data. For a continuation
    // part, tools differ: some store the CRC of the part, some that of the
    // whole file up to the part's end. Either is accepted.
    SetChain(name, ChainWritten);
    ChainCrc = append ? fileCrc : crc;
    if (crc != h.storedCrc && !(append && fileCrc == h.storedCrc))
        FatalError(MsgCrc);
    if (MemberWrittenHook && out)
        MemberWrittenHook(name, size, h.storedCrc, append);
}

int ExtractArchive(const char* archivePath)
{
    if (!OpenArchive(archivePath))
        return StepAborted;
    int result = StepDone;
    Chain = ChainNone;
    while (ReadMemberHeader()) {
        ExtractMember();
        if (Extractor.context.dialog) {
            PumpDialogMessages(Extractor.context.dialog);
            if (CancelRequested) {
                result = StepAborted;
                break;
            }
        }
    }
    LeaveChainWaiting();
    CloseArchive();
    return result;
}
