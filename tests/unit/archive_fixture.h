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
