// The -lh5- encoder's drivers: a file packed whole, and a file packed once
// and then cut into parts that each fill the rest of a disk.
//
// Parts. Every member's stream starts with an empty window, so a part after
// the first may not refer to bytes of the part before it. Cutting a part off
// the whole file's stream costs nothing at a block boundary: the blocks
// before it are a stream of their own. The next part begins with the bytes
// whose matches may reach back across the cut: from the cut to the first
// token of the whole file's parse that lies a window's reach beyond it.
// Those bytes are parsed again on their own (a head of about 8 KB), the rest
// of their block is written again with codes of its own, and from the next
// block on the whole file's blocks are copied bit for bit. The part's last
// block is the whole file's block cut at the symbol where the disk is full,
// written again with the codes of what remains of it. So a file costs one
// parse and one write of its blocks, plus a head and two blocks per part.
#include <stdlib.h>
#include <string.h>

#include "archive/extractor.h"
#include "kit/lh5.h"

static int ParseRange(const uint8_t* in, size_t from, size_t to, PackMode mode, Parse& p)
{
    return mode == PackBest ? ParseNearOptimal(in, from, to, p) : ParseLazy(in, from, to, p, nullptr);
}

int EncodeLh5(const uint8_t* in, size_t n, ByteBuffer& out, PackMode mode)
{
    Parse p;
    InitParse(p);
    BitWriter w = {&out, 0, 0, 0, nullptr};
    int ok = mode == PackBest ? ParseNearOptimal(in, 0, n, p) : ParseLazy(in, 0, n, p, &w);
    if (ok) {
        WriteParse(w, p, nullptr);
        FlushBits(w);
    }
    FreeParse(p);
    return ok && !out.failed;
}

// ---- A file through a window -------------------------------------------------------------------

static void Drain(InputWindow& s)
{
    if (s.out->failed) {
        s.failed = StreamNoMemory;
        return;
    }
    if (s.out->size > 0 && fwrite(s.out->data, 1, s.out->size, s.sink) != s.out->size)
        s.failed = StreamWriteFailed;
    s.written += s.out->size;
    s.out->size = 0;
}

size_t SlideWindow(InputWindow& s, size_t at)
{
    // Whole windows move, so that positions keep their place in the
    // finders' rings.
    size_t delta = at > WindowBytes ? (at - WindowBytes) & ~size_t(WindowBytes - 1) : 0;
    memmove(s.buf, s.buf + delta, s.size - delta);
    s.size -= delta;
    s.base += delta;
    uint64_t left = s.total - (s.base + s.size);
    size_t want = s.capacity - s.size < left ? s.capacity - s.size : static_cast<size_t>(left);
    size_t got = fread(s.buf + s.size, 1, want, s.file);
    s.crc = UpdateCrc16(s.crc, s.buf + s.size, got);
    s.size += got;
    if (got < want && !s.failed)
        s.failed = StreamReadFailed;
    Drain(s);
    return delta;
}

int EncodeLh5File(FILE* in, uint64_t total, FILE* out, PackMode mode, uint16_t* crc, uint64_t* written)
{
    return EncodeLh5Stream(in, total, out, mode, nullptr, crc, written);
}

int EncodeLh5Stream(FILE* in, uint64_t total, FILE* out, PackMode mode, BlockNotes* notes, uint16_t* crc,
                    uint64_t* written)
{
    InputWindow s = {};
    ByteBuffer bits;
    InitBuffer(bits);
    s.file = in;
    s.total = total;
    s.out = &bits;
    s.sink = out;
    // A segment of the best mode, the window behind it and the bytes ahead.
    s.capacity = SegmentBytes + 2 * WindowBytes + 2 * StreamLookahead;
    s.buf = static_cast<uint8_t*>(malloc(s.capacity));
    int status = StreamNoMemory;
    if (s.buf && total <= 0xFFFFFFFFu) {
        SlideWindow(s, 0);
        Parse p;
        InitParse(p);
        BitWriter w = {&bits, 0, 0, 0, notes};
        int ok = mode == PackBest ? ParseNearOptimal(s.buf, 0, static_cast<size_t>(total), p, &w, &s)
                                  : ParseLazy(s.buf, 0, static_cast<size_t>(total), p, &w, &s);
        FreeParse(p);
        if (ok) {
            if (notes)
                NoteBlock(*notes, nullptr, 0, w.total);  // the end
            FlushBits(w);
            Drain(s);
        }
        status = s.failed ? s.failed : ok ? StreamOk : StreamNoMemory;
    }
    *crc = s.crc;
    *written = s.written;
    free(s.buf);
    FreeBuffer(bits);
    return status;
}

