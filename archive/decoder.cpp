// The -lh5- decoder.
//
// The method is LZ77 over an 8192-byte sliding window. Its output, literal
// bytes and matches of a length and a distance, is coded in blocks. A block
// is, in stream order:
//
//   1. 16 bits: the number of symbols in the block (literals and match
//      lengths; distances are not counted). 0 never occurs in sound data.
//   2. The code lengths of the code-length alphabet (19 symbols): a 5-bit
//      count, then each length as 3 bits, values 7 and up continued in unary
//      (one more for each 1 bit, a 0 bit ending them); after the third length
//      a 2-bit count of zero lengths that follow.
//   3. The code lengths of the symbol alphabet (510 symbols: bytes 0..255,
//      then match lengths 3..256), a 9-bit count, then each coded with the
//      code-length alphabet: 0 one zero, 1 a run of 3..18 zeros (4 more bits),
//      2 a run of 20..531 zeros (9 more bits), 3..18 the lengths 1..16.
//   4. The code lengths of the distance alphabet (14 symbols) as in 2, with a
//      4-bit count and no zero run.
//   5. The symbols. A match length symbol is followed by a distance code j:
//      distance 0 for j = 0, else 2^(j-1) plus j-1 more bits. The match starts
//      distance + 1 bytes back.
//
// A count field of 0 gives the single form: the next field (same width) is
// the only symbol, and decoding it costs no bits.
//
// The window doubles as the output buffer: every chunk starts at position 0,
// and all chunks but the last are 8192 bytes, so (r - distance - 1) mod 8192
// is always the byte that far back in the output.
#include <string.h>

#include "archive/extractor.h"

// ---- Code lengths -------------------------------------------------------------------

// A damaged table, unless the data simply ran out: then the table was read
// from the zero bits after the member's bytes and the data is short.
static void RejectTable()
{
    FatalError(BitsOverrun() ? MsgCantRead : MsgBadTable);
}

// Before a table is built: code lengths read past the member's bytes.
static void CheckNotShort()
{
    if (BitsOverrun())
        FatalError(MsgCantRead);
}

// The leading 16 bits of the look-ahead.
static inline unsigned Window16()
{
    return static_cast<unsigned>(Extractor.bits.bits >> 48);
}

// Resolves a code with a table of tableBits and the overflow tree.
static inline unsigned LookUp(const uint16_t* table, int tableBits, unsigned symbolCount)
{
    const DecoderState& d = Extractor.decoder;
    uint64_t bits = Extractor.bits.bits;
    unsigned j = table[bits >> (64 - tableBits)];
    uint64_t mask = uint64_t(1) << (63 - tableBits);
    while (j >= symbolCount) {
        j = (bits & mask) ? d.rightChild[j] : d.leftChild[j];
        mask >>= 1;
    }
    return j;
}

void ReadAuxLengths(int count, int fieldBits, int specialIndex)
{
    DecoderState& d = Extractor.decoder;
    int n = static_cast<int>(GetBits(fieldBits));
    if (n == 0) {
        unsigned x = GetBits(fieldBits);
        if (x >= static_cast<unsigned>(count))
            RejectTable();
        memset(d.auxLengths, 0, static_cast<size_t>(count));
        for (uint16_t& entry : d.auxTable)
            entry = static_cast<uint16_t>(x);
        return;
    }
    if (n > count)
        RejectTable();
    int i = 0;
    while (i < n) {
        unsigned window = Window16();
        unsigned v = window >> 13;
        if (v == 7) {
            for (unsigned mask = 0x1000; mask != 0 && (window & mask); mask >>= 1)
                v++;
        }
        if (v > 16)
            RejectTable();
        FillBits(v < 7 ? 3 : static_cast<int>(v) - 3);
        d.auxLengths[i++] = static_cast<uint8_t>(v);
        if (i == specialIndex) {
            unsigned zeros = GetBits(2);
            while (zeros-- > 0 && i < count)
                d.auxLengths[i++] = 0;
        }
    }
    while (i < count)
        d.auxLengths[i++] = 0;
    CheckNotShort();
    BuildDecodeTable(count, d.auxLengths, AuxTableBits, d.auxTable);
}

