// Bit input and canonical Huffman decode tables.
//
// A compressed member is a stream of bits, most significant bit of each byte
// first. The reader keeps its look-ahead left-aligned in a 64-bit register:
// the top 16 bits are the "window" the decoder looks at. It takes bytes from
// the archive's buffer but never more than the member's packed bytes; once
// those are used up it supplies zero bits for ever, and counts them, so that
// a decoder which actually consumes them can tell that the data is short.
#include <string.h>

#include "archive/extractor.h"

static inline uint64_t LoadBigEndian64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

void RefillBits()
{
    BitReader& b = Extractor.bits;
    ArchiveStream& a = Extractor.archive;
    MemberHeader& h = Extractor.header;
    if (b.count >= 56)
        return;
    // Fast path: eight packed bytes are at hand. Loading them whole and
    // keeping the ones that fit is exact, since bits already held beyond the
    // whole bytes taken are the same bits of the same bytes.
    if (a.end - a.cursor >= 8 && h.packedRemaining >= 8) {
        b.bits |= LoadBigEndian64(a.cursor) >> b.count;
        int taken = (63 - b.count) >> 3;
        a.cursor += taken;
        h.packedRemaining -= static_cast<uint32_t>(taken);
        b.count += taken * 8;
        return;
    }
    while (b.count <= 56) {
        unsigned byte = 0;
        if (h.packedRemaining > 0) {
            // The member's data must be in the archive; a file cut short is
            // damaged, not padded.
            if (!RefillArchive())
                FatalError(MsgCantRead);
            byte = *a.cursor++;
            h.packedRemaining--;
        } else {
            b.padBits += 8;
        }
        b.bits |= static_cast<uint64_t>(byte) << (56 - b.count);
        b.count += 8;
    }
}

void StartBits()
{
    BitReader& b = Extractor.bits;
    b.bits = 0;
    b.count = 0;
    b.padBits = 0;
    RefillBits();
}

void FillBits(int n)
{
    BitReader& b = Extractor.bits;
    b.bits <<= n;
    b.count -= n;
    if (b.count < LookAheadBits)
        RefillBits();
}

unsigned GetBits(int n)
{
    if (n == 0)
        return 0;
    unsigned value = static_cast<unsigned>(Extractor.bits.bits >> (64 - n));
    FillBits(n);
    return value;
}

int BitsOverrun()
{
    const BitReader& b = Extractor.bits;
    return b.count < b.padBits;
}

// BuildDecodeTable: the codes are canonical. In the 16-bit code space all
// codes of length 1 come first, then those of length 2, and so on; within a
// length, in ascending symbol order. A code of at most tableBits bits owns a
// run of table entries; a longer one has its first tableBits bits select an
// entry that holds the root of a binary tree (nodes numbered from symbolCount
// on, in leftChild/rightChild) walked with the following bits.
void BuildDecodeTable(int symbolCount, const uint8_t* lengths, int tableBits, uint16_t* table)
{
    DecoderState& d = Extractor.decoder;
    uint32_t count[17] = {0};
    for (int s = 0; s < symbolCount; s++) {
        if (lengths[s] > 16)
            FatalError(MsgBadTable);
        count[lengths[s]]++;
    }
    // start[i]: first code of length i, left-aligned in 16 bits.
    uint32_t start[18];
    start[1] = 0;
    for (int i = 1; i <= 16; i++)
        start[i + 1] = start[i] + (count[i] << (16 - i));
    // A complete prefix code fills the 16-bit code space exactly. A set of
    // only zero lengths comes from damaged data as well.
    if (start[17] != 0x10000)
        FatalError(MsgBadTable);

    int shift = 16 - tableBits;
    uint32_t weight[17];
    for (int i = 1; i <= tableBits; i++) {
        start[i] >>= shift;
        weight[i] = 1u << (tableBits - i);
    }
    for (int i = tableBits + 1; i <= 16; i++)
        weight[i] = 1u << (16 - i);

    // Entries past the short codes hold tree roots, filled below; nothing is
    // cleared when the short codes fill the whole table.
    uint32_t tableSize = 1u << tableBits;
    if (start[tableBits + 1] < 0x10000) {
        for (uint32_t i = start[tableBits + 1] >> shift; i < tableSize; i++)
            table[i] = 0;
    }

    unsigned nextNode = static_cast<unsigned>(symbolCount);
    uint32_t mask = 1u << (15 - tableBits);
    for (int s = 0; s < symbolCount; s++) {
        int length = lengths[s];
        if (length == 0)
            continue;
        uint32_t end = start[length] + weight[length];
        if (length <= tableBits) {
            for (uint32_t i = start[length]; i < end; i++)
                table[i] = static_cast<uint16_t>(s);
        } else {
            uint32_t code = start[length];
            uint16_t* slot = &table[code >> shift];
            for (int i = length - tableBits; i > 0; i--) {
                if (*slot == 0) {
                    // A complete code never needs more nodes than the tree
                    // holds; the check only guards the arrays.
                    if (nextNode >= static_cast<unsigned>(TreeSize))
                        FatalError(MsgBadTable);
                    d.leftChild[nextNode] = 0;
                    d.rightChild[nextNode] = 0;
                    *slot = static_cast<uint16_t>(nextNode++);
                }
                slot = (code & mask) ? &d.rightChild[*slot] : &d.leftChild[*slot];
                code <<= 1;
            }
            *slot = static_cast<uint16_t>(s);
        }
        start[length] = end;
    }
}
