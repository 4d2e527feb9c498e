// The default mode's -lh5- match finder: hash chains over the 8192-byte window.
//
// A hash of the next three bytes leads to the latest position with the same
// hash, and a chain links each position to the one before it with that hash.
// The chain of a position is walked from the nearest candidate outwards and
// stops at the window's reach or after a given number of candidates: a
// longer walk finds longer or nearer matches at a cost in time that grows
// with it (the default mode walks 128).
#include <stdlib.h>
#include <string.h>

#include "kit/lh5.h"

namespace {

constexpr int HashBits = 15;
constexpr int NiceLongest = 128;  // a longest-match search ends at a match this long

inline unsigned Hash3(const uint8_t* p)
{
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - HashBits);
}

inline int Limit(const ChainMatcher& m, size_t pos)
{
    size_t left = m.end - pos;
    return left < MaxMatch ? static_cast<int>(left) : MaxMatch;
}

}  // namespace

ChainMatcher* NewChainMatcher(const uint8_t* data, size_t from, size_t end)
{
    ChainMatcher* m = static_cast<ChainMatcher*>(malloc(sizeof(ChainMatcher)));
    if (!m)
        return nullptr;
    m->data = data;
    m->from = from;
    m->end = end;
    for (int32_t& h : m->head)
        h = -1;
    return m;
}

static int32_t Rebased(int32_t pos, size_t delta)
{
    return pos < static_cast<int64_t>(delta) ? -1 : static_cast<int32_t>(pos - static_cast<int32_t>(delta));
}

void RebaseChains(ChainMatcher& m, size_t delta)
{
    for (int32_t& h : m.head)
        h = Rebased(h, delta);
    for (int32_t& q : m.prev)
        q = Rebased(q, delta);
    m.from = m.from > delta ? m.from - delta : 0;
}

void Insert(ChainMatcher& m, size_t pos)
{
    if (pos + MinMatch > m.end)
        return;
    unsigned h = Hash3(m.data + pos);
    m.prev[pos & (WindowBytes - 1)] = m.head[h];
    m.head[h] = static_cast<int32_t>(pos);
}

// The chain walk: every match longer than `atLeast` and all nearer ones,
// up to `nice` bytes (a match that long ends the walk); a full list keeps
// its longest, as the last entry is replaced.
static inline int WalkChain(const ChainMatcher& m, size_t pos, int atLeast, int chain, int nice, Match* out, int max)
{
    int limit = Limit(m, pos);
    if (limit < MinMatch)
        return 0;
    const uint8_t* here = m.data + pos;
    int best = atLeast < MinMatch - 1 ? MinMatch - 1 : atLeast;
    if (best >= limit)
        return 0;
    int found = 0;
    int32_t cand = m.head[Hash3(here)];
    while (cand >= 0 && chain-- > 0) {
        size_t back = pos - static_cast<size_t>(cand);
        if (back > MaxOffset || back == 0)
            break;
        const uint8_t* there = m.data + cand;
        if (there[best] == here[best] && there[0] == here[0]) {
            int n = CommonLength(there, here, 0, limit);
            if (n > best) {
                best = n;
                if (found == max)
                    found--;
                out[found++] = {static_cast<uint16_t>(n), static_cast<uint16_t>(back)};
                if (n >= limit || n >= nice)
                    break;
            }
        }
        cand = m.prev[cand & (WindowBytes - 1)];
    }
    return found;
}

int FindLongest(const ChainMatcher& m, size_t pos, int atLeast, int chain, int* offset)
{
    Match longest;
    if (!WalkChain(m, pos, atLeast, chain, NiceLongest, &longest, 1))
        return 0;
    *offset = longest.offset;
    return longest.length;
}
