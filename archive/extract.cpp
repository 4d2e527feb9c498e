// The extraction driver: walks the members of an archive, writes each below
// the current directory (continuation members appended to the file that an
// earlier archive began), shows the name and the archive's percentage in the
// unpack dialog and lets the dialog's messages run between members.
#include <string.h>

#include "app/setup.h"
#include "archive/extractor.h"
#include "archive/paths.h"
#include "archive/window.h"

ArchiveExtractor Extractor;
int LastPercentSent = -1;
bool CancelRequested;

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
        for (; *p && *p != '\\' && *p != '/'; p++) {
            if (*p == '.')
                dots++;
            else if (*p != ' ')
                others++;
        }
        if (dots >= 2 && others == 0)
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
    int32_t length = Extractor.archive.length;
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

static void CloseOutput(FILE* file)
{
    if (file && Extractor.output == OutputFiles)
        fclose(file);
}

void ExtractMember()
{
    MemberHeader& h = Extractor.header;
    const char* name = h.name;
    // Checked before anything is created: such a name never reaches the disk.
    if (IsUnsafeName(name))
        FatalError(MsgUnsafeName);
    if (Extractor.output == OutputFiles)
        MakePathDirs(name);
    if (Extractor.context.nameControl)
        SetControlText(Extractor.context.nameControl, name);

    char method = LookupMethod(h.buffer);
    const char* mode = "wb";
    if (method == MethodCompressedAppend) {
        mode = "ab";
        method = MethodCompressed;
    } else if (method == MethodStoredAppend) {
        mode = "ab";
        method = MethodStored;
    }

    FILE* out = OpenOutput(name, mode);
    if (!out && Extractor.output != OutputDiscard) {
        // The member is left out and the archive goes on, but the failure is
        // counted so that the installation does not report success.
        FailureCount++;
        SkipMember();
        return;
    }
    if (method != MethodStored && method != MethodCompressed) {
        SkipMember();
        CloseOutput(out);
        return;
    }

    SkipExtensionHeaders();
    if (method == MethodCompressed)
        StartDecoder();

    uint8_t* buffer = Extractor.decoder.window;
    uint16_t crc = 0;
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
        h.unpackedRemaining -= n;
        ReportPercentage();
    }
    // Whatever the decoder did not need (or a stored member's surplus) is
    // skipped, so that the next header is read where this member ends.
    SkipMember();
    CloseOutput(out);
    Extractor.crc = crc;
    if (crc != h.storedCrc)
        FatalError(MsgCrc);
}

int ExtractArchive(const char* archivePath)
{
    if (!OpenArchive(archivePath))
        return StepAborted;
    int result = StepDone;
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
    CloseArchive();
    return result;
}
