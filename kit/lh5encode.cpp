// The -lh5- encoder: LZ77 over the 8192-byte window, coded in blocks of
// canonical Huffman codes in the layout the decoder reads.
//
// Matching: a hash of the next three bytes leads to the latest position with
// the same hash, and a chain links each position to the one before it with
// that hash, as far back as the window reaches. The parse is lazy: a match is
// taken only when the next position does not start a longer one.
//
// A block is written as: 16 bits symbol count; the code-length alphabet's
// lengths (5-bit count, 3-bit lengths with a unary tail from 7 up, a 2-bit
// zero run after the third); the symbol alphabet's lengths coded with it
// (9-bit count; 0 = one zero, 1 = 3..18 zeros, 2 = 20..531 zeros, 3..18 =
// lengths 1..16); the distance alphabet's lengths (4-bit count, no zero run);
// then the symbols, each match length followed by its distance code. An
// alphabet with a single symbol in use is written in the single form: a
// count of 0 and the symbol, which then costs no bits.
#include <stdlib.h>
#include <string.h>

#include "kit/kit.h"

namespace {

constexpr int WindowBytes = 8192;
constexpr int MaxOffset = WindowBytes - 1;  // bytes back; the decoder allows 8192
constexpr int MinMatch = 3;
constexpr int MaxMatch = 256;
constexpr int SymbolAlphabet = 510;
constexpr int DistanceAlphabet = 14;
constexpr int LengthAlphabet = 19;
constexpr int MaxCodeLength = 16;
constexpr int BlockSymbols = 16384;  // symbols per block; the count field holds 65535
constexpr int HashBits = 15;
constexpr int HashSize = 1 << HashBits;
constexpr int MaxChain = 128;         // positions tried per match search
constexpr int GoodMatch = 32;        // a lazy search after a match this long tries fewer
constexpr int NiceMatch = 128;       // a match this long ends the search

// ---- Bit output ----------------------------------------------------------------

struct BitWriter {
    ByteBuffer* out;
    uint64_t bits;   // pending bits, right-aligned
    int count;
};

inline void PutBits(BitWriter& w, int n, unsigned value)
{
    if (n == 0)
        return;
    w.bits = (w.bits << n) | (value & ((1u << n) - 1));
    w.count += n;
    if (w.count >= 32) {
        uint8_t bytes[4];
        int left = w.count - 32;
        uint32_t v = static_cast<uint32_t>(w.bits >> left);
        bytes[0] = static_cast<uint8_t>(v >> 24);
        bytes[1] = static_cast<uint8_t>(v >> 16);
        bytes[2] = static_cast<uint8_t>(v >> 8);
        bytes[3] = static_cast<uint8_t>(v);
        AppendBytes(*w.out, bytes, 4);
        w.count = left;
        w.bits &= (uint64_t(1) << left) - 1;
    }
}

// Pads the last byte with zero bits.
void FlushBits(BitWriter& w)
{
    while (w.count > 0) {
        int n = w.count >= 8 ? 8 : w.count;
        uint8_t byte = static_cast<uint8_t>((w.bits >> (w.count - n)) << (8 - n));
        AppendBytes(*w.out, &byte, 1);
        w.count -= n;
    }
    w.bits = 0;
}

// ---- Canonical codes ---------------------------------------------------------------

// Codes in the order the decoder builds its tables: by length, then by symbol.
void MakeCodes(int count, const uint8_t* lengths, uint16_t* codes)
{
    unsigned lengthCount[MaxCodeLength + 2] = {};
    for (int s = 0; s < count; s++)
        lengthCount[lengths[s]]++;
    unsigned start[MaxCodeLength + 2] = {};
    for (int L = 1; L <= MaxCodeLength; L++)
        start[L + 1] = (start[L] + lengthCount[L]) << 1;
    for (int s = 0; s < count; s++)
        codes[s] = lengths[s] ? static_cast<uint16_t>(start[lengths[s]]++) : 0;
}

// ---- Block buffer -------------------------------------------------------------------

struct Block {
    uint16_t symbol[BlockSymbols];    // literal byte, or match length + 253
    uint16_t distance[BlockSymbols];  // for a match: bytes back minus 1
    int count;
};

// Distance code j of a distance value: 0 for 0, else its bit length.
inline int DistanceCode(unsigned d)
{
    return d == 0 ? 0 : 32 - __builtin_clz(d);
}

// Zero runs and lengths of the symbol alphabet in the code-length alphabet,
// as (code, extra-bit count, extra value) steps.
struct LengthStep {
    uint8_t code;
    uint8_t extraBits;
    uint16_t extra;
};

int SymbolLengthSteps(const uint8_t* lengths, int n, LengthStep* steps)
{
    int k = 0;
    int i = 0;
    while (i < n) {
        if (lengths[i] != 0) {
            steps[k++] = {static_cast<uint8_t>(lengths[i] + 2), 0, 0};
            i++;
            continue;
        }
        int run = 0;
        while (i < n && lengths[i] == 0) {
            run++;
            i++;
        }
        if (run <= 2) {
            while (run-- > 0)
                steps[k++] = {0, 0, 0};
        } else if (run <= 18) {
            steps[k++] = {1, 4, static_cast<uint16_t>(run - 3)};
        } else if (run == 19) {
            steps[k++] = {0, 0, 0};
            steps[k++] = {1, 4, 15};
        } else {
            steps[k++] = {2, 9, static_cast<uint16_t>(run - 20)};
        }
    }
    return k;
}

// Lengths of a small alphabet: a count, 3 bits each (7 and up: 111, then
// one 1 bit per step above 7 and a 0 bit), a zero run after `special`.
void WriteAuxLengths(BitWriter& w, const uint8_t* lengths, int count, int fieldBits, int special)
{
    int n = count;
    while (n > 0 && lengths[n - 1] == 0)
        n--;
    PutBits(w, fieldBits, static_cast<unsigned>(n));
    int i = 0;
    while (i < n) {
        unsigned k = lengths[i++];
        if (k <= 6)
            PutBits(w, 3, k);
        else
            PutBits(w, static_cast<int>(k) - 3, (1u << (k - 3)) - 2);
        if (i == special) {
            while (i < 6 && i < count && lengths[i] == 0)
                i++;
            PutBits(w, 2, static_cast<unsigned>(i - special));
        }
    }
}

// The single symbol in use, for the single form (0 when none is used).
int OnlySymbol(const uint32_t* freq, int count)
{
    for (int s = 0; s < count; s++) {
        if (freq[s])
            return s;
    }
    return 0;
}

void WriteBlock(BitWriter& w, const Block& b)
{
    uint32_t symbolFreq[SymbolAlphabet] = {};
    uint32_t distanceFreq[DistanceAlphabet] = {};
    for (int i = 0; i < b.count; i++) {
        symbolFreq[b.symbol[i]]++;
        if (b.symbol[i] > 255)
            distanceFreq[DistanceCode(b.distance[i])]++;
    }
    uint8_t symbolLen[SymbolAlphabet];
    uint8_t distanceLen[DistanceAlphabet];
    uint8_t lengthLen[LengthAlphabet];
    uint16_t symbolCode[SymbolAlphabet];
    uint16_t distanceCode[DistanceAlphabet];
    uint16_t lengthCode[LengthAlphabet];
    int symbolsUsed = MakeCodeLengths(symbolFreq, SymbolAlphabet, MaxCodeLength, symbolLen);
    int distancesUsed = MakeCodeLengths(distanceFreq, DistanceAlphabet, MaxCodeLength, distanceLen);

    PutBits(w, 16, static_cast<unsigned>(b.count));
    if (symbolsUsed >= 2) {
        int n = SymbolAlphabet;
        while (n > 0 && symbolLen[n - 1] == 0)
            n--;
        static LengthStep steps[SymbolAlphabet + 1];
        int stepCount = SymbolLengthSteps(symbolLen, n, steps);
        uint32_t lengthFreq[LengthAlphabet] = {};
        for (int i = 0; i < stepCount; i++)
            lengthFreq[steps[i].code]++;
        if (MakeCodeLengths(lengthFreq, LengthAlphabet, MaxCodeLength, lengthLen) >= 2) {
            WriteAuxLengths(w, lengthLen, LengthAlphabet, 5, 3);
        } else {
            PutBits(w, 5, 0);
            PutBits(w, 5, static_cast<unsigned>(OnlySymbol(lengthFreq, LengthAlphabet)));
        }
        MakeCodes(LengthAlphabet, lengthLen, lengthCode);
        PutBits(w, 9, static_cast<unsigned>(n));
        for (int i = 0; i < stepCount; i++) {
            PutBits(w, lengthLen[steps[i].code], lengthCode[steps[i].code]);
            PutBits(w, steps[i].extraBits, steps[i].extra);
        }
    } else {
        PutBits(w, 5, 0);
        PutBits(w, 5, 0);
        PutBits(w, 9, 0);
        PutBits(w, 9, static_cast<unsigned>(OnlySymbol(symbolFreq, SymbolAlphabet)));
    }
    if (distancesUsed >= 2) {
        WriteAuxLengths(w, distanceLen, DistanceAlphabet, 4, -1);
    } else {
        PutBits(w, 4, 0);
        PutBits(w, 4, static_cast<unsigned>(OnlySymbol(distanceFreq, DistanceAlphabet)));
    }
    MakeCodes(SymbolAlphabet, symbolLen, symbolCode);
    MakeCodes(DistanceAlphabet, distanceLen, distanceCode);

    for (int i = 0; i < b.count; i++) {
        unsigned s = b.symbol[i];
        PutBits(w, symbolLen[s], symbolCode[s]);
        if (s > 255) {
            unsigned d = b.distance[i];
            int j = DistanceCode(d);
            PutBits(w, distanceLen[j], distanceCode[j]);
            if (j > 1)
                PutBits(w, j - 1, d - (1u << (j - 1)));
        }
    }
}

// ---- Match finder ----------------------------------------------------------------------

struct Matcher {
    const uint8_t* data;
    size_t size;
    int32_t head[HashSize];        // latest position of each hash, -1: none
    int32_t prev[WindowBytes];     // previous position with the same hash
};

inline unsigned Hash3(const uint8_t* p)
{
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - HashBits);
}

