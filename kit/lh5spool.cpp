// A file packed once as it is read, to be cut into parts: the parts of
// PackFile and CutPart (see lh5encode.cpp), with the file's stream and its
// blocks' tokens kept in files instead of memory. Only what a part needs is
// read back: the tokens of the block where its head ends and of the block
// where the disk is full, the bits of the blocks copied whole, and the input
// bytes of its head. Memory stays the same whatever the file's size.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "archive/extractor.h"
#include "kit/lh5.h"

struct SpooledFile {
    FILE* in;              // the file packed
    uint64_t n;
    PackMode mode;
    int stored;            // the stream is not smaller than the data: parts are stored
    BlockNotes notes;
    FILE* bits;            // the whole file's stream
};

void NoteBlock(BlockNotes& notes, const Token* t, size_t n, uint64_t bit)
{
    if (notes.failed)
        return;
    if (notes.count + 2 > notes.capacity) {
        size_t capacity = notes.capacity ? notes.capacity * 2 : 1024;
        uint64_t* arrays[3] = {notes.position, notes.token, notes.bit};
        for (uint64_t*& a : arrays) {
            uint64_t* grown = static_cast<uint64_t*>(realloc(a, capacity * sizeof(uint64_t)));
            if (!grown) {
                notes.failed = 1;
            } else {
                a = grown;
            }
        }
        notes.position = arrays[0];
        notes.token = arrays[1];
        notes.bit = arrays[2];
        if (notes.failed)
            return;
        notes.capacity = capacity;
    }
    if (notes.count == 0)
        notes.position[0] = notes.token[0] = 0;
    // Entry `count` is where the next block begins; n = 0 notes the end.
    notes.bit[notes.count] = bit;
    if (n == 0)
        return;
    if (fwrite(t, sizeof(Token), n, notes.tokens) != n)
        notes.failed = 1;
    uint64_t bytes = 0;
    for (size_t i = 0; i < n; i++)
        bytes += TokenBytes(t[i]);
    notes.count++;
    notes.position[notes.count] = notes.position[notes.count - 1] + bytes;
    notes.token[notes.count] = notes.token[notes.count - 1] + n;
}

void FreeSpooledFile(SpooledFile* f)
{
    if (!f)
        return;
    if (f->in)
        fclose(f->in);
    if (f->bits)
        fclose(f->bits);
    if (f->notes.tokens)
        fclose(f->notes.tokens);
    free(f->notes.position);
    free(f->notes.token);
    free(f->notes.bit);
    free(f);
}

// A file of the spool folder that goes when it is closed.
static FILE* OpenScratch(const char* folder, const char* kind)
{
    static int made = 0;
    char path[PathBytes];
    FormatText(path, sizeof path, "%s/%s%d.tmp", folder, kind, ++made);
    FILE* f = fopen(path, "w+b");
    if (f)
        unlink(path);
    return f;
}

SpooledFile* PackFileSpooled(const char* path, uint64_t n, PackMode mode, const char* folder, int* result)
{
    *result = StreamNoMemory;
    SpooledFile* f = static_cast<SpooledFile*>(calloc(1, sizeof(SpooledFile)));
    if (!f)
        return nullptr;
    f->n = n;
    f->mode = mode;
    if (n > 0 && !(f->in = fopen(path, "rb"))) {
        *result = StreamReadFailed;
        FreeSpooledFile(f);
        return nullptr;
    }
    *result = StreamOk;
    if (mode == PackStore || n == 0 || n > 0x7FFFFFFFu) {  // as PackFile stores it
        f->stored = 1;
        return f;
    }
    f->bits = OpenScratch(folder, "bits");
    f->notes.tokens = OpenScratch(folder, "tokens");
    if (!f->bits || !f->notes.tokens) {
        *result = StreamWriteFailed;
        FreeSpooledFile(f);
        return nullptr;
    }
    uint16_t crc;
    uint64_t written = 0;
    *result = EncodeLh5Stream(f->in, n, f->bits, mode, &f->notes, &crc, &written);
    if (*result == StreamOk && f->notes.failed)
        *result = StreamWriteFailed;
    if (*result == StreamOk && (fflush(f->bits) != 0 || fflush(f->notes.tokens) != 0))
        *result = StreamWriteFailed;
    if (*result != StreamOk) {
        FreeSpooledFile(f);
        return nullptr;
    }
    f->stored = written >= n;
    return f;
}