// ---- Parts ------------------------------------------------------------------------------------

struct PackedFile {
    const uint8_t* in;
    size_t n;
    PackMode mode;
    int stored;            // the stream is not smaller than the data: parts are stored
    Parse parse;
    size_t* blockPosition; // input position where each block begins, and n
    uint64_t* blockBit;    // bit position where each block begins, and the end
    ByteBuffer bits;       // the whole file's stream
};

void FreePackedFile(PackedFile* f)
{
    if (!f)
        return;
    FreeParse(f->parse);
    free(f->blockPosition);
    free(f->blockBit);
    FreeBuffer(f->bits);
    free(f);
}

PackedFile* PackFile(const uint8_t* in, size_t n, PackMode mode)
{
    PackedFile* f = static_cast<PackedFile*>(calloc(1, sizeof(PackedFile)));
    if (!f)
        return nullptr;
    f->in = in;
    f->n = n;
    f->mode = mode;
    InitParse(f->parse);
    InitBuffer(f->bits);
    if (mode == PackStore || n == 0 || n > 0x7FFFFFFFu) {  // positions are 31-bit
        f->stored = 1;
        return f;
    }
    if (!ParseRange(in, 0, n, mode, f->parse)) {
        FreePackedFile(f);
        return nullptr;
    }
    const Parse& p = f->parse;
    f->blockPosition = static_cast<size_t*>(malloc((p.blockCount + 1) * sizeof(size_t)));
    f->blockBit = static_cast<uint64_t*>(malloc((p.blockCount + 1) * sizeof(uint64_t)));
    if (!f->blockPosition || !f->blockBit) {
        FreePackedFile(f);
        return nullptr;
    }
    size_t position = 0;
    for (size_t b = 0, t = 0; b < p.blockCount; b++) {
        f->blockPosition[b] = position;
        size_t last = b + 1 < p.blockCount ? p.blocks[b + 1] : p.count;
        for (; t < last; t++)
            position += TokenBytes(p.tokens[t]);
    }
    f->blockPosition[p.blockCount] = position;
    BitWriter w = {&f->bits, 0, 0, 0, nullptr};
    WriteParse(w, p, f->blockBit);
    FlushBits(w);
    if (f->bits.failed) {
        FreePackedFile(f);
        return nullptr;
    }
    f->stored = f->bits.size >= n;
    return f;
}

namespace {

// A run of blocks of a part: written anew from tokens, or copied from the
// whole file's stream.
struct Span {
    const Token* tokens;   // null: block `block` of the whole file, copied
    size_t count;
    size_t block;
    size_t bytes;          // input bytes
    uint64_t bits;
};

size_t LastToken(const PackedFile& f, size_t b)
{
    return b + 1 < f.parse.blockCount ? f.parse.blocks[b + 1] : f.parse.count;
}

Span CopiedSpan(const PackedFile& f, size_t b)
{
    return {nullptr, LastToken(f, b) - f.parse.blocks[b], b, f.blockPosition[b + 1] - f.blockPosition[b],
            f.blockBit[b + 1] - f.blockBit[b]};
}

Span FreshSpan(const Token* t, size_t count)
{
    size_t bytes = 0;
    for (size_t i = 0; i < count; i++)
        bytes += TokenBytes(t[i]);
    return {t, count, 0, bytes, TokenBlockBits(t, count)};
}

// The tokens of a span, copied or not.
const Token* SpanTokens(const PackedFile& f, const Span& s)
{
    return s.tokens ? s.tokens : f.parse.tokens + f.parse.blocks[s.block];
}

void WriteSpan(BitWriter& w, const PackedFile& f, const Span& s)
{
    if (s.tokens)
        WriteBlock(w, s.tokens, s.count);
    else
        CopyBits(w, f.bits.data, f.blockBit[s.block], f.blockBit[s.block + 1]);
}

constexpr int MaxHeadSpans = 8;

}  // namespace