inline void Insert(Matcher& m, size_t pos)
{
    if (pos + MinMatch > m.size)
        return;
    unsigned h = Hash3(m.data + pos);
    m.prev[pos & (WindowBytes - 1)] = m.head[h];
    m.head[h] = static_cast<int32_t>(pos);
}

// Length of the common run of a and b, at most limit bytes.
inline int CommonLength(const uint8_t* a, const uint8_t* b, int limit)
{
    int n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        memcpy(&x, a + n, 8);
        memcpy(&y, b + n, 8);
        uint64_t diff = x ^ y;
        if (diff)
            return n + (__builtin_ctzll(diff) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        n++;
    return n;
}

// Longest match for pos among the positions already inserted, longer than
// `atLeast`; its length (0 when none) and offset (bytes back).
int FindMatch(const Matcher& m, size_t pos, int atLeast, int chain, int* offset)
{
    size_t left = m.size - pos;
    int limit = left < MaxMatch ? static_cast<int>(left) : MaxMatch;
    if (limit < MinMatch)
        return 0;
    const uint8_t* here = m.data + pos;
    int best = atLeast < MinMatch - 1 ? MinMatch - 1 : atLeast;
    int bestLength = 0;
    if (best >= limit)
        return 0;
    int32_t cand = m.head[Hash3(here)];
    while (cand >= 0 && chain-- > 0) {
        size_t back = pos - static_cast<size_t>(cand);
        if (back > MaxOffset || back == 0)
            break;
        const uint8_t* there = m.data + cand;
        if (there[best] == here[best] && there[0] == here[0]) {
            int n = CommonLength(there, here, limit);
            if (n > best) {
                best = n;
                bestLength = n;
                *offset = static_cast<int>(back);
                if (n >= limit || n >= NiceMatch)
                    break;
            }
        }
        cand = m.prev[cand & (WindowBytes - 1)];
    }
    return bestLength;
}

}  // namespace

