// ConfigFile: an INI-style text file held in memory as an ordered list of
// key/value entries. Section headers are ordinary entries whose key is the
// section name and whose value is the bracketed header line. Lookups walk the
// whole store from the first entry and compare bytes exactly.
#pragma once

#include <stdint.h>

struct ConfigEntry {
    char* key;
    char* value;
};

class ConfigFile {
public:
    // capacity is the initial number of slots and the growth step; path is a
    // file to load, or null for a store built in memory. A file that cannot
    // be read gives an empty store.
    ConfigFile(int32_t capacity, const char* path);
    ~ConfigFile();
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // Parses text as if it were the contents of a file (text-mode rules:
    // CR LF reads as LF, a Ctrl-Z byte ends the text). Appends to the store.
    void LoadText(const char* text, int32_t length);

    int32_t FindKey(const char* key);
    bool IsSection(int32_t i);
    bool HasSection(const char* name);
    const char* KeyAt(int32_t i) const;
    const char* ValueAt(int32_t i);

    const char* GetString(const char* key, const char* defaultValue);
    int32_t GetInt(const char* key, int32_t defaultValue);
    int32_t GetLong(const char* key, int32_t defaultValue);
    bool GetYesNo(const char* key, bool defaultValue);

    void Add(const char* key, const char* value);
    void AddInt(const char* key, int32_t n);
    void AddLong(const char* key, int32_t n);

    // Copies (or, without a target, counts) the entries from the first entry
    // named firstKey up to the first entry named endKey (or the end); headers
    // are never copied. Without acrossSections the copy ends at the next header.
    int32_t CopySection(const char* firstKey, const char* endKey, ConfigFile* target,
                        bool acrossSections);

    const char* currentSection;  // borrowed: key of the header last visited
    char* path;                  // owned copy of the file name, or null
    ConfigEntry* entries;
    int32_t capacity;
    int32_t count;
    int32_t growBy;
};
