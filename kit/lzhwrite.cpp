// Archive writer: level-1 member headers with "\" paths, stored or -lh5-
// data, and the continuation members of files split over disks.
//
// Base header as written (H = 25 + N bytes follow the checksum byte):
//   H, checksum of those H bytes, method id, packed size, unpacked size,
//   DOS time and date, attribute 0x20, level 1, N, name, CRC-16 of the
//   unpacked data, OS id 'M', first extension header size 0.
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "archive/extractor.h"
#include "kit/kit.h"

int FormatText(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(out, capacity, format, args);
    va_end(args);
    return n >= 0 && static_cast<size_t>(n) < capacity;
}

// ---- Byte buffer -------------------------------------------------------------------

void InitBuffer(ByteBuffer& b)
{
    b.data = nullptr;
    b.size = 0;
    b.capacity = 0;
    b.failed = 0;
}

void FreeBuffer(ByteBuffer& b)
{
    free(b.data);
    InitBuffer(b);
}

void AppendBytes(ByteBuffer& b, const void* bytes, size_t n)
{
    if (b.failed)
        return;
    if (b.size + n > b.capacity) {
        size_t capacity = b.capacity ? b.capacity : 4096;
        while (capacity < b.size + n)
            capacity *= 2;
        uint8_t* grown = static_cast<uint8_t*>(realloc(b.data, capacity));
        if (!grown) {
            b.failed = 1;
            return;
        }
        b.data = grown;
        b.capacity = capacity;
    }
    memcpy(b.data + b.size, bytes, n);
    b.size += n;
}

int ReadWholeFile(const char* path, ByteBuffer& b)
{
    b.size = 0;
    FILE* f = fopen(path, "rb");
    if (!f)
        return 0;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        AppendBytes(b, chunk, got);
    int ok = !ferror(f) && !b.failed;
    fclose(f);
    return ok;
}

int WriteBufferToFile(const char* path, const ByteBuffer& b)
{
    FILE* f = fopen(path, "wb");
    if (!f)
        return 0;
    size_t written = b.size ? fwrite(b.data, 1, b.size, f) : 0;
    int closed = fclose(f) == 0;
    return written == b.size && closed;
}

// ---- Members -----------------------------------------------------------------------

uint32_t DosDateTime(long long unixTime)
{
    time_t t = static_cast<time_t>(unixTime);
    struct tm local;
    if (!localtime_r(&t, &local) || local.tm_year < 80)
        return (1u << 21) | (1u << 16);  // 1980-01-01 00:00
    if (local.tm_year > 207)
        local.tm_year = 207;
    uint32_t date = static_cast<uint32_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) |
                                          local.tm_mday);
    uint32_t time = static_cast<uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                          (local.tm_sec / 2));
    return (date << 16) | time;
}

static void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Method ids by kind, stored first, compressed second.
static const char* const MethodIds[4][2] = {
    {"-lh0-", "-lh5-"},
    {"<sto>", "<cmp>"},
    {"<st+>", "<cm+>"},
    {"-lhd-", "-lhd-"},
};

size_t MemberHeaderBytes(const char* name)
{
    return 2 + 25 + strlen(name);
}

// Member bytes: a header with room for the name, then the data as the
// caller appends it.
static int StartMember(ByteBuffer& member, const char* name, size_t n)
{
    member.size = 0;
    member.failed = 0;
    if (strlen(name) > MaxMemberName || n > 0xFFFFFFFFu)
        return 0;
    uint8_t header[2 + 255];
    memset(header, 0, sizeof header);
    AppendBytes(member, header, MemberHeaderBytes(name));
    return !member.failed;
}

// The header of a member (MemberHeaderBytes(name) bytes at h).
static void FillHeader(uint8_t* h, const char* name, uint32_t packed, uint32_t n, uint16_t crc, uint32_t dosTime,
                       MemberKind kind, int compressed)
{
    size_t nameLength = strlen(name);
    size_t headerBytes = MemberHeaderBytes(name);
    int headerSize = static_cast<int>(headerBytes) - 2;
    h[0] = static_cast<uint8_t>(headerSize);
    memcpy(h + 2, MethodIds[kind][compressed], 5);
    Put32(h + 7, packed);
    Put32(h + 11, n);
    Put32(h + 15, dosTime);
    h[19] = kind == MemberFolder ? 0x10 : 0x20;
    h[20] = 1;
    h[21] = static_cast<uint8_t>(nameLength);
    memcpy(h + 22, name, nameLength);
    uint8_t* tail = h + 22 + nameLength;
    tail[0] = static_cast<uint8_t>(crc);
    tail[1] = static_cast<uint8_t>(crc >> 8);
    tail[2] = 'M';
    tail[3] = 0;
    tail[4] = 0;
    unsigned sum = 0;
    for (int i = 0; i < headerSize; i++)
        sum += h[2 + i];
    h[1] = static_cast<uint8_t>(sum);
}

// Fills in the header once the data follows it.
static int FinishMember(ByteBuffer& member, const char* name, const uint8_t* data, size_t n,
                        uint32_t dosTime, MemberKind kind, int compressed)
{
    if (member.failed)
        return 0;
    uint32_t packed = static_cast<uint32_t>(member.size - MemberHeaderBytes(name));
    FillHeader(member.data, name, packed, static_cast<uint32_t>(n), UpdateCrc16(0, data, n), dosTime, kind,
               compressed);
    return 1;
}

