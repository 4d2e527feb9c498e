// ConfigFile: loading an INI-style text into an ordered key/value list, and
// the lookups and typed getters on it.
#include "script/configfile.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Physical line buffer: at most 1023 characters and the terminating zero. A
// line joined from continuations shares the same buffer.
constexpr size_t LineBufferSize = 1024;

// Growth step of a store constructed with capacity 0 (such a store would
// otherwise never take an entry).
constexpr int32_t MinimumGrowth = 8;

constexpr int CtrlZ = 26;

// ---- Text source -------------------------------------------------------------
// Bytes come from a file (read in blocks) or from a block of memory. Both are
// read in binary and the text-mode rules are applied here, so that loading
// behaves the same on every platform: CR LF reads as LF, a lone CR stays, and
// a Ctrl-Z byte ends the text.
struct TextSource {
    FILE* file;                  // null for text in memory
    const unsigned char* data;   // current block
    size_t length;
    size_t pos;
    bool ended;                  // Ctrl-Z seen
    unsigned char block[512];
};

void OpenMemorySource(TextSource* s, const char* text, size_t length) {
    s->file = nullptr;
    s->data = reinterpret_cast<const unsigned char*>(text);
    s->length = length;
    s->pos = 0;
    s->ended = false;
}

void OpenFileSource(TextSource* s, FILE* f) {
    s->file = f;
    s->data = s->block;
    s->length = 0;
    s->pos = 0;
    s->ended = false;
}

// Next raw byte without consuming it, or -1 at the end of the input.
int PeekRawByte(TextSource* s) {
    if (s->pos == s->length) {
        if (!s->file) return -1;
        s->length = fread(s->block, 1, sizeof s->block, s->file);
        s->pos = 0;
        if (s->length == 0) return -1;
    }
    return s->data[s->pos];
}

bool AtEndOfText(TextSource* s) {
    if (s->ended) return true;
    int c = PeekRawByte(s);
    return c < 0 || c == CtrlZ;
}

// Next byte after the text-mode rules, or -1 at the end of the text.
int ReadTextByte(TextSource* s) {
    if (AtEndOfText(s)) {
        s->ended = true;
        return -1;
    }
    int c = s->data[s->pos++];
    if (c == '\r' && PeekRawByte(s) == '\n') {
        s->pos++;
        return '\n';
    }
    return c;
}

// ---- Line reader -------------------------------------------------------------