namespace {

// n bytes of a file from `at` on into out (replacing it); 0 when they are not all there.
int ReadRange(FILE* file, uint64_t at, size_t n, ByteBuffer& out)
{
    out.size = 0;
    if (n == 0)
        return 1;
    if (out.capacity < n) {
        uint8_t* grown = static_cast<uint8_t*>(realloc(out.data, n));
        if (!grown)
            return 0;
        out.data = grown;
        out.capacity = n;
    }
    if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0 || fread(out.data, 1, n, file) != n)
        return 0;
    out.size = n;
    return 1;
}

// The tokens of block b, into `into` (replacing it).
int ReadBlockTokens(const SpooledFile& f, size_t b, ByteBuffer& into)
{
    const BlockNotes& k = f.notes;
    size_t n = static_cast<size_t>(k.token[b + 1] - k.token[b]);
    return ReadRange(k.tokens, k.token[b] * sizeof(Token), n * sizeof(Token), into);
}

const Token* TokensOf(const ByteBuffer& b)
{
    return reinterpret_cast<const Token*>(b.data);
}

// A run of a part's blocks: written anew from tokens, or block `block`
// of the whole file's stream copied.
struct Span {
    const Token* tokens;   // null: copied
    size_t count;
    size_t block;
    uint64_t bytes;        // input bytes
    uint64_t bits;
};

Span FreshSpan(const Token* t, size_t count)
{
    uint64_t bytes = 0;
    for (size_t i = 0; i < count; i++)
        bytes += TokenBytes(t[i]);
    return {t, count, 0, bytes, TokenBlockBits(t, count)};
}

Span CopiedSpan(const SpooledFile& f, size_t b)
{
    const BlockNotes& k = f.notes;
    return {nullptr, static_cast<size_t>(k.token[b + 1] - k.token[b]), b, k.position[b + 1] - k.position[b],
            k.bit[b + 1] - k.bit[b]};
}

constexpr int MaxHeadSpans = 8;

// The CRC-16 of n bytes of the file from `at` on; 0 when they could not be read.
int CrcOfRange(FILE* file, uint64_t at, uint64_t n, uint16_t* crc)
{
    static uint8_t chunk[1 << 16];
    *crc = 0;
    if (n > 0 && fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0)
        return 0;
    while (n > 0) {
        size_t want = n < sizeof chunk ? static_cast<size_t>(n) : sizeof chunk;
        if (fread(chunk, 1, want, file) != want)
            return 0;
        *crc = UpdateCrc16(*crc, chunk, want);
        n -= want;
    }
    return 1;
}

// Head and cut of a part, as CutPart finds them, in memory that lasts
// while the part is written.
struct PartWork {
    ByteBuffer input;      // the head's input bytes
    ByteBuffer headBlock;  // tokens of the block the head ends in
    ByteBuffer cutBlock;   // tokens of a copied block cut short
    ByteBuffer copied;     // bytes of the copied blocks' bits
    Parse fresh;
};