void ReadSymbolLengths()
{
    DecoderState& d = Extractor.decoder;
    int n = static_cast<int>(GetBits(9));
    if (n == 0) {
        unsigned x = GetBits(9);
        if (x >= static_cast<unsigned>(SymbolCount))
            RejectTable();
        memset(d.symbolLengths, 0, sizeof d.symbolLengths);
        for (uint16_t& entry : d.symbolTable)
            entry = static_cast<uint16_t>(x);
        return;
    }
    if (n > SymbolCount)
        RejectTable();
    int i = 0;
    while (i < n) {
        unsigned x = LookUp(d.auxTable, AuxTableBits, AuxCount);
        FillBits(d.auxLengths[x]);
        if (x > 2) {
            d.symbolLengths[i++] = static_cast<uint8_t>(x - 2);
            continue;
        }
        int zeros = 1;
        if (x == 1)
            zeros = static_cast<int>(GetBits(4)) + 3;
        else if (x == 2)
            zeros = static_cast<int>(GetBits(9)) + 20;
        if (zeros > SymbolCount - i)
            RejectTable();
        memset(d.symbolLengths + i, 0, static_cast<size_t>(zeros));
        i += zeros;
    }
    memset(d.symbolLengths + i, 0, static_cast<size_t>(SymbolCount - i));
    CheckNotShort();
    BuildDecodeTable(SymbolCount, d.symbolLengths, SymbolTableBits, d.symbolTable);
}

// Reads a block header: its size and its three code tables.
static void StartBlock()
{
    DecoderState& d = Extractor.decoder;
    d.blockRemaining = GetBits(16);
    // An empty block would make the counter wrap and the tables serve for
    // the rest of the member; it does not occur in sound data.
    if (d.blockRemaining == 0)
        RejectTable();
    ReadAuxLengths(AuxCount, 5, 3);
    ReadSymbolLengths();
    ReadAuxLengths(DistanceCount, 4, -1);
}

// ---- Symbols ------------------------------------------------------------------------

void StartDecoder()
{
    StartBits();
    Extractor.decoder.blockRemaining = 0;
    Extractor.decoder.pendingCopy = 0;
}

unsigned DecodeSymbol()
{
    DecoderState& d = Extractor.decoder;
    if (d.blockRemaining == 0)
        StartBlock();
    d.blockRemaining--;
    unsigned j = LookUp(d.symbolTable, SymbolTableBits, SymbolCount);
    FillBits(d.symbolLengths[j]);
    return j;
}

unsigned DecodeDistance()
{
    DecoderState& d = Extractor.decoder;
    unsigned j = LookUp(d.auxTable, AuxTableBits, DistanceCount);
    FillBits(d.auxLengths[j]);
    if (j == 0)
        return 0;
    return (1u << (j - 1)) + GetBits(static_cast<int>(j) - 1);
}

// ---- Chunks -------------------------------------------------------------------------
// DecodeChunk does what DecodeSymbol and DecodeDistance do, with the bit
// reader's state held in locals: the output bytes could alias any global, so
// the compiler would otherwise reload it after every store.