// Reads one physical line into dst, which has room bytes (room >= 1): at most
// room - 1 bytes, ending after the first line feed; the rest of a longer line
// is left for the next read. Returns false, storing nothing, at the end of the
// text. With room 1 it stores an empty line unless the text has ended.
bool ReadPhysicalLine(TextSource* s, char* dst, size_t room) {
    if (room == 0 || AtEndOfText(s)) return false;
    size_t n = 0;
    while (n + 1 < room) {
        int c = ReadTextByte(s);
        if (c < 0) break;
        dst[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    dst[n] = '\0';
    return true;
}

// The white space of the C locale; bytes with the high bit are never blanks.
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Removes trailing white space; returns the new length. A zero byte read from
// the text ends the line there.
size_t StripTrailingBlanks(char* line) {
    size_t len = strlen(line);
    while (len > 0 && IsBlank(static_cast<unsigned char>(line[len - 1]))) len--;
    line[len] = '\0';
    return len;
}

// A line ending in "\" continues on the next physical line: the backslash
// becomes a line feed and the next line is read behind it, into what is left
// of the same buffer, and stripped with it. If the text ends first, the line
// feed stays. Returns the length of the joined line.
size_t JoinContinuations(TextSource* s, char* line, size_t len) {
    while (len > 0 && line[len - 1] == '\\') {
        line[len - 1] = '\n';
        if (!ReadPhysicalLine(s, line + len, LineBufferSize - len)) break;
        len = StripTrailingBlanks(line);
    }
    return len;
}

// A comment (";" in the very first column) or an empty physical line.
bool IsSkippedLine(const char* line) {
    return line[0] == ';' || line[0] == '\n' || line[0] == '\0';
}

// "key=value" splits at the first "=" with no trimming; otherwise "[name]" is
// stored as the entry (name, whole line). Anything else is ignored.
void StoreLine(ConfigFile* store, char* line, size_t len) {
    char* eq = strchr(line, '=');
    if (eq) {
        *eq = '\0';
        store->Add(line, eq + 1);
        return;
    }
    if (len >= 2 && line[0] == '[' && line[len - 1] == ']') {
        char name[LineBufferSize];
        memcpy(name, line + 1, len - 2);
        name[len - 2] = '\0';
        store->Add(name, line);
    }
}

void LoadLines(ConfigFile* store, TextSource* s) {
    char line[LineBufferSize];
    while (ReadPhysicalLine(s, line, sizeof line)) {
        if (IsSkippedLine(line)) continue;
        size_t len = StripTrailingBlanks(line);
        len = JoinContinuations(s, line, len);
        StoreLine(store, line, len);
    }
}

// ---- Helpers for the store -----------------------------------------------------

// The store's memory comes from operator new, which never gives null: a
// failed allocation ends the program as every other one does (with "Not
// enough memory to run Setup."), so that no entry is ever dropped. A size
// past what can exist fails the same way.
void* StoreBytes(size_t n) {
    return ::operator new(n);
}

void FreeStoreBytes(void* p) {
    ::operator delete(p);
}

char* CopyText(const char* text) {
    if (!text) text = "";
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(StoreBytes(n));
    memcpy(copy, text, n);
    return copy;
}

// Decimal conversion: leading white space, an optional sign, then digits up
// to the first other character; no digits give 0. A value past the 32-bit
// range reads as the end of the range it passed: a count of 4294967296 must
// not come out as 0.
int32_t ParseDecimal(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (IsBlank(*p)) p++;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // The magnitude, held at the first value past the range once it gets there.
    const uint32_t limit = negative ? 2147483648u : static_cast<uint32_t>(INT32_MAX);
    uint32_t n = 0;
    while (*p >= '0' && *p <= '9') {
        uint32_t digit = static_cast<uint32_t>(*p++ - '0');
        n = n > (limit - digit) / 10u ? limit : n * 10u + digit;
    }
    if (negative) return n == 2147483648u ? INT32_MIN : -static_cast<int32_t>(n);
    return static_cast<int32_t>(n);
}

}  // namespace

// ---- Construction ----------------------------------------------------------------

ConfigFile::ConfigFile(int32_t capacity_, const char* path_)
    : currentSection(nullptr), path(nullptr), entries(nullptr), capacity(0), count(0),
      growBy(capacity_ > 0 ? capacity_ : 0) {
    if (growBy > 0) {
        entries = static_cast<ConfigEntry*>(StoreBytes(static_cast<size_t>(growBy) * sizeof(ConfigEntry)));
        capacity = growBy;
    }
    if (!path_) return;
    path = CopyText(path_);
    FILE* f = fopen(path_, "rb");
    if (!f) return;
    TextSource source;
    OpenFileSource(&source, f);
    LoadLines(this, &source);
    fclose(f);
}

ConfigFile::~ConfigFile() {
    for (int32_t i = 0; i < count; i++) {
        FreeStoreBytes(entries[i].key);
        FreeStoreBytes(entries[i].value);
    }
    FreeStoreBytes(entries);
    FreeStoreBytes(path);
}

void ConfigFile::LoadText(const char* text, int32_t length) {
    if (!text || length <= 0) return;
    TextSource source;
    OpenMemorySource(&source, text, static_cast<size_t>(length));
    LoadLines(this, &source);
}

// ---- Lookup ------------------------------------------------------------------------

// A header's value is its key in brackets. The test compares only the
// bracketed text with the start of the key, so "[]" is a header for any key.
bool ConfigFile::IsSection(int32_t i) {
    if (i < 0 || i >= count) return false;
    const char* value = entries[i].value;
    size_t len = strlen(value);
    if (len < 2 || value[0] != '[' || value[len - 1] != ']') return false;
    if (strncmp(entries[i].key, value + 1, len - 2) != 0) return false;
    currentSection = entries[i].key;
    return true;
}

int32_t ConfigFile::FindKey(const char* key) {
    currentSection = nullptr;
    if (!key) return -1;
    for (int32_t i = 0; i < count; i++) {
        IsSection(i);
        if (strcmp(entries[i].key, key) == 0) return i;
    }
    return -1;
}

bool ConfigFile::HasSection(const char* name) {
    int32_t i = FindKey(name);
    return i >= 0 && IsSection(i);
}

const char* ConfigFile::KeyAt(int32_t i) const {
    if (i < 0 || i >= count) return nullptr;
    return entries[i].key;
}

const char* ConfigFile::ValueAt(int32_t i) {
    if (i < 0 || i >= count) return nullptr;
    IsSection(i);
    return entries[i].value;
}

// ---- Typed getters -------------------------------------------------------------------

const char* ConfigFile::GetString(const char* key, const char* defaultValue) {
    int32_t i = FindKey(key);
    return i >= 0 ? entries[i].value : defaultValue;
}

int32_t ConfigFile::GetInt(const char* key, int32_t defaultValue) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(defaultValue));
    return ParseDecimal(GetString(key, text));
}

