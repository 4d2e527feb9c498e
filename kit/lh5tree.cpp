// The best mode's match finder: binary trees over the 8192-byte window.
//
// The positions that share a hash of their next three bytes form a tree
// ordered by the bytes that follow them, the newest position at the root and
// every subtree older than its parent. One walk from the root finds the
// position's matches and puts the position at the root in their place: each
// node passed is hung under the new root's smaller or larger side, so the
// order holds. A walk ends at the window's reach, at a match TreeNice bytes
// long or as long as allowed (the node's subtrees are then the new root's), or after TreeDepth
// nodes, where the rest of the tree is cut off. A hash-chain walk compares
// every candidate from the start; the tree walk passes only nodes that share
// more and more of the bytes with the position, so it finds the same long
// matches in far fewer steps.
#include <stdlib.h>
#include <string.h>

#include "kit/lh5.h"

namespace {

inline unsigned TreeHash(const uint8_t* p)
{
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - TreeHashBits);
}

}  // namespace

TreeMatcher* NewTreeMatcher(const uint8_t* data, size_t end)
{
    TreeMatcher* m = static_cast<TreeMatcher*>(malloc(sizeof(TreeMatcher)));
    if (!m)
        return nullptr;
    m->data = data;
    m->end = end;
    for (int32_t& h : m->head)
        h = -1;
    return m;
}

void RebaseTrees(TreeMatcher& m, size_t delta)
{
    for (int32_t& h : m.head)
        h = h < static_cast<int64_t>(delta) ? -1 : static_cast<int32_t>(h - static_cast<int32_t>(delta));
    for (int32_t& c : m.child)
        c = c < static_cast<int64_t>(delta) ? -1 : static_cast<int32_t>(c - static_cast<int32_t>(delta));
}

int TreeFindAll(TreeMatcher& m, size_t pos, Match* out)
{
    if (pos + MinMatch > m.end)
        return 0;
    size_t left = m.end - pos;
    int limit = left < MaxMatch ? static_cast<int>(left) : MaxMatch;
    const uint8_t* here = m.data + pos;
    unsigned h = TreeHash(here);
    int32_t cand = m.head[h];
    m.head[h] = static_cast<int32_t>(pos);
    int32_t* smaller = &m.child[2 * (pos & (WindowBytes - 1))];
    int32_t* larger = smaller + 1;
    int smallerLength = 0, largerLength = 0;  // bytes every node on that side shares
    int best = MinMatch - 1;
    int found = 0;
    for (int depth = TreeDepth; cand >= 0 && depth > 0; depth--) {
        size_t back = pos - static_cast<size_t>(cand);
        if (back > MaxOffset)
            break;
        const uint8_t* there = m.data + cand;
        int n = CommonLength(there, here, smallerLength < largerLength ? smallerLength : largerLength, limit);
        int32_t* node = &m.child[2 * (cand & (WindowBytes - 1))];
        if (n > best) {
            best = n;
            if (out)
                out[found] = {static_cast<uint16_t>(n), static_cast<uint16_t>(back)};
            found++;
            if (n >= limit || n >= TreeNice) {
                // Long enough: the node's subtrees become the root's.
                *smaller = node[0];
                *larger = node[1];
                return found;
            }
        }
        if (there[n] < here[n]) {
            *smaller = cand;
            smaller = &node[1];
            cand = *smaller;
            smallerLength = n;
        } else {
            *larger = cand;
            larger = &node[0];
            cand = *larger;
            largerLength = n;
        }
    }
    *smaller = -1;
    *larger = -1;
    return found;
}
