// The -lh5- parses: which literals and matches stand for the input, and
// where blocks begin.
//
// Lazy (the default mode): a match is taken only when the next position does
// not start a longer one; blocks of 16384 symbols.
//
// Near-optimal (the best mode): the cheapest path through the input under a
// cost model, iterated; blocks begun where their own codes make the whole
// cheaper. See ParseNearOptimal.
#include <stdlib.h>
#include <math.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kit/lh5.h"

namespace {

constexpr int LazyChain = 128;      // positions tried per match search
constexpr int GoodMatch = 32;       // a lazy search after a match this long tries a quarter
constexpr int NiceLazy = 128;       // a match this long is taken without a lazy search

constexpr int NiceLength = 256;     // a match this long is taken; the positions it covers are not searched
constexpr int PieceTokens = 256;    // the smallest block the best mode considers
constexpr int BlockPasses = 3;      // parses of each block with its own code lengths
// Parses of a segment with the costs of the one before stop when the last
// one saved less than 1/PassGainShare of the segment's bits, and after
// MaxSegmentPasses. On the bench corpus (24 MB of headers and libraries) the
// first parse after the greedy one saves 4 to 13 % of the bits, the second
// 0.2 to 0.3 %, the third 0.04 to 0.06 %: a bar of 1/256 ends most segments
// after two. One in 1024 gave 69 bytes less of 5.28 MB (0.001 %) for about
// 9 % more time, four fixed parses 100 bytes less for 17 %.
constexpr int MaxSegmentPasses = 4;
constexpr uint64_t PassGainShare = 256;

}  // namespace

// ---- Lazy parse ---------------------------------------------------------------------

