// The -lh5- block writer: code lengths, canonical codes and the block
// layout, and the bit output under them.
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

#include "kit/lh5.h"

// ---- Bit output ----------------------------------------------------------------

void PutBits(BitWriter& w, int n, unsigned value)
{
    if (n == 0)
        return;
    w.total += static_cast<unsigned>(n);
    if (!w.out)
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

void FlushBits(BitWriter& w)
{
    if (w.total % 8)
        w.total += 8 - w.total % 8;
    while (w.out && w.count > 0) {
        int n = w.count >= 8 ? 8 : w.count;
        uint8_t byte = static_cast<uint8_t>((w.bits >> (w.count - n)) << (8 - n));
        AppendBytes(*w.out, &byte, 1);
        w.count -= n;
    }
    w.bits = 0;
}

void CopyBits(BitWriter& w, const uint8_t* bytes, uint64_t first, uint64_t last)
{
    uint64_t at = first;
    // Up to a byte boundary, then 24 bits at a time.
    while (at < last && at % 8) {
        PutBits(w, 1, bytes[at / 8] >> (7 - at % 8));
        at++;
    }
    while (last - at >= 24) {
        const uint8_t* p = bytes + at / 8;
        PutBits(w, 24, (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2]);
        at += 24;
    }
    while (at < last) {
        PutBits(w, 1, bytes[at / 8] >> (7 - at % 8));
        at++;
    }
}

namespace {

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

// ---- Blocks -----------------------------------------------------------------------------------

void CountTokens(const Token* t, size_t n, BlockCodes& c)
{
    memset(c.symbolFreq, 0, sizeof c.symbolFreq);
    memset(c.distanceFreq, 0, sizeof c.distanceFreq);
    for (size_t i = 0; i < n; i++) {
        c.symbolFreq[t[i].symbol]++;
        if (t[i].symbol > 255)
            c.distanceFreq[DistanceCode(t[i].distance)]++;
    }
}

void MakeBlockCodes(BlockCodes& c)
{
    c.symbolsUsed = MakeCodeLengths(c.symbolFreq, SymbolAlphabet, MaxCodeLength, c.symbolLen);
    c.distancesUsed = MakeCodeLengths(c.distanceFreq, DistanceAlphabet, MaxCodeLength, c.distanceLen);
}

// The block's count and its three tables.
static void WriteTables(BitWriter& w, const BlockCodes& c, size_t count)
{
    PutBits(w, 16, static_cast<unsigned>(count));
    if (c.symbolsUsed >= 2) {
        int n = SymbolAlphabet;
        while (n > 0 && c.symbolLen[n - 1] == 0)
            n--;
        LengthStep steps[SymbolAlphabet + 1];
        int stepCount = SymbolLengthSteps(c.symbolLen, n, steps);
        uint32_t lengthFreq[LengthAlphabet] = {};
        for (int i = 0; i < stepCount; i++)
            lengthFreq[steps[i].code]++;
        uint8_t lengthLen[LengthAlphabet];
        uint16_t lengthCode[LengthAlphabet];
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
        PutBits(w, 9, static_cast<unsigned>(OnlySymbol(c.symbolFreq, SymbolAlphabet)));
    }
    if (c.distancesUsed >= 2) {
        WriteAuxLengths(w, c.distanceLen, DistanceAlphabet, 4, -1);
    } else {
        PutBits(w, 4, 0);
        PutBits(w, 4, static_cast<unsigned>(OnlySymbol(c.distanceFreq, DistanceAlphabet)));
    }
}

uint64_t BlockBits(BlockCodes& c)
{
    size_t count = 0;
    uint64_t bits = 0;
    for (int s = 0; s < SymbolAlphabet; s++) {
        count += c.symbolFreq[s];
        bits += uint64_t(c.symbolFreq[s]) * c.symbolLen[s];
    }
    for (int j = 0; j < DistanceAlphabet; j++)
        bits += uint64_t(c.distanceFreq[j]) * (c.distanceLen[j] + (j > 1 ? j - 1 : 0));
    BitWriter counter = {nullptr, 0, 0, 0, nullptr};
    WriteTables(counter, c, count);
    return bits + counter.total;
}

uint64_t TokenBlockBits(const Token* t, size_t n)
{
    BlockCodes c;
    CountTokens(t, n, c);
    MakeBlockCodes(c);
    return BlockBits(c);
}

int WriteBlock(BitWriter& w, const Token* t, size_t n)
{
    // The count field holds 1 to 65535: a block outside that would be read
    // as another count (65536 as 0), so the stream is failed instead.
    if (n == 0 || n > MaxBlockSymbols) {
        if (w.out)
            w.out->failed = 1;
        return 0;
    }
    if (w.notes)
        NoteBlock(*w.notes, t, n, w.total);
    BlockCodes c;
    CountTokens(t, n, c);
    MakeBlockCodes(c);
    WriteTables(w, c, n);
    uint16_t symbolCode[SymbolAlphabet];
    uint16_t distanceCode[DistanceAlphabet];
    MakeCodes(SymbolAlphabet, c.symbolLen, symbolCode);
    MakeCodes(DistanceAlphabet, c.distanceLen, distanceCode);
    for (size_t i = 0; i < n; i++) {
        unsigned s = t[i].symbol;
        PutBits(w, c.symbolLen[s], symbolCode[s]);
        if (s > 255) {
            unsigned d = t[i].distance;
            int j = DistanceCode(d);
            PutBits(w, c.distanceLen[j], distanceCode[j]);
            if (j > 1)
                PutBits(w, j - 1, d - (1u << (j - 1)));
        }
    }
    return 1;
}

void WriteParse(BitWriter& w, const Parse& p, uint64_t* starts)
{
    for (size_t b = 0; b < p.blockCount; b++) {
        size_t first = p.blocks[b];
        size_t last = b + 1 < p.blockCount ? p.blocks[b + 1] : p.count;
        if (starts)
            starts[b] = w.total;
        if (last > first)
            WriteBlock(w, p.tokens + first, last - first);
    }
    if (starts)
        starts[p.blockCount] = w.total;
}

// ---- Parse records --------------------------------------------------------------------------

void InitParse(Parse& p)
{
    memset(&p, 0, sizeof p);
}

void FreeParse(Parse& p)
{
    free(p.tokens);
    free(p.blocks);
    InitParse(p);
}

template <typename T>
static bool Grow(T*& items, size_t& capacity, size_t need)
{
    if (need <= capacity)
        return true;
    size_t grown = capacity ? capacity * 2 : 4096;
    while (grown < need)
        grown *= 2;
    T* bigger = static_cast<T*>(realloc(items, grown * sizeof(T)));
    if (!bigger)
        return false;
    items = bigger;
    capacity = grown;
    return true;
}

void AddToken(Parse& p, Token t)
{
    if (p.failed || !Grow(p.tokens, p.capacity, p.count + 1)) {
        p.failed = 1;
        return;
    }
    p.tokens[p.count++] = t;
}

void StartBlock(Parse& p)
{
    StartBlockAt(p, p.count);
}

// An empty block is never made: a start where the last block begins is kept once.
void StartBlockAt(Parse& p, size_t token)
{
    if (p.blockCount > 0 && p.blocks[p.blockCount - 1] == token)
        return;
    if (p.failed || !Grow(p.blocks, p.blockCapacity, p.blockCount + 1)) {
        p.failed = 1;
        return;
    }
    p.blocks[p.blockCount++] = token;
}