int CutPart(PackedFile& f, size_t start, uint64_t room, ByteBuffer& out, size_t* end)
{
    out.size = 0;
    out.failed = 0;
    if (f.stored) {
        size_t take = f.n - start < room ? f.n - start : static_cast<size_t>(room);
        AppendBytes(out, f.in + start, take);
        *end = start + take;
        return !out.failed;
    }
    // The head: spans written anew before the copied blocks from `next` on.
    Span head[MaxHeadSpans + 1];
    int headCount = 0;
    size_t next = 0;
    Parse fresh;
    InitParse(fresh);
    const Parse& p = f.parse;
    if (start > 0) {
        size_t reach = start + MaxOffset;
        size_t headEnd = f.n;
        size_t tail = p.count;  // first token of the whole parse after the head
        next = p.blockCount;
        if (reach < f.n) {
            size_t b = 0, hi = p.blockCount;  // the block that holds `reach`
            while (hi - b > 1) {
                size_t mid = (b + hi) / 2;
                (f.blockPosition[mid] <= reach ? b : hi) = mid;
            }
            headEnd = f.blockPosition[b];
            tail = p.blocks[b];
            while (headEnd < reach) {
                headEnd += TokenBytes(p.tokens[tail]);
                tail++;
            }
            next = b + 1;
        }
        if (!ParseRange(f.in, start, headEnd, f.mode, fresh)) {
            FreeParse(fresh);
            return 0;
        }
        for (size_t b = 0; b < fresh.blockCount; b++) {
            size_t last = b + 1 < fresh.blockCount ? fresh.blocks[b + 1] : fresh.count;
            // A head of more blocks than the spans hold ends in one block: a
            // head is at most MaxOffset + MaxMatch symbols, within its count.
            if (headCount == MaxHeadSpans - 1)
                last = fresh.count;
            head[headCount++] = FreshSpan(fresh.tokens + fresh.blocks[b], last - fresh.blocks[b]);
            if (last == fresh.count)
                break;
        }
        if (next > 0 && next <= p.blockCount && tail < LastToken(f, next - 1))
            head[headCount++] = FreshSpan(p.tokens + tail, LastToken(f, next - 1) - tail);
    }

    // Whole spans while they fit; then the longest run of the next one's
    // symbols that fits, as a block of its own.
    uint64_t roomBits = room < UINT64_MAX / 8 ? room * 8 : UINT64_MAX;
    uint64_t used = 0;
    size_t bytes = 0;
    int spans = 0;           // head spans taken
    size_t copied = next;    // copied blocks taken: next .. copied - 1
    Span cut = {};
    bool full = false;
    for (int i = 0; i < headCount + static_cast<int>(p.blockCount - next) && !full; i++) {
        Span s = i < headCount ? head[i] : CopiedSpan(f, next + static_cast<size_t>(i - headCount));
        if (used + s.bits <= roomBits) {
            used += s.bits;
            bytes += s.bytes;
            if (i < headCount)
                spans++;
            else
                copied++;
            continue;
        }
        full = true;
        const Token* t = SpanTokens(f, s);
        size_t lo = TokensThatFit(t, s.count, used, roomBits);
        if (lo > 0)
            cut = FreshSpan(t, lo);
    }
    bytes += cut.bytes;
    BitWriter w = {&out, 0, 0, 0, nullptr};
    for (int i = 0; i < spans; i++)
        WriteSpan(w, f, head[i]);
    for (size_t b = next; b < copied; b++)
        WriteSpan(w, f, CopiedSpan(f, b));
    if (cut.count > 0)
        WriteSpan(w, f, cut);
    FlushBits(w);
    FreeParse(fresh);
    *end = start + bytes;
    return !out.failed;
}
