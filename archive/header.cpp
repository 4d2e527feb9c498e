// Archive stream, member header, method lookup, CRC-16 and fatal errors.
//
// Layout of an archive: an optional signature 00 CC BB AA, then members, each
// a base header, its extension headers and its data, then a single 0 byte in
// place of the next header. The base header (level 1):
//
//   file  buffer  width  field
//     0     -       1    header size H (bytes after the checksum byte), 0 = end
//     1     -       1    checksum: sum of the H bytes that follow, modulo 256
//     2     0       5    method id
//     7     5       4    packed size (extension headers included)
//    11     9       4    unpacked size
//    15    13       4    MS-DOS time stamp            (not used)
//    19    17       1    attribute                    (not used)
//    20    18       1    header level                 (not examined)
//    21    19       1    name length N
//    22    20       N    name, "\" between components, no terminator
//   H-3   H-5       2    CRC-16 of the unpacked data
//   H-1   H-3       1    operating system id          (not used)
//     H   H-2       2    size of the first extension header, 0 = none
//
// All fields are little-endian. The last three are found from H, not from N.
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <sys/types.h>
#endif

#include "archive/extractor.h"

const char MsgHeaderSum[] = "Header sum error";
const char MsgBadTable[] = "Bad table";
const char MsgCantRead[] = "Can't read";
const char MsgUnableWrite[] = "Unable to write";
const char MsgBadHeader[] = "Bad header";
const char MsgEndOfArchive[] = "Unexpected end of archive";
const char MsgCrc[] = "CRC error";
const char MsgUnsafeName[] = "Unsafe member name";
const char MsgOrphanPart[] = "Continued file without its beginning";

void (*FatalErrorHook)(const char* message);

void FatalError(const char* message)
{
    if (FatalErrorHook)
        FatalErrorHook(message);
    fputc('\n', stderr);
    fputs(message, stderr);
    fputc('\n', stderr);
    exit(1);  // flushes and closes open streams; a partial output file stays
}

// ---- Archive stream ---------------------------------------------------------------

static void ResetStream(ArchiveStream& a)
{
    a.file = nullptr;
    a.memory = nullptr;
    a.cursor = a.buffer;
    a.end = a.buffer;
    a.bufferOffset = 0;
    a.length = 0;
}

static const uint8_t Signature[4] = {0x00, 0xCC, 0xBB, 0xAA};

// Archive offsets are 64-bit: an archive of 32-bit members may pass 2 GB.
// The native build seeks with off_t offsets; the Windows program keeps to the
// C runtime's long offsets, which is ample for a distribution on disks.
static int SeekTo(FILE* file, int64_t offset)
{
#ifdef _WIN32
    if (offset > INT32_MAX)
        return 0;
    return fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

static int64_t FileLength(FILE* file)
{
#ifdef _WIN32
    if (fseek(file, 0, SEEK_END) != 0)
        return -1;
    return ftell(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    return static_cast<int64_t>(ftello(file));
#endif
}

// Steps over the signature when the archive begins with it.
static void SkipSignature()
{
    ArchiveStream& a = Extractor.archive;
    if (a.end - a.cursor < 4)
        RefillArchive();
    if (a.end - a.cursor >= 4 && memcmp(a.cursor, Signature, 4) == 0)
        a.cursor += 4;
}

int OpenArchive(const char* path)
{
    ArchiveStream& a = Extractor.archive;
    ResetStream(a);
    FILE* file = fopen(path, "rb");
    if (!file)
        return 0;
    // The stream's own buffer would only add a copy: reads are large blocks.
    setvbuf(file, nullptr, _IONBF, 0);
    int64_t length = FileLength(file);
    if (length < 0 || !SeekTo(file, 0)) {
        fclose(file);
        return 0;
    }
    a.file = file;
    a.length = length;
    SkipSignature();
    return 1;
}

void OpenArchiveMemory(const uint8_t* data, size_t size)
{
    ArchiveStream& a = Extractor.archive;
    ResetStream(a);
    a.memory = data;
    a.cursor = data;
    a.end = data + size;
    a.bufferOffset = static_cast<int64_t>(size);
    a.length = static_cast<int64_t>(size);
    SkipSignature();
}

void CloseArchive()
{
    ArchiveStream& a = Extractor.archive;
    if (a.file)
        fclose(a.file);
    ResetStream(a);
}

int64_t ArchivePosition()
{
    const ArchiveStream& a = Extractor.archive;
    return a.bufferOffset - (a.end - a.cursor);
}

int RefillArchive()
{
    ArchiveStream& a = Extractor.archive;
    if (a.cursor < a.end)
        return 1;
    if (!a.file)
        return 0;
    size_t n = fread(a.buffer, 1, sizeof a.buffer, a.file);
    a.cursor = a.buffer;
    a.end = a.buffer + n;
    a.bufferOffset += static_cast<int64_t>(n);
    return n > 0;
}

size_t ArchiveRead(void* out, size_t n)
{
    ArchiveStream& a = Extractor.archive;
    uint8_t* to = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < n && RefillArchive()) {
        size_t part = static_cast<size_t>(a.end - a.cursor);
        if (part > n - done)
            part = n - done;
        memcpy(to + done, a.cursor, part);
        a.cursor += part;
        done += part;
    }
    return done;
}

int ArchiveSkip(uint32_t n)
{
    ArchiveStream& a = Extractor.archive;
    size_t held = static_cast<size_t>(a.end - a.cursor);
    if (n <= held) {
        a.cursor += n;
        return 1;
    }
    int64_t target = ArchivePosition() + n;
    int reached = target <= a.length;
    if (!reached)
        target = a.length;
    if (a.memory) {
        a.cursor = a.memory + target;
    } else {
        if (!SeekTo(a.file, target))
            reached = 0;
        a.cursor = a.end = a.buffer;
        a.bufferOffset = target;
    }
    return reached;
}

// ---- Member header ----------------------------------------------------------------

// One byte of a header; the archive may not end inside a header or in place
// of the end marker.
static uint8_t HeaderByte()
{
    ArchiveStream& a = Extractor.archive;
    if (!RefillArchive())
        FatalError(MsgEndOfArchive);
    return *a.cursor++;
}

uint32_t HeaderField(int offset, int width)
{
    const uint8_t* p = Extractor.header.buffer + offset;
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; i--)
        value = (value << 8) | p[i];
    return value;
}