// Copies n bytes of `in` to `out`; their CRC-16.
static int CopyStored(FILE* in, uint64_t n, FILE* out, uint16_t* crc)
{
    uint8_t chunk[65536];
    *crc = 0;
    while (n > 0) {
        size_t want = n < sizeof chunk ? static_cast<size_t>(n) : sizeof chunk;
        size_t got = fread(chunk, 1, want, in);
        *crc = UpdateCrc16(*crc, chunk, got);
        if (got < want)
            return StreamReadFailed;
        if (fwrite(chunk, 1, got, out) != got)
            return StreamWriteFailed;
        n -= got;
    }
    return StreamOk;
}

int WriteFileMember(FILE* out, const char* name, const char* path, uint64_t n, uint32_t dosTime, PackMode mode)
{
    if (strlen(name) > MaxMemberName)
        return StreamNoMemory;
    if (n > MaxMemberBytes)
        return StreamTooLarge;
    FILE* in = fopen(path, "rb");
    if (!in)
        return StreamReadFailed;
    uint8_t header[2 + 255] = {};
    size_t headerBytes = MemberHeaderBytes(name);
    off_t at = ftello(out);
    int status = at < 0 || fwrite(header, 1, headerBytes, out) != headerBytes ? StreamWriteFailed : StreamOk;
    uint16_t crc = 0;
    uint64_t packed = n;
    int compressed = 0;
    if (status == StreamOk && mode != PackStore && n > 0) {
        status = EncodeLh5File(in, n, out, mode, &crc, &packed);
        compressed = packed < n;
    }
    // Stored when packing does not make it smaller: the packed bytes are
    // overwritten and the rest cut off.
    if (status == StreamOk && !compressed) {
        packed = n;
        if (fseeko(out, at + static_cast<off_t>(headerBytes), SEEK_SET) != 0 || fseeko(in, 0, SEEK_SET) != 0)
            status = StreamWriteFailed;
        else
            status = CopyStored(in, n, out, &crc);
        if (status == StreamOk &&
            (fflush(out) != 0 || ftruncate(fileno(out), at + static_cast<off_t>(headerBytes + n)) != 0))
            status = StreamWriteFailed;
    }
    fclose(in);
    if (status != StreamOk)
        return status;
    FillHeader(header, name, static_cast<uint32_t>(packed), static_cast<uint32_t>(n), crc, dosTime, MemberWhole,
               compressed);
    if (fseeko(out, at, SEEK_SET) != 0 || fwrite(header, 1, headerBytes, out) != headerBytes ||
        fseeko(out, 0, SEEK_END) != 0)
        return StreamWriteFailed;
    return StreamOk;
}

int BuildMember(ByteBuffer& member, const char* name, const uint8_t* data, size_t n,
                uint32_t dosTime, MemberKind kind, PackMode mode)
{
    if (!StartMember(member, name, n))
        return 0;
    size_t headerBytes = MemberHeaderBytes(name);
    // An empty file is stored, as compression has nothing to gain; so is one
    // beyond the encoder's 31-bit positions.
    int compressed = 0;
    if (kind == MemberFolder)
        n = 0;
    if (mode != PackStore && n > 0 && n <= 0x7FFFFFFFu) {
        if (!EncodeLh5(data, n, member, mode))
            return 0;
        compressed = member.size - headerBytes < n;
        if (!compressed)
            member.size = headerBytes;
    }
    if (!compressed)
        AppendBytes(member, data, n);
    return FinishMember(member, name, data, n, dosTime, kind, compressed);
}

int BuildPackedMember(ByteBuffer& member, const char* name, const uint8_t* data, size_t n,
                      const ByteBuffer& packed, uint32_t dosTime, MemberKind kind)
{
    if (!StartMember(member, name, n))
        return 0;
    int compressed = packed.size < n;
    if (compressed)
        AppendBytes(member, packed.data, packed.size);
    else
        AppendBytes(member, data, n);
    return FinishMember(member, name, data, n, dosTime, kind, compressed);
}

int BuildPartMember(ByteBuffer& member, const char* name, uint64_t n, uint16_t crc, const ByteBuffer& packed,
                    uint32_t dosTime, MemberKind kind)
{
    if (!StartMember(member, name, static_cast<size_t>(n)) || (packed.size > n))
        return 0;
    int compressed = packed.size < n;
    AppendBytes(member, packed.data, packed.size);
    if (member.failed)
        return 0;
    FillHeader(member.data, name, static_cast<uint32_t>(packed.size), static_cast<uint32_t>(n), crc, dosTime, kind,
               compressed);
    return 1;
}

int AppendMember(ByteBuffer& archive, const char* name, const uint8_t* data, size_t n,
                 uint32_t dosTime, MemberKind kind, PackMode mode)
{
    ByteBuffer member;
    InitBuffer(member);
    int ok = BuildMember(member, name, data, n, dosTime, kind, mode);
    if (ok)
        AppendBytes(archive, member.data, member.size);
    FreeBuffer(member);
    return ok && !archive.failed;
}

void EndArchive(ByteBuffer& archive)
{
    uint8_t end = 0;
    AppendBytes(archive, &end, 1);
}