namespace {

struct LocalBits {
    uint64_t bits;
    int count;
    const uint8_t* cursor;
    const uint8_t* limit;  // end of the packed bytes held in the archive buffer
};

inline void LoadBits(LocalBits& l)
{
    const ArchiveStream& a = Extractor.archive;
    l.bits = Extractor.bits.bits;
    l.count = Extractor.bits.count;
    l.cursor = a.cursor;
    size_t held = static_cast<size_t>(a.end - a.cursor);
    uint32_t packed = Extractor.header.packedRemaining;
    l.limit = a.cursor + (held < packed ? held : packed);
}

inline void StoreBits(const LocalBits& l)
{
    ArchiveStream& a = Extractor.archive;
    Extractor.bits.bits = l.bits;
    Extractor.bits.count = l.count;
    Extractor.header.packedRemaining -= static_cast<uint32_t>(l.cursor - a.cursor);
    a.cursor = l.cursor;
}

// Hands the reader back to the code outside this loop with the look-ahead
// guarantee restored: a long match (up to 44 bits) may have left fewer than
// 16 bits of the 48 that NeedBits provides.
inline void HandBackBits(const LocalBits& l)
{
    StoreBits(l);
    if (Extractor.bits.count < LookAheadBits)
        RefillBits();
}

// Makes at least 48 bits available: a symbol (16), a distance code (16) and
// its extra bits (12) never need more.
inline void NeedBits(LocalBits& l)
{
    if (l.count >= 48)
        return;
    if (l.limit - l.cursor >= 8) {
        uint64_t v;
        memcpy(&v, l.cursor, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        v = __builtin_bswap64(v);
#endif
        l.bits |= v >> l.count;
        int taken = (63 - l.count) >> 3;
        l.cursor += taken;
        l.count += taken * 8;
        return;
    }
    StoreBits(l);
    RefillBits();
    LoadBits(l);
}

inline void DropBits(LocalBits& l, int n)
{
    l.bits <<= n;
    l.count -= n;
}

inline unsigned Walk(const DecoderState& d, unsigned j, uint64_t bits, uint64_t mask, unsigned symbolCount)
{
    while (j >= symbolCount) {
        j = (bits & mask) ? d.rightChild[j] : d.leftChild[j];
        mask >>= 1;
    }
    return j;
}

inline uint64_t Load8(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

inline void Store8(uint8_t* p, uint64_t v)
{
    memcpy(p, &v, 8);
}

// Copies a match of length bytes from window position from to position r,
// with the effect of a copy one byte after the other in increasing order, as
// the format defines it. The caller ensures that neither range wraps.
inline void CopyMatch(uint8_t* buffer, unsigned r, unsigned from, unsigned length)
{
    uint8_t* to = buffer + r;
    const uint8_t* src = buffer + from;
    // Eight bytes at a time are exact when the source is at least eight bytes
    // behind (each load reads only bytes already written) or anywhere ahead
    // (each load reads bytes not yet overwritten). The last step may write up
    // to seven bytes past the match; they still hold older window bytes that
    // later matches may read, so they are saved first and put back.
    bool apart = from > r || r - from >= 8;
    if (apart && r + length + 8 <= static_cast<unsigned>(WindowSize) &&
        from + length + 7 <= static_cast<unsigned>(WindowSize)) {
        uint64_t after = Load8(to + length);
        for (unsigned i = 0; i < length; i += 8)
            Store8(to + i, Load8(src + i));
        Store8(to + length, after);
        return;
    }
    if (from + 1 == r) {  // distance 0: the previous byte repeated
        memset(to, *src, length);
        return;
    }
    while (length-- > 0)
        *to++ = *src++;
}

}  // namespace

void DecodeChunk(unsigned count, uint8_t* buffer)
{
    DecoderState& d = Extractor.decoder;
    unsigned r = 0;

    // A match left over from the previous chunk.
    while (d.pendingCopy > 0) {
        d.pendingCopy--;
        buffer[r++] = buffer[d.copyPosition];
        d.copyPosition = (d.copyPosition + 1) & WindowMask;
        if (r == count)
            goto done;
    }

    {
        LocalBits l;
        LoadBits(l);
        uint32_t blockLeft = d.blockRemaining;
        for (;;) {
            if (blockLeft == 0) {
                HandBackBits(l);
                StartBlock();
                blockLeft = d.blockRemaining;
                LoadBits(l);
            }
            blockLeft--;
            NeedBits(l);

            unsigned j = d.symbolTable[l.bits >> (64 - SymbolTableBits)];
            if (j >= static_cast<unsigned>(SymbolCount))
                j = Walk(d, j, l.bits, uint64_t(1) << (63 - SymbolTableBits), SymbolCount);
            DropBits(l, d.symbolLengths[j]);

            if (j < 256) {
                buffer[r++] = static_cast<uint8_t>(j);
                if (r == count)
                    break;
                continue;
            }

            unsigned length = j - 253;
            unsigned k = d.auxTable[l.bits >> (64 - AuxTableBits)];
            if (k >= static_cast<unsigned>(DistanceCount))
                k = Walk(d, k, l.bits, uint64_t(1) << (63 - AuxTableBits), DistanceCount);
            DropBits(l, d.auxLengths[k]);
            unsigned distance = 0;
            if (k > 0) {
                distance = 1u << (k - 1);
                if (k > 1) {
                    distance += static_cast<unsigned>(l.bits >> (64 - (k - 1)));
                    DropBits(l, static_cast<int>(k) - 1);
                }
            }

            unsigned from = (r - distance - 1) & WindowMask;
            if (r + length <= count && from + length <= static_cast<unsigned>(WindowSize)) {
                CopyMatch(buffer, r, from, length);
                r += length;
                if (r == count)
                    break;
                continue;
            }
            // The match wraps around the window or runs past the chunk: byte
            // by byte, leaving the rest pending for the next chunk.
            d.pendingCopy = length;
            d.copyPosition = from;
            while (d.pendingCopy > 0) {
                d.pendingCopy--;
                buffer[r++] = buffer[d.copyPosition];
                d.copyPosition = (d.copyPosition + 1) & WindowMask;
                if (r == count)
                    break;
            }
            if (r == count)
                break;
        }
        d.blockRemaining = blockLeft;
        HandBackBits(l);
    }

done:
    // Sound data never needs bits beyond the member's packed bytes.
    if (BitsOverrun())
        FatalError(MsgCantRead);
}