uint8_t HeaderChecksum()
{
    const MemberHeader& h = Extractor.header;
    unsigned sum = 0;
    for (int i = 0; i < h.size; i++)
        sum += h.buffer[i];
    return static_cast<uint8_t>(sum);
}

int ReadMemberHeader()
{
    MemberHeader& h = Extractor.header;
    h.name = nullptr;  // no member until its header is whole
    h.size = HeaderByte();
    if (h.size == 0)
        return 0;
    h.checksum = HeaderByte();
    if (ArchiveRead(h.buffer, h.size) != h.size)
        FatalError(MsgEndOfArchive);
    if (HeaderChecksum() != h.checksum)
        FatalError(MsgHeaderSum);
    // The fixed fields take 25 bytes besides the name; a name that runs into
    // the CRC or past the header cannot be told from the fields after it.
    int nameLength = h.buffer[19];
    if (h.size < 25 || nameLength > h.size - 25)
        FatalError(MsgBadHeader);
    h.packedRemaining = HeaderField(5, 4);
    h.unpackedRemaining = HeaderField(9, 4);
    h.storedCrc = static_cast<uint16_t>(HeaderField(h.size - 5, 2));
    // Only now terminate the name: the 0 may land on the CRC field's first byte.
    h.buffer[20 + nameLength] = 0;
    h.name = reinterpret_cast<const char*>(h.buffer + 20);
    return 1;
}

// Method ids in table order; MethodCodes holds one code per id.
static const char MethodIds[] = "-lh0--lh5-<sto><cmp><st+><cm+>";
static const char MethodCodes[] = "050516";

char LookupMethod(const uint8_t* headerBuffer)
{
    for (int i = 0; i < 6; i++) {
        if (memcmp(headerBuffer, MethodIds + 5 * i, 5) == 0)
            return MethodCodes[i];
    }
    return 0;
}

int SkipMember()
{
    MemberHeader& h = Extractor.header;
    int result = ArchiveSkip(h.packedRemaining);
    h.packedRemaining = 0;
    return result;
}

// ---- CRC-16/ARC ---------------------------------------------------------------------
// Polynomial 0x8005 reflected (0xA001), initial value 0, no final XOR. Eight
// tables let the loop take eight bytes per step: Crc16Tables[k][i] is the CRC
// of byte i followed by k zero bytes.

struct Crc16Tables {
    uint16_t t[8][256];
};

static constexpr Crc16Tables MakeCrc16Tables()
{
    Crc16Tables tables{};
    for (unsigned i = 0; i < 256; i++) {
        unsigned c = i;
        for (int bit = 0; bit < 8; bit++)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
        tables.t[0][i] = static_cast<uint16_t>(c);
    }
    for (int k = 1; k < 8; k++) {
        for (unsigned i = 0; i < 256; i++) {
            unsigned c = tables.t[k - 1][i];
            tables.t[k][i] = static_cast<uint16_t>((c >> 8) ^ tables.t[0][c & 0xFF]);
        }
    }
    return tables;
}

static constexpr Crc16Tables CrcTables = MakeCrc16Tables();

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t n)
{
    const auto& t = CrcTables.t;
    unsigned c = crc;
    while (n >= 8) {
        c = t[7][(data[0] ^ c) & 0xFF] ^ t[6][(data[1] ^ (c >> 8)) & 0xFF] ^
            t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
            t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        n -= 8;
    }
    while (n-- > 0)
        c = t[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
    return static_cast<uint16_t>(c);
}