// ---- Code lengths --------------------------------------------------------------------------

int MakeCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths)
{
    // Leaves sorted by frequency, then merged bottom-up with a second queue
    // of inner nodes (both queues stay sorted).
    int leaf[SymbolAlphabet];
    int used = 0;
    for (int s = 0; s < count; s++) {
        lengths[s] = 0;
        if (freq[s])
            leaf[used++] = s;
    }
    if (used < 2)
        return used;
    // Insertion sort is too slow for 510 symbols on every block: qsort.
    struct ByFreq {
        static const uint32_t*& Table() { static const uint32_t* t; return t; }
        static int Compare(const void* a, const void* b)
        {
            int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
            uint32_t fx = Table()[x], fy = Table()[y];
            if (fx != fy)
                return fx < fy ? -1 : 1;
            return x - y;
        }
    };
    ByFreq::Table() = freq;
    qsort(leaf, static_cast<size_t>(used), sizeof leaf[0], ByFreq::Compare);

    // Nodes 0..used-1 are the leaves in sorted order, used.. the inner nodes.
    uint64_t weight[2 * SymbolAlphabet];
    int parent[2 * SymbolAlphabet];
    for (int i = 0; i < used; i++)
        weight[i] = freq[leaf[i]];
    int nextLeaf = 0, nextInner = used, end = used;
    auto take = [&]() {
        if (nextLeaf < used && (nextInner >= end || weight[nextLeaf] <= weight[nextInner]))
            return nextLeaf++;
        return nextInner++;
    };
    while (end < 2 * used - 1) {
        int a = take();
        int b = take();
        weight[end] = weight[a] + weight[b];
        parent[a] = end;
        parent[b] = end;
        end++;
    }
    int depth[2 * SymbolAlphabet];
    depth[end - 1] = 0;
    for (int i = end - 2; i >= 0; i--)
        depth[i] = depth[parent[i]] + 1;

    // Count the leaves per depth; deeper ones are counted at maxLength, then
    // leaves are moved down until the code is complete again.
    unsigned perLength[MaxCodeLength + 1] = {};
    for (int i = 0; i < used; i++)
        perLength[depth[i] > maxLength ? maxLength : depth[i]]++;
    uint64_t total = 0;
    for (int L = 1; L <= maxLength; L++)
        total += static_cast<uint64_t>(perLength[L]) << (maxLength - L);
    while (total > (uint64_t(1) << maxLength)) {
        perLength[maxLength]--;
        for (int L = maxLength - 1; L > 0; L--) {
            if (perLength[L]) {
                perLength[L]--;
                perLength[L + 1] += 2;
                break;
            }
        }
        total--;
    }
    // The most frequent symbols get the shortest codes.
    int i = used - 1;
    for (int L = 1; L <= maxLength; L++) {
        for (unsigned k = 0; k < perLength[L]; k++)
            lengths[leaf[i--]] = static_cast<uint8_t>(L);
    }
    return used;
}

