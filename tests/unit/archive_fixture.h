// Builders of archive bytes for the archive tests: level-1 base headers with
// any method id, name and fields, optional extension headers, member data.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "archive/extractor.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

inline uint16_t Crc16Of(const Bytes& data)
{
    return UpdateCrc16(0, data.data(), data.size());
}

struct MemberSpec {
    std::string method = "-lh0-";
    std::string name = "FILE.TXT";
    Bytes data;                    // member data as stored (packed)
    uint32_t unpackedSize = 0;
    uint16_t crc = 0;
    std::vector<Bytes> extensions; // contents of each extension header, size field excluded
};

// The member: base header, extension headers, data.
inline Bytes MemberBytes(const MemberSpec& m)
{
    Bytes ext;
    for (size_t i = 0; i < m.extensions.size(); i++) {
        ext.insert(ext.end(), m.extensions[i].begin(), m.extensions[i].end());
        uint16_t next = i + 1 < m.extensions.size()
                            ? static_cast<uint16_t>(m.extensions[i + 1].size() + 2)
                            : 0;
        ext.push_back(static_cast<uint8_t>(next));
        ext.push_back(static_cast<uint8_t>(next >> 8));
    }
    uint16_t firstExt = m.extensions.empty() ? 0 : static_cast<uint16_t>(m.extensions[0].size() + 2);
    uint32_t packed = static_cast<uint32_t>(m.data.size() + ext.size());

    Bytes h;  // from the method id on
    h.insert(h.end(), m.method.begin(), m.method.end());
    for (int i = 0; i < 4; i++)
        h.push_back(static_cast<uint8_t>(packed >> (8 * i)));
    for (int i = 0; i < 4; i++)
        h.push_back(static_cast<uint8_t>(m.unpackedSize >> (8 * i)));
    for (int i = 0; i < 4; i++)
        h.push_back(0);           // time stamp
    h.push_back(0x20);            // attribute
    h.push_back(1);               // level
    h.push_back(static_cast<uint8_t>(m.name.size()));
    h.insert(h.end(), m.name.begin(), m.name.end());
    h.push_back(static_cast<uint8_t>(m.crc));
    h.push_back(static_cast<uint8_t>(m.crc >> 8));
    h.push_back('M');             // system id
    h.push_back(static_cast<uint8_t>(firstExt));
    h.push_back(static_cast<uint8_t>(firstExt >> 8));

    unsigned sum = 0;
    for (uint8_t b : h)
        sum += b;
    Bytes out;
    out.push_back(static_cast<uint8_t>(h.size()));
    out.push_back(static_cast<uint8_t>(sum));
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), ext.begin(), ext.end());
    out.insert(out.end(), m.data.begin(), m.data.end());
    return out;
}

// A stored member of the given method ("-lh0-", "<sto>", "<st+>").
inline MemberSpec StoredMember(const std::string& name, const std::string& text,
                               const std::string& method = "-lh0-")
{
    MemberSpec m;
    m.method = method;
    m.name = name;
    m.data = ToBytes(text);
    m.unpackedSize = static_cast<uint32_t>(text.size());
    m.crc = Crc16Of(m.data);
    return m;
}

// The eleven packed bytes that decode to abcabcabcabc.
inline Bytes AbcPacked()
{
    return {0x00, 0x04, 0x28, 0x05, 0x30, 0x71, 0x37, 0x91, 0xD0, 0x21, 0xB0};
}

inline MemberSpec AbcMember(const std::string& name, const std::string& method = "-lh5-")
{
    MemberSpec m;
    m.method = method;
    m.name = name;
    m.data = AbcPacked();
    m.unpackedSize = 12;
    m.crc = 0x44DD;
    return m;
}

inline Bytes ArchiveOf(const std::vector<MemberSpec>& members, bool signature = false)
{
    Bytes out;
    if (signature)
        out = {0x00, 0xCC, 0xBB, 0xAA};
    for (const MemberSpec& m : members) {
        Bytes b = MemberBytes(m);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.push_back(0);
    return out;
}

inline bool WriteFileBytes(const std::string& path, const Bytes& data)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

inline Bytes ReadFileBytes(const std::string& path)
{
    Bytes data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    fclose(f);
    return data;
}

// Bit writer, most significant bit first, for hand-made compressed streams.
struct BitWriter {
    Bytes bytes;
    int used = 8;
    void Put(unsigned value, int n)
    {
        for (int i = n - 1; i >= 0; i--) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            if ((value >> i) & 1)
                bytes.back() |= static_cast<uint8_t>(0x80 >> used);
            used++;
        }
    }
};

// ---- A small encoder with fixed codes ---------------------------------------------
// Symbols: 508 codes of 9 bits and two of 8 (the last two symbols). Distances:
// two codes of 3 bits, twelve of 4. The code-length alphabet uses only the
// codes 10 and 11 (lengths 8 and 9), one bit each.

struct Token {
    unsigned length;    // 0 for a literal
    unsigned value;     // the literal, or the distance (match starts distance + 1 back)
};

struct TestEncoder {
    BitWriter w;
    std::vector<uint8_t> symbolLengths = std::vector<uint8_t>(510, 9);
    std::vector<uint8_t> distanceLengths = std::vector<uint8_t>(14, 4);
    std::vector<unsigned> symbolCodes;
    std::vector<unsigned> distanceCodes;
    unsigned zeroRun = 3;  // zero aux lengths after the third

    TestEncoder()
    {
        symbolLengths[508] = symbolLengths[509] = 8;
        distanceLengths[0] = distanceLengths[1] = 3;
        symbolCodes = Canonical(symbolLengths);
        distanceCodes = Canonical(distanceLengths);
    }