int ParseLazy(const uint8_t* in, size_t from, size_t to, Parse& p, BitWriter* w, InputWindow* s)
{
    ChainMatcher* m = NewChainMatcher(in, from, s && s->size < to ? s->size : to);
    if (!m)
        return 0;
    size_t symbols = 0;
    // Written as they are done, the blocks' tokens stay few and in the cache.
    auto flush = [&]() {
        if (w && p.count > 0 && !p.failed) {
            WriteParse(*w, p, nullptr);
            p.count = 0;
            p.blockCount = 0;
        }
    };
    auto emit = [&](unsigned symbol, unsigned distance) {
        if (symbols++ % BlockSymbols == 0) {
            flush();
            StartBlock(p);
        }
        AddToken(p, {static_cast<uint16_t>(symbol), static_cast<uint16_t>(distance)});
    };
    size_t pos = from;
    int offset = 0;
    int length = pos < to ? FindLongest(*m, pos, 0, LazyChain, &offset) : 0;
    while (pos < to) {
        // Each step reads at most two matches ahead of pos.
        if (s && s->size < to && s->size - pos < StreamLookahead) {
            size_t delta = SlideWindow(*s, pos);
            if (s->failed)
                break;
            RebaseChains(*m, delta);
            pos -= delta;
            to -= delta;
            m->end = s->size < to ? s->size : to;
        }
        Insert(*m, pos);
        if (length < MinMatch) {
            emit(in[pos], 0);
            pos++;
            length = pos < to ? FindLongest(*m, pos, 0, LazyChain, &offset) : 0;
            continue;
        }
        // Lazy step: does the next position start a longer match?
        int nextOffset = 0;
        int next = 0;
        if (length < NiceLazy && pos + 1 < to)
            next = FindLongest(*m, pos + 1, length, length >= GoodMatch ? LazyChain / 4 : LazyChain,
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
        length = pos < to ? FindLongest(*m, pos, 0, LazyChain, &offset) : 0;
    }
    int ok = !p.failed && !(s && s->failed);
    flush();
    free(m);
    return ok;
}

// ---- Near-optimal parse ----------------------------------------------------------------

namespace {

// The cost model. A literal or match is charged the bits it takes in the
// block that holds it: the code length of its symbol, and for a match also
// the code length of its distance code and the distance's extra bits. The
// code lengths are those of the block's own Huffman codes, made from the
// previous parse's frequencies; as the parse changes the frequencies, parse
// and codes are iterated. The block's tables are not charged here: they are
// what block boundaries are chosen by. A symbol the previous parse did not
// use has no code; it is charged as a rare symbol would be, so that a parse
// can take it up when it pays. The first costs of a segment come from a
// greedy parse (the longest match at each position), which is cheap and
// close enough for the iterations to improve on.
constexpr uint32_t UnusedSymbolCost = 16;
constexpr uint32_t UnusedDistanceCost = 9;

struct Costs {
    uint32_t symbol[SymbolAlphabet];
    uint32_t distance[DistanceAlphabet];  // code and extra bits
};

void CostsFromCodes(const BlockCodes& c, Costs& k)
{
    // A single symbol in use is written in the single form at no cost; one
    // bit keeps the model from preferring it without limit.
    for (int s = 0; s < SymbolAlphabet; s++)
        k.symbol[s] = c.symbolLen[s] ? c.symbolLen[s] : c.symbolFreq[s] ? 1 : UnusedSymbolCost;
    for (int j = 0; j < DistanceAlphabet; j++)
        k.distance[j] = (c.distanceLen[j] ? c.distanceLen[j] : c.distanceFreq[j] ? 1 : UnusedDistanceCost) +
                        (j > 1 ? j - 1 : 0);
}

// The costs of the tokens' own codes; returns the bits the tokens take
// under them (the tables left out).
uint64_t CostsFromTokens(const Token* t, size_t n, Costs& k)
{
    BlockCodes c;
    CountTokens(t, n, c);
    MakeBlockCodes(c);
    CostsFromCodes(c, k);
    uint64_t bits = 0;
    for (int s = 0; s < SymbolAlphabet; s++)
        bits += uint64_t(c.symbolFreq[s]) * k.symbol[s];
    for (int j = 0; j < DistanceAlphabet; j++)
        bits += uint64_t(c.distanceFreq[j]) * k.distance[j];
    return bits;
}

// The matches found for each position of a segment, one position's after
// the other's: position i's are match[first[i]] up to match[first[i + 1]].
// Most positions have none or one, so the list grows with what is found.
struct Candidates {
    size_t base;            // input position of entry 0
    size_t size;
    uint32_t* first;        // size + 1 entries
    Match* match;
    size_t capacity;        // of match
    int failed;             // memory ran out
};

inline int CandidateCount(const Candidates& c, size_t i)
{
    return static_cast<int>(c.first[i + 1] - c.first[i]);
}

// The cheapest arrival found so far at each position: its cost, and the step
// that arrives, length (1: literal) | offset << 16. Two arrays rather than
// one of records, so that the costs of neighbouring lengths are compared
// four at a time.
struct Arrivals {
    uint32_t* cost;
    uint32_t* step;
};

// Not reached yet. Below 2^31, so that costs compare as signed integers
// (the vector compare is signed); a segment's bits are far below it.
constexpr uint32_t Unreached = 0x7FFFFFFF;

// Growable token scratch.
struct Tokens {
    Token* t;
    size_t n;
    size_t capacity;
    int failed;             // a token was lost for want of memory
};

bool Push(Tokens& v, Token t)
{
    if (v.n == v.capacity) {
        size_t grown = v.capacity ? v.capacity * 2 : 65536;
        Token* bigger = static_cast<Token*>(realloc(v.t, grown * sizeof(Token)));
        if (!bigger) {
            v.failed = 1;
            return false;
        }
        v.t = bigger;
        v.capacity = grown;
    }
    v.t[v.n++] = t;
    return true;
}

Token MakeToken(const uint8_t* in, size_t pos, int length, int offset)
{
    if (length == 1)
        return {in[pos], 0};
    return {static_cast<uint16_t>(length + 253), static_cast<uint16_t>(offset - 1)};
}

// Finds the candidates of [from, to) (inserting every position).
void FindCandidates(TreeMatcher& m, size_t from, size_t to, Candidates& c)
{
    c.base = from;
    c.size = to - from;
    size_t skip = 0;
    uint32_t used = 0;
    for (size_t pos = from; pos < to; pos++) {
        size_t i = pos - from;
        c.first[i] = used;
        if (skip > 0) {
            skip--;
            TreeFindAll(m, pos, nullptr);
            continue;
        }
        if (c.capacity - used < TreeDepth) {
            size_t grown = c.capacity * 2 + 4 * TreeDepth;
            Match* bigger = static_cast<Match*>(realloc(c.match, grown * sizeof(Match)));
            if (!bigger) {
                c.failed = 1;
                TreeFindAll(m, pos, nullptr);
                continue;
            }
            c.match = bigger;
            c.capacity = grown;
        }
        int n = TreeFindAll(m, pos, c.match + used);
        used += static_cast<uint32_t>(n);
        if (n > 0 && c.match[used - 1].length >= NiceLength)
            skip = c.match[used - 1].length - 1u;
    }
    c.first[c.size] = used;
}

// The longest match at each position: the start for the costs.
void ParseGreedy(const uint8_t* in, const Candidates& c, Tokens& out)
{
    out.n = 0;
    size_t i = 0;
    while (i < c.size) {
        int n = CandidateCount(c, i);
        if (n == 0) {
            Push(out, MakeToken(in, c.base + i, 1, 0));
            i++;
            continue;
        }
        Match m = c.match[c.first[i] + n - 1];
        Push(out, MakeToken(in, c.base + i, m.length, m.offset));
        i += m.length;
    }
}

// The cheapest path over [first, last) (segment indexes) under the costs:
// every position is reached by a literal from the one before or by a match
// of any length from 3 to the candidate's from an earlier one; for each
// length the nearest candidate that long is used, as nearer is never dearer.
void ParseCheapest(const uint8_t* in, const Candidates& c, size_t first, size_t last, const Costs& k,
                   Arrivals a, Tokens& out)
{
    size_t n = last - first;
    for (size_t i = 0; i <= n; i++)
        a.cost[i] = Unreached;
    a.cost[0] = 0;
    for (size_t i = 0; i < n; i++) {
        uint32_t here = a.cost[i];
        size_t at = first + i;
        uint32_t lit = here + k.symbol[in[c.base + at]];
        if (lit < a.cost[i + 1]) {
            a.cost[i + 1] = lit;
            a.step[i + 1] = 1;
        }
        int count = CandidateCount(c, at);
        const Match* m = c.match + c.first[at];
        size_t room = n - i;
        int length = MinMatch;
        for (int j = 0; j < count; j++) {
            int top = m[j].length;
            if (static_cast<size_t>(top) > room)
                top = static_cast<int>(room);
            uint32_t base = here + k.distance[DistanceCode(m[j].offset - 1u)];
            uint32_t offset = static_cast<uint32_t>(m[j].offset) << 16;
            uint32_t* cost = a.cost + i;
            uint32_t* step = a.step + i;
            const uint32_t* symbol = k.symbol + 253;
#if defined(__SSE2__)
            // Four lengths at once: each lands on a position of its own, so
            // the order of the updates does not matter.
            __m128i vbase = _mm_set1_epi32(static_cast<int>(base));
            __m128i vstep = _mm_set_epi32(static_cast<int>(offset | 3u), static_cast<int>(offset | 2u),
                                          static_cast<int>(offset | 1u), static_cast<int>(offset));
            for (; length + 3 <= top; length += 4) {
                __m128i now = _mm_add_epi32(vbase, _mm_loadu_si128(reinterpret_cast<const __m128i*>(symbol + length)));
                __m128i* slot = reinterpret_cast<__m128i*>(cost + length);
                __m128i old = _mm_loadu_si128(slot);
                __m128i better = _mm_cmplt_epi32(now, old);
                _mm_storeu_si128(slot, _mm_or_si128(_mm_and_si128(better, now), _mm_andnot_si128(better, old)));
                __m128i* st = reinterpret_cast<__m128i*>(step + length);
                __m128i steps = _mm_add_epi32(vstep, _mm_set1_epi32(length));
                _mm_storeu_si128(st, _mm_or_si128(_mm_and_si128(better, steps),
                                                  _mm_andnot_si128(better, _mm_loadu_si128(st))));
            }
#endif
            for (; length <= top; length++) {
                uint32_t now = base + symbol[length];
                if (now < cost[length]) {
                    cost[length] = now;
                    step[length] = offset | static_cast<uint32_t>(length);
                }
            }
        }
    }
    // Walk back from the end, then turn the steps round.
    size_t start = out.n;
    for (size_t i = n; i > 0;) {
        int length = static_cast<int>(a.step[i] & 0xFFFF);
        int offset = static_cast<int>(a.step[i] >> 16);
        i -= static_cast<size_t>(length);
        Push(out, MakeToken(in, c.base + first + i, length, offset));
    }
    for (size_t x = start, y = out.n - 1; x < y; x++, y--) {
        Token t = out.t[x];
        out.t[x] = out.t[y];
        out.t[y] = t;
    }
}

// Block boundaries by cost. There is no efficient way to find the best
// boundaries in general; this starts from pieces of PieceTokens symbols and
// merges the neighbours whose merging saves the most bits (a block's tables
// cost bits, but codes fitted to a smaller part of the data save them) until
// no merge saves any. Returns the number of blocks; starts[] holds the token
// index of each.
//
// What a merge saves is estimated, not built: a block's symbols take about
// the entropy of their frequencies, and the merged block's tables about the
// larger of the two pieces' (their tables are known exactly). Building the
// merged codes for every candidate merge took 6 % of the best mode's time;
// on the bench corpus the estimate packs 272 bytes smaller and the mode runs
// 6 to 8 % faster.
struct Piece {
    size_t first, last;
    BlockCodes codes;
    uint64_t tables;        // bits of the piece's tables under its own codes
    double entropy;         // of its symbols and distance codes, in bits
};

// Bits the symbols of these frequencies take at their entropy.
double Entropy(const uint32_t* f, int n)
{
    double total = 0, sum = 0;
    for (int i = 0; i < n; i++) {
        if (f[i]) {
            total += f[i];
            sum += f[i] * log2(static_cast<double>(f[i]));
        }
    }
    return total > 0 ? total * log2(total) - sum : 0;
}

// Codes, tables and entropy of a piece from its frequencies.
void Measure(Piece& p)
{
    MakeBlockCodes(p.codes);
    uint64_t bits = BlockBits(p.codes);
    uint64_t data = 0;
    for (int s = 0; s < SymbolAlphabet; s++)
        data += uint64_t(p.codes.symbolFreq[s]) * p.codes.symbolLen[s];
    for (int j = 0; j < DistanceAlphabet; j++)
        data += uint64_t(p.codes.distanceFreq[j]) * (p.codes.distanceLen[j] + (j > 1 ? j - 1 : 0));
    p.tables = bits - data;
    p.entropy = Entropy(p.codes.symbolFreq, SymbolAlphabet) + Entropy(p.codes.distanceFreq, DistanceAlphabet);
}

// Bits saved by merging x and its neighbour y, estimated (0: none, or the
// merged block would hold more symbols than its count field).
uint64_t EstimatedSaving(const Piece& x, const Piece& y)
{
    if (y.last - x.first > MaxBlockSymbols)
        return 0;
    uint32_t sf[SymbolAlphabet], df[DistanceAlphabet];
    for (int s = 0; s < SymbolAlphabet; s++)
        sf[s] = x.codes.symbolFreq[s] + y.codes.symbolFreq[s];
    for (int j = 0; j < DistanceAlphabet; j++)
        df[j] = x.codes.distanceFreq[j] + y.codes.distanceFreq[j];
    double merged = Entropy(sf, SymbolAlphabet) + Entropy(df, DistanceAlphabet) +
                    static_cast<double>(x.tables > y.tables ? x.tables : y.tables);
    double apart = x.entropy + y.entropy + static_cast<double>(x.tables + y.tables);
    return merged < apart ? static_cast<uint64_t>(apart - merged) : 0;
}

size_t ChooseBlocks(const Token* t, size_t n, size_t* starts, Piece* pieces, uint64_t* saving)
{
    size_t count = 0;
    for (size_t first = 0; first < n; first += PieceTokens) {
        Piece& p = pieces[count++];
        p.first = first;
        p.last = first + PieceTokens < n ? first + PieceTokens : n;
        CountTokens(t + p.first, p.last - p.first, p.codes);
        Measure(p);
    }
    // saving[i]: bits saved by merging pieces i and i + 1 (0: none).
    auto rate = [&](size_t i) {
        saving[i] = EstimatedSaving(pieces[i], pieces[i + 1]);
    };
    for (size_t i = 0; i + 1 < count; i++)
        rate(i);
    for (;;) {
        size_t best = count;
        for (size_t i = 0; i + 1 < count; i++) {
            if (saving[i] > 0 && (best == count || saving[i] > saving[best]))
                best = i;
        }
        if (best == count)
            break;
        Piece& x = pieces[best];
        const Piece& y = pieces[best + 1];
        for (int s = 0; s < SymbolAlphabet; s++)
            x.codes.symbolFreq[s] += y.codes.symbolFreq[s];
        for (int j = 0; j < DistanceAlphabet; j++)
            x.codes.distanceFreq[j] += y.codes.distanceFreq[j];
        x.last = y.last;
        Measure(x);
        memmove(pieces + best + 1, pieces + best + 2, (count - best - 2) * sizeof(Piece));
        memmove(saving + best + 1, saving + best + 2, (count > best + 2 ? count - best - 2 : 0) * sizeof(uint64_t));
        count--;
        if (best > 0)
            rate(best - 1);
        if (best + 1 < count)
            rate(best);
    }
    for (size_t i = 0; i < count; i++)
        starts[i] = pieces[i].first;
    return count;
}

size_t InputBytes(const Token* t, size_t n)
{
    size_t bytes = 0;
    for (size_t i = 0; i < n; i++)
        bytes += TokenBytes(t[i]);
    return bytes;
}

}  // namespace

bool JoinsBlockBefore(const Parse& p, size_t begins, uint64_t bits)
{
    if (p.blockCount == 0 || p.failed)
        return false;
    size_t lastStart = p.blocks[p.blockCount - 1];
    return p.count - lastStart <= MaxBlockSymbols &&
           TokenBlockBits(p.tokens + lastStart, p.count - lastStart) <
               TokenBlockBits(p.tokens + lastStart, begins - lastStart) + bits;
}

// The best mode works segment by segment (SegmentBytes of input; a block
// never spans two): the candidates of the segment are found once; a greedy
// parse gives the first costs; the cheapest path is found with the costs of
// the previous parse until that stops paying; block boundaries are chosen by cost over that
// parse; then each block is parsed again with its own code lengths, kept
// when its bits (tables included) go down.
int ParseNearOptimal(const uint8_t* in, size_t from, size_t to, Parse& p, BitWriter* w, InputWindow* s)
{
    size_t segment = to - from < SegmentBytes ? to - from : SegmentBytes;
    size_t maxPieces = segment / PieceTokens + 2;
    TreeMatcher* m = NewTreeMatcher(in, s && s->size < to ? s->size : to);
    Candidates c = {};
    c.first = static_cast<uint32_t*>(malloc((segment + 1) * sizeof(uint32_t)));
    Arrivals arrivals = {static_cast<uint32_t*>(malloc((segment + 1) * sizeof(uint32_t))),
                         static_cast<uint32_t*>(malloc((segment + 1) * sizeof(uint32_t)))};
    Piece* pieces = static_cast<Piece*>(malloc(maxPieces * sizeof(Piece)));
    uint64_t* saving = static_cast<uint64_t*>(malloc(maxPieces * sizeof(uint64_t)));
    size_t* starts = static_cast<size_t*>(malloc(maxPieces * sizeof(size_t)));
    Tokens parse = {}, block = {}, kept = {};
    Costs* costs = static_cast<Costs*>(malloc(sizeof(Costs)));
    int ok = m && c.first && arrivals.cost && arrivals.step && pieces && saving && starts && costs;
    for (size_t at = from; ok && at < to; at += segment) {
        // A segment's matches run up to MaxMatch bytes past its end.
        if (s && s->size < to && s->size - at < segment + StreamLookahead) {
            size_t delta = SlideWindow(*s, at);
            if (s->failed)
                break;
            RebaseTrees(*m, delta);
            at -= delta;
            to -= delta;
            m->end = s->size < to ? s->size : to;
        }
        size_t end = to - at < segment ? to : at + segment;
        FindCandidates(*m, at, end, c);
        if (c.failed)
            break;
        ParseGreedy(in, c, parse);
        uint64_t bits = CostsFromTokens(parse.t, parse.n, *costs);
        for (int pass = 0; pass < MaxSegmentPasses; pass++) {
            parse.n = 0;
            ParseCheapest(in, c, 0, c.size, *costs, arrivals, parse);
            uint64_t now = CostsFromTokens(parse.t, parse.n, *costs);
            uint64_t gain = now < bits ? bits - now : 0;
            bits = now;
            if (gain < bits / PassGainShare)
                break;
        }
        size_t blocks = ChooseBlocks(parse.t, parse.n, starts, pieces, saving);
        size_t position = 0;  // segment index where the block begins
        for (size_t b = 0; b < blocks; b++) {
            size_t first = starts[b];
            size_t last = b + 1 < blocks ? starts[b + 1] : parse.n;
            size_t bytes = InputBytes(parse.t + first, last - first);
            kept.n = 0;
            for (size_t i = first; i < last; i++)
                Push(kept, parse.t[i]);
            uint64_t keptBits = TokenBlockBits(kept.t, kept.n);
            for (int pass = 0; pass < BlockPasses; pass++) {
                CostsFromTokens(kept.t, kept.n, *costs);
                block.n = 0;
                ParseCheapest(in, c, position, position + bytes, *costs, arrivals, block);
                uint64_t bits = block.n <= MaxBlockSymbols ? TokenBlockBits(block.t, block.n) : UINT64_MAX;
                if (bits >= keptBits)
                    break;
                Tokens better = block;
                block = kept;
                kept = better;
                keptBits = bits;
            }
            // The first block of a segment may join the last of the one before.
            size_t begins = p.count;
            for (size_t i = 0; i < kept.n; i++)
                AddToken(p, kept.t[i]);
            if (b > 0 || !JoinsBlockBefore(p, begins, keptBits))
                StartBlockAt(p, begins);
            position += bytes;
        }
        // Written as they are done, all but the last block, which the next
        // segment's first may join.
        if (w && p.blockCount > 1 && !p.failed) {
            size_t last = p.blocks[p.blockCount - 1];
            for (size_t b = 0; b + 1 < p.blockCount; b++)
                WriteBlock(*w, p.tokens + p.blocks[b], p.blocks[b + 1] - p.blocks[b]);
            memmove(p.tokens, p.tokens + last, (p.count - last) * sizeof(Token));
            p.count -= last;
            p.blocks[0] = 0;
            p.blockCount = 1;
        }
        ok = !p.failed && !parse.failed && !block.failed && !kept.failed;
    }
    ok = ok && !c.failed && !(s && s->failed);
    if (w && ok) {
        WriteParse(*w, p, nullptr);
        p.count = 0;
        p.blockCount = 0;
    }
    free(m);
    free(c.first);
    free(c.match);
    free(arrivals.cost);
    free(arrivals.step);
    free(pieces);
    free(saving);
    free(starts);
    free(parse.t);
    free(block.t);
    free(kept.t);
    free(costs);
    return ok && !p.failed;
}