// ---- Encoding ----------------------------------------------------------------------------

int EncodeLh5(const uint8_t* in, size_t n, ByteBuffer& out)
{
    Matcher* m = static_cast<Matcher*>(malloc(sizeof(Matcher)));
    Block* b = static_cast<Block*>(malloc(sizeof(Block)));
    if (!m || !b) {
        free(m);
        free(b);
        return 0;
    }
    m->data = in;
    m->size = n;
    for (int32_t& h : m->head)
        h = -1;
    b->count = 0;
    BitWriter w = {&out, 0, 0};

    auto emit = [&](unsigned symbol, unsigned distance) {
        b->symbol[b->count] = static_cast<uint16_t>(symbol);
        b->distance[b->count] = static_cast<uint16_t>(distance);
        if (++b->count == BlockSymbols) {
            WriteBlock(w, *b);
            b->count = 0;
        }
    };

    size_t pos = 0;
    int offset = 0;
    int length = n > 0 ? FindMatch(*m, 0, 0, MaxChain, &offset) : 0;
    while (pos < n) {
        Insert(*m, pos);
        if (length < MinMatch) {
            emit(in[pos], 0);
            pos++;
            length = pos < n ? FindMatch(*m, pos, 0, MaxChain, &offset) : 0;
            continue;
        }
        // Lazy step: does the next position start a longer match?
        int nextOffset = 0;
        int next = 0;
        if (length < NiceMatch && pos + 1 < n)
            next = FindMatch(*m, pos + 1, length, length >= GoodMatch ? MaxChain / 4 : MaxChain,
                             &nextOffset);
        if (next > length) {
            emit(in[pos], 0);
            pos++;
            length = next;
            offset = nextOffset;
            continue;
        }
        emit(static_cast<unsigned>(length + 253), static_cast<unsigned>(offset - 1));
        size_t matchEnd = pos + static_cast<size_t>(length);
        for (pos++; pos < matchEnd; pos++)
            Insert(*m, pos);
        length = pos < n ? FindMatch(*m, pos, 0, MaxChain, &offset) : 0;
    }
    if (b->count > 0)
        WriteBlock(w, *b);
    FlushBits(w);
    free(m);
    free(b);
    return out.failed ? 0 : 1;
}