int CutFromWork(SpooledFile& f, uint64_t start, uint64_t room, ByteBuffer& out, uint64_t* end, PartWork& work)
{
    const BlockNotes& k = f.notes;
    Span head[MaxHeadSpans + 1];
    int headCount = 0;
    size_t next = 0;
    if (start > 0) {
        uint64_t reach = start + MaxOffset;
        uint64_t headEnd = f.n;
        next = k.count;
        size_t tail = 0;   // first token of block next - 1 after the head
        if (reach < f.n) {
            size_t b = 0, hi = k.count;  // the block that holds `reach`
            while (hi - b > 1) {
                size_t mid = (b + hi) / 2;
                (k.position[mid] <= reach ? b : hi) = mid;
            }
            if (!ReadBlockTokens(f, b, work.headBlock))
                return 0;
            headEnd = k.position[b];
            while (headEnd < reach)
                headEnd += TokenBytes(TokensOf(work.headBlock)[tail++]);
            next = b + 1;
        }
        // The head parsed on its own, at the same place within the window's
        // ring as in the whole file, so that it parses as CutPart parses it.
        size_t ring = static_cast<size_t>(start % WindowBytes);
        size_t length = static_cast<size_t>(headEnd - start);
        if (!ReadRange(f.in, start - ring, ring + length, work.input))
            return 0;
        int ok = f.mode == PackBest ? ParseNearOptimal(work.input.data, ring, ring + length, work.fresh)
                                    : ParseLazy(work.input.data, ring, ring + length, work.fresh, nullptr);
        if (!ok)
            return 0;
        const Parse& fresh = work.fresh;
        for (size_t b = 0; b < fresh.blockCount; b++) {
            size_t last = b + 1 < fresh.blockCount ? fresh.blocks[b + 1] : fresh.count;
            if (headCount == MaxHeadSpans - 1)
                last = fresh.count;
            head[headCount++] = FreshSpan(fresh.tokens + fresh.blocks[b], last - fresh.blocks[b]);
            if (last == fresh.count)
                break;
        }
        size_t inBlock = work.headBlock.size / sizeof(Token);
        if (reach < f.n && tail < inBlock)
            head[headCount++] = FreshSpan(TokensOf(work.headBlock) + tail, inBlock - tail);
    }

    // Whole spans while they fit; then the longest run of the next one's
    // symbols that fits, as a block of its own.
    uint64_t roomBits = room < UINT64_MAX / 8 ? room * 8 : UINT64_MAX;
    uint64_t used = 0, bytes = 0;
    int spans = 0;
    size_t copied = next;
    Span cut = {};
    bool full = false;
    for (size_t i = 0; i < headCount + (k.count - next) && !full; i++) {
        bool fresh = i < static_cast<size_t>(headCount);
        Span s = fresh ? head[i] : CopiedSpan(f, next + i - headCount);
        if (used + s.bits <= roomBits) {
            used += s.bits;
            bytes += s.bytes;
            if (fresh)
                spans++;
            else
                copied++;
            continue;
        }
        full = true;
        const Token* t = s.tokens;
        if (!t) {
            if (!ReadBlockTokens(f, s.block, work.cutBlock))
                return 0;
            t = TokensOf(work.cutBlock);
        }
        size_t lo = TokensThatFit(t, s.count, used, roomBits);
        if (lo > 0)
            cut = FreshSpan(t, lo);
    }
    bytes += cut.bytes;
    BitWriter w = {&out, 0, 0, 0, nullptr};
    for (int i = 0; i < spans; i++)
        WriteBlock(w, head[i].tokens, head[i].count);
    if (copied > next) {
        uint64_t first = k.bit[next], last = k.bit[copied];
        if (!ReadRange(f.bits, first / 8, static_cast<size_t>((last + 7) / 8 - first / 8), work.copied))
            return 0;
        CopyBits(w, work.copied.data, first % 8, last - first / 8 * 8);
    }
    if (cut.count > 0)
        WriteBlock(w, cut.tokens, cut.count);
    FlushBits(w);
    *end = start + bytes;
    return !out.failed;
}

}  // namespace

int CutSpooledPart(SpooledFile& f, uint64_t start, uint64_t room, ByteBuffer& out, uint64_t* end, uint16_t* crc)
{
    out.size = 0;
    out.failed = 0;
    int ok;
    if (f.stored) {
        uint64_t take = f.n - start < room ? f.n - start : room;
        ok = ReadRange(f.in, start, static_cast<size_t>(take), out);
        *end = start + take;
        *crc = UpdateCrc16(0, out.data, out.size);
        return ok;
    }
    PartWork work;
    InitBuffer(work.input);
    InitBuffer(work.headBlock);
    InitBuffer(work.cutBlock);
    InitBuffer(work.copied);
    InitParse(work.fresh);
    ok = CutFromWork(f, start, room, out, end, work);
    FreeBuffer(work.input);
    FreeBuffer(work.headBlock);
    FreeBuffer(work.cutBlock);
    FreeBuffer(work.copied);
    FreeParse(work.fresh);
    // A part that does not pack is stored: its bytes, no more than the stream's.
    if (ok && out.size >= *end - start)
        ok = ReadRange(f.in, start, static_cast<size_t>(*end - start), out);
    return ok && CrcOfRange(f.in, start, *end - start, crc);
}