    static std::vector<unsigned> Canonical(const std::vector<uint8_t>& lengths)
    {
        std::vector<unsigned> codes(lengths.size());
        unsigned code = 0;
        for (int len = 1; len <= 16; len++) {
            for (size_t s = 0; s < lengths.size(); s++) {
                if (lengths[s] == len)
                    codes[s] = code++;
            }
            code <<= 1;
        }
        return codes;
    }

    void PutAuxLength(unsigned v)
    {
        if (v < 7) {
            w.Put(v, 3);
            return;
        }
        w.Put(7, 3);
        for (unsigned i = 7; i < v; i++)
            w.Put(1, 1);
        w.Put(0, 1);
    }

    // Any complete codes, lengths 1 to 16. The code-length alphabet then gets
    // all 19 symbols: 13 codes of 4 bits and 6 of 5.
    bool anyLengths = false;
    void SetLengths(const std::vector<uint8_t>& symbols, const std::vector<uint8_t>& distances)
    {
        anyLengths = true;
        symbolLengths = symbols;
        distanceLengths = distances;
        symbolCodes = Canonical(symbolLengths);
        distanceCodes = Canonical(distanceLengths);
    }

    void AnyLengthsHeader()
    {
        std::vector<uint8_t> aux(19, 4);
        for (int i = 13; i < 19; i++)
            aux[i] = 5;
        std::vector<unsigned> auxCodes = Canonical(aux);
        w.Put(19, 5);
        for (int i = 0; i < 19; i++) {
            PutAuxLength(aux[i]);
            if (i == 2)
                w.Put(0, 2);
        }
        w.Put(510, 9);
        for (uint8_t len : symbolLengths) {
            unsigned x = len == 0 ? 0 : len + 2u;
            w.Put(auxCodes[x], aux[x]);
        }
        w.Put(14, 4);
        for (uint8_t len : distanceLengths)
            PutAuxLength(len);
    }

    void BlockHeader(unsigned size)
    {
        w.Put(size, 16);
        if (anyLengths) {
            AnyLengthsHeader();
            return;
        }
        // Code-length alphabet: 12 lengths, 10 and 11 have one bit.
        w.Put(12, 5);
        for (unsigned i = 0; i < 12;) {
            PutAuxLength(i >= 10 ? 1 : 0);
            i++;
            if (i == 3) {
                w.Put(zeroRun, 2);
                i += zeroRun;
            }
        }
        // Symbol lengths 8 and 9 are the codes 10 (bit 0) and 11 (bit 1).
        w.Put(510, 9);
        for (uint8_t len : symbolLengths)
            w.Put(len == 8 ? 0 : 1, 1);
        w.Put(14, 4);
        for (uint8_t len : distanceLengths)
            PutAuxLength(len);
    }

    void Put(const Token& t)
    {
        if (t.length == 0) {
            w.Put(symbolCodes[t.value], symbolLengths[t.value]);
            return;
        }
        unsigned s = t.length + 253;
        w.Put(symbolCodes[s], symbolLengths[s]);
        unsigned j = 0;
        while ((t.value >> j) != 0)
            j++;
        w.Put(distanceCodes[j], distanceLengths[j]);
        if (j > 1)
            w.Put(t.value - (1u << (j - 1)), static_cast<int>(j) - 1);
    }

    // The tokens in blocks of at most blockSize symbols.
    Bytes Encode(const std::vector<Token>& tokens, unsigned blockSize = 65535)
    {
        for (size_t i = 0; i < tokens.size(); i++) {
            if (i % blockSize == 0) {
                size_t left = tokens.size() - i;
                BlockHeader(static_cast<unsigned>(left < blockSize ? left : blockSize));
            }
            Put(tokens[i]);
        }
        return w.bytes;
    }
};

// The output the tokens stand for, expanded byte by byte.
inline Bytes Expand(const std::vector<Token>& tokens)
{
    Bytes out;
    for (const Token& t : tokens) {
        if (t.length == 0) {
            out.push_back(static_cast<uint8_t>(t.value));
            continue;
        }
        for (unsigned i = 0; i < t.length; i++)
            out.push_back(out[out.size() - t.value - 1]);
    }
    return out;
}

// Random literals and matches, distances up to the largest (8191) as soon as
// that much output exists.
inline std::vector<Token> RandomTokens(uint32_t seed, size_t outputSize)
{
    std::vector<Token> tokens;
    size_t produced = 0;
    while (produced < outputSize) {
        seed = seed * 1103515245 + 12345;
        unsigned r = seed >> 8;
        if (produced < 10 || r % 3 == 0) {
            tokens.push_back({0, r % 7 == 0 ? 0u : (r >> 4) & 0xFF});
            produced++;
            continue;
        }
        unsigned length = 3 + (r >> 3) % (r % 5 == 0 ? 254 : 20);
        unsigned maxDistance = produced - 1 < 8191 ? static_cast<unsigned>(produced - 1) : 8191;
        unsigned distance;
        switch ((r >> 12) % 4) {
        case 0:
            distance = (r >> 14) % 8;  // overlapping copies
            break;
        case 1:
            distance = maxDistance - (r >> 14) % 16;  // far back, across the window's end
            break;
        default:
            distance = (r >> 14) % (maxDistance + 1);
            break;
        }
        if (distance > maxDistance)
            distance = maxDistance;
        tokens.push_back({length, distance});
        produced += length;
    }
    return tokens;
}