int32_t ConfigFile::GetLong(const char* key, int32_t defaultValue) {
    char text[24];
    snprintf(text, sizeof text, "%ld", static_cast<long>(defaultValue));
    return ParseDecimal(GetString(key, text));
}

bool ConfigFile::GetYesNo(const char* key, bool defaultValue) {
    const char* text = GetString(key, defaultValue ? "Y" : "N");
    return text[0] == 'Y';
}

// ---- Appending -------------------------------------------------------------------------

// Grows the array by growBy slots when it is full (a count past the 32-bit
// range is a failed allocation too).
void ConfigFile::Add(const char* key, const char* value) {
    if (count == capacity) {
        int32_t step = growBy > 0 ? growBy : MinimumGrowth;
        size_t slots = static_cast<size_t>(capacity) + static_cast<size_t>(step);
        bool fits = capacity <= INT32_MAX - step && slots <= SIZE_MAX / sizeof(ConfigEntry);
        ConfigEntry* grown = static_cast<ConfigEntry*>(StoreBytes(fits ? slots * sizeof(ConfigEntry) : SIZE_MAX));
        if (count > 0) memcpy(grown, entries, static_cast<size_t>(count) * sizeof(ConfigEntry));
        FreeStoreBytes(entries);
        entries = grown;
        capacity += step;
    }
    char* keyCopy = CopyText(key);
    char* valueCopy = CopyText(value);
    entries[count].key = keyCopy;
    entries[count].value = valueCopy;
    count++;
}

void ConfigFile::AddInt(const char* key, int32_t n) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(n));
    Add(key, text);
}

void ConfigFile::AddLong(const char* key, int32_t n) {
    char text[24];
    snprintf(text, sizeof text, "%ld", static_cast<long>(n));
    Add(key, text);
}

// ---- Copying a section -------------------------------------------------------------------

int32_t ConfigFile::CopySection(const char* firstKey, const char* endKey, ConfigFile* target,
                                bool acrossSections) {
    int32_t start = FindKey(firstKey);
    if (start < 0) return 0;
    int32_t limit = endKey ? FindKey(endKey) : count;
    if (limit < 0) limit = count;
    int32_t copied = 0;
    for (int32_t i = start; i < limit; i++) {
        if (IsSection(i)) {
            if (!acrossSections && i > start) break;
            continue;
        }
        // Read the texts by index each time: appending to this same store may
        // move the array.
        if (target) target->Add(entries[i].key, entries[i].value);
        copied++;
    }
    return copied;
}
