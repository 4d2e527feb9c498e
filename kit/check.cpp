// The setup-script checker: reads a script the way setup reads it and
// reports, as FILE:LINE: error: ..., what setup would read otherwise than the
// author meant: unknown keys, values a trailing "\" joins with the next line,
// colours, numbers and yes-no values that do not read as written, paths too
// long for setup's 260-byte buffers, a destination without a drive, disk
// entries whose file no disk holds, targets setup would not read as meant,
// gaps in the disks' numbering; and warns of archive members whose names
// Windows 3.1 cannot create.
#include <ctype.h>
#include <dirent.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "kit/kit.h"
#include "script/keys.h"

namespace {

constexpr int LineCapacity = 1024;  // setup reads 1023 characters of a line
constexpr int PathCapacity = 260;   // setup's path buffers

enum KeyKind { KindText, KindPath, KindYesNo, KindInt, KindColour, KindPresence };

struct CatalogueKey {
    const char* name;
    KeyKind kind;
};

const CatalogueKey Catalogue[] = {
    {KeyCaption.name, KindText},          {KeySrcDir.name, KindPath},
    {KeyWelcome.name, KindText},          {KeyWelcomeCaption.name, KindText},
    {KeyTopColor.name, KindColour},       {KeyBottomColor.name, KindColour},
    {KeyNumGradientSteps.name, KindInt},  {KeyTitle1Color.name, KindColour},
    {KeyTitle2Color.name, KindColour},    {KeyTitleShadeColor.name, KindColour},
    {KeyTitle1.name, KindText},           {KeyTitle2.name, KindText},
    {KeyTitle1Size.name, KindInt},        {KeyTitle2Size.name, KindInt},
    {KeyTitleFont.name, KindText},        {KeyTitle2Pos.name, KindText},
    {KeyDefaultPath.name, KindPath},      {KeyDestPathPrompt.name, KindYesNo},
    {KeyProgramName.name, KindText},      {KeySpaceRequired.name, KindInt},
    {KeyDirExistsWarn.name, KindYesNo},   {KeyDirNotFoundWarn.name, KindYesNo},
    {KeyFileExistsWarn.name, KindYesNo},  {KeyIconsPrompt.name, KindYesNo},
    {KeyExec.name, KindPath},             {KeyExecPrompt.name, KindText},
    {KeyRestartWindows.name, KindYesNo},  {KeyRestartWindowsMsg.name, KindText},
    {KeyRebootSystem.name, KindYesNo},    {KeyRebootSystemMsg.name, KindText},
    {KeyRestartWin3Only.name, KindPresence},
};

const CatalogueKey* FindCatalogueKey(const char* key)
{
    for (const CatalogueKey& k : Catalogue) {
        if (strcmp(k.name, key) == 0)
            return &k;
    }
    return nullptr;
}

// ---- Reading the script as setup does, keeping line numbers -------------------------

struct Entry {
    int line;            // physical line where the entry begins
    int joinedLines;     // physical lines joined by a trailing "\"
    int joinedEntryLine; // first joined line that looks like an entry of its own, or 0
    char* key;
    char* value;
    int section;         // index of the header entry, -1 before the first
    bool header;
};

struct Script {
    const char* path;
    Entry* entries;
    int count;
    int capacity;
    int longLine;        // first line longer than setup reads, or 0
};

void AddEntry(Script& s, const Entry& e)
{
    if (s.count == s.capacity) {
        int capacity = s.capacity ? s.capacity * 2 : 64;
        Entry* grown = static_cast<Entry*>(realloc(s.entries, sizeof(Entry) * capacity));
        if (!grown)
            return;
        s.entries = grown;
        s.capacity = capacity;
    }
    s.entries[s.count++] = e;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void StripRight(char* text)
{
    size_t n = strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        text[--n] = 0;
}

// Text mode: CR LF reads as LF, Ctrl-Z ends the file.
char* ReadText(const char* path)
{
    ByteBuffer b;
    InitBuffer(b);
    if (!ReadWholeFile(path, b)) {
        FreeBuffer(b);
        return nullptr;
    }
    char* text = static_cast<char*>(malloc(b.size + 1));
    size_t k = 0;
    for (size_t i = 0; text && i < b.size; i++) {
        if (b.data[i] == 26)
            break;
        if (b.data[i] == '\r' && i + 1 < b.size && b.data[i + 1] == '\n')
            continue;
        text[k++] = static_cast<char>(b.data[i]);
    }
    if (text)
        text[k] = 0;
    FreeBuffer(b);
    return text;
}

// The next physical line of at most 1023 characters, as setup's reader cuts it.
bool NextLine(const char*& p, char* out, size_t room, int& lineNumber, bool& cut)
{
    if (*p == 0)
        return false;
    size_t k = 0;
    cut = false;
    while (*p && *p != '\n' && k + 1 < room)
        out[k++] = *p++;
    if (*p == '\n') {
        out[k++] = '\n';
        p++;
        lineNumber++;
    } else if (*p) {
        cut = true;  // the rest is read as the next line
    } else {
        lineNumber++;
    }
    out[k] = 0;
    return true;
}

bool LooksLikeEntry(const char* line)
{
    return strchr(line, '=') != nullptr || line[0] == '[';
}

int LoadScript(Script& s, const char* path)
{
    s.path = path;
    char* text = ReadText(path);
    if (!text)
        return 0;
    const char* p = text;
    char line[LineCapacity];
    int lineNumber = 0;
    bool cut = false;
    int section = -1;
    for (;;) {
        int first = lineNumber + 1;
        if (!NextLine(p, line, sizeof line, lineNumber, cut))
            break;
        if (cut && !s.longLine)
            s.longLine = first;
        if (line[0] == ';' || line[0] == '\n' || line[0] == 0)
            continue;
        StripRight(line);
        Entry e = {first, 0, 0, nullptr, nullptr, section, false};
        while (line[0] && line[strlen(line) - 1] == '\\') {
            size_t n = strlen(line);
            line[n - 1] = '\n';
            if (!NextLine(p, line + n, sizeof line - n, lineNumber, cut))
                break;
            e.joinedLines++;
            if (!e.joinedEntryLine && LooksLikeEntry(line + n))
                e.joinedEntryLine = lineNumber;
            StripRight(line);
        }
        char* equals = strchr(line, '=');
        size_t n = strlen(line);
        if (equals) {
            e.key = strndup(line, static_cast<size_t>(equals - line));
            e.value = strdup(equals + 1);
        } else if (line[0] == '[' && n >= 2 && line[n - 1] == ']') {
            e.key = strndup(line + 1, n - 2);
            e.value = strdup(line);
            e.header = true;
            e.section = s.count;
            section = s.count;
        } else {
            continue;
        }
        AddEntry(s, e);
    }
    free(text);
    return 1;
}

void FreeScript(Script& s)
{
    for (int i = 0; i < s.count; i++) {
        free(s.entries[i].key);
        free(s.entries[i].value);
    }
    free(s.entries);
    s.entries = nullptr;
    s.count = 0;
}

// ---- Reporting ------------------------------------------------------------------------

struct Checker {
    const CheckOptions* options;
    int errors;
    const char* sitePath;   // the script, whose disk entries are compared
    InstallSite* sites;     // the files the disk entries install
    int siteCount;
    int siteCapacity;
};

int CodePageOf(const Checker& c)
{
    return c.options->codePage ? c.options->codePage : 1252;
}

// Notes that line `line` installs `installed` (a path as setup writes it,
// in the code page).
void AddSite(Checker& c, const char* file, int line, const char* installed)
{
    char key[PathBytes];
    if (!c.sitePath || strcmp(file, c.sitePath) != 0)
        return;
    if (!WindowsNameKey(CodePageOf(c), installed, key, sizeof key))
        return;
    if (c.siteCount == c.siteCapacity) {
        int capacity = c.siteCapacity ? c.siteCapacity * 2 : 64;
        InstallSite* grown = static_cast<InstallSite*>(realloc(c.sites, sizeof *grown * capacity));
        if (!grown)
            return;
        c.sites = grown;
        c.siteCapacity = capacity;
    }
    InstallSite& site = c.sites[c.siteCount];
    site.key = strdup(key);
    site.shown = strdup(installed);
    site.line = line;
    if (site.key && site.shown)
        c.siteCount++;
    else
        free(site.key), free(site.shown);
}

// The folder a target names, without a trailing "\".
void TargetFolder(const char* target, char* out, size_t capacity)
{
    FormatText(out, capacity, "%s", target);
    for (size_t n = strlen(out); n > 0 && out[n - 1] == '\\'; n--)
        out[n - 1] = 0;
}

void Report(Checker& c, const char* file, int line, const char* level, const char* format, ...)
    __attribute__((format(printf, 5, 6)));

void Report(Checker& c, const char* file, int line, const char* level, const char* format, ...)
{
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (line > 0)
        fprintf(c.options->report, "%s:%d: %s: %s\n", file, line, level, message);
    else
        fprintf(c.options->report, "%s: %s: %s\n", file, level, message);
    if (strcmp(level, "error") == 0)
        c.errors++;
}

// ---- Values ---------------------------------------------------------------------------

// A decimal integer, nothing else: what setup reads is what is written.
bool IsPlainInteger(const char* v)
{
    while (*v == ' ' || *v == '\t')
        v++;
    if (*v == '+' || *v == '-')
        v++;
    if (!isdigit(static_cast<unsigned char>(*v)))
        return false;
    while (isdigit(static_cast<unsigned char>(*v)))
        v++;
    return *v == 0;
}

void CheckValue(Checker& c, const Script& s, const Entry& e, const CatalogueKey& k)
{
    const char* v = e.value;
    if (e.joinedLines > 0 && (k.kind != KindText || e.joinedEntryLine)) {
        // What the join made of the value is beside the point.
        Report(c, s.path, e.line, "error", "the value of \"%s\" ends in \"\\\", which joins line %d to it",
               k.name, e.joinedEntryLine ? e.joinedEntryLine : e.line + 1);
        return;
    }
    switch (k.kind) {
    case KindInt:
        if (!IsPlainInteger(v))
            Report(c, s.path, e.line, "error", "\"%s\" is not a number: setup reads %s as %ld", k.name,
                   v, strtol(v, nullptr, 10));
        else if (strcmp(k.name, KeyNumGradientSteps.name) == 0 && (atoi(v) < 1 || atoi(v) > 200))
            Report(c, s.path, e.line, "warning", "\"%s\" is limited to 1..200", k.name);
        break;
    case KindColour: {
        int rgb[3];
        int consumed = 0;
        int got = sscanf(v, "%d %d %d%n", &rgb[0], &rgb[1], &rgb[2], &consumed);
        bool inRange = got == 3;
        for (int i = 0; inRange && i < 3; i++)
            inRange = rgb[i] >= 0 && rgb[i] <= 255;
        if (got != 3 || v[consumed] != 0)
            Report(c, s.path, e.line, "error",
                   "colour \"%s\" of \"%s\" is not three numbers separated by blanks (red green blue)", v,
                   k.name);
        else if (!inRange)
            Report(c, s.path, e.line, "error", "colour \"%s\" of \"%s\" has a part outside 0..255", v,
                   k.name);
        break;
    }
    case KindYesNo:
        if (v[0] != 'Y' && v[0] != 'N')
            Report(c, s.path, e.line, "error",
                   "\"%s\" reads as no: only a value beginning with an upper-case Y is yes, write Y or N",
                   k.name);
        break;
    case KindPath:
        if (strlen(v) >= PathCapacity)
            Report(c, s.path, e.line, "error", "path of \"%s\" is longer than 259 characters", k.name);
        if (strcmp(k.name, KeyDefaultPath.name) == 0 && !(isalpha(static_cast<unsigned char>(v[0])) && v[1] == ':'))
            Report(c, s.path, e.line, "error",
                   "\"%s\" \"%s\" has no drive: write it as X:\\DIR", k.name, v);
        break;
    default:
        if (strcmp(k.name, KeyTitle2Pos.name) == 0 && v[0] && strcmp(v, "Bottom") != 0)
            Report(c, s.path, e.line, "error", "\"%s\" \"%s\" has no effect: only exactly \"Bottom\" has one",
                   k.name, v);
        break;
    }
}

// ---- Disks ----------------------------------------------------------------------------

// 1 when the folder holds a file or folder of that name, in any case (FAT);
// its path then goes into `path` when given.
bool FolderHolds(const char* folder, const char* name, char* path = nullptr, size_t capacity = 0)
{
    DIR* d = opendir(folder);
    if (!d)
        return false;
    bool found = false;
    while (struct dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name) == 0) {
            found = true;
            if (path)
                FormatText(path, capacity, "%s/%s", folder, e->d_name);
            break;
        }
    }
    closedir(d);
    return found;
}

// Members of an archive: names Windows would change (a trailing dot or
// blank) or take for another member's (letter case) are errors; names
// Windows 3.1 cannot create are a warning, since a set may be meant for
// Windows 95 and later. Each member is noted as installed into `target`.
// Up to n bytes of the file from `at` on (zeros past its end); how many there were.
size_t ReadAt(FILE* f, uint64_t at, uint8_t* out, size_t n)
{
    memset(out, 0, n);
    if (fseeko(f, static_cast<off_t>(at), SEEK_SET) != 0)
        return 0;
    return fread(out, 1, n, f);
}

void CheckMemberNames(Checker& c, const Script& s, const Entry& e, const char* archivePath, const char* target)
{
    // Only the headers are read: the archive may be far larger than memory.
    FILE* file = fopen(archivePath, "rb");
    if (!file)
        return;
    off_t fileEnd = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
    uint64_t size = fileEnd > 0 ? static_cast<uint64_t>(fileEnd) : 0;
    uint8_t h[2 + 255 + 256];
    static uint8_t x[65536];
    const int Shown = 5;
    int longNames = 0;
    uint64_t pos = 0;
    char folder[PathCapacity + 8];
    TargetFolder(target, folder, sizeof folder);
    struct Member {
        char name[256];
        char key[PathBytes];
    };
    Member* members = nullptr;
    int count = 0, capacity = 0;
    // Level-1 members back to back: H, checksum, H bytes of header (the name
    // at offset 22 from the member's start), then the packed size, which
    // counts any extension headers. Anything else ends the walk.
    while (pos + 22 <= size && ReadAt(file, pos, h, sizeof h) >= 22 && h[0] != 0) {
        size_t headerSize = h[0];
        size_t nameLength = h[21];
        uint32_t packed = h[7] | (h[8] << 8) | (h[9] << 16) | (static_cast<uint32_t>(h[10]) << 24);
        if ((h[2] != '-' && h[2] != '<') || headerSize < 22 + nameLength - 2 || pos + 22 + nameLength > size)
            break;
        uint64_t ext = pos + 2 + headerSize;
        pos += 2 + headerSize + packed;
        char name[256];
        FormatText(name, sizeof name, "%.*s", static_cast<int>(nameLength), reinterpret_cast<const char*>(h + 22));
        // Other tools put the member's folder into extension header 2, with
        // 0xFF between its components: it goes before the name.
        char folderOfMember[256] = "";
        size_t extSize = ext <= size ? h[headerSize] | (h[headerSize + 1] << 8) : 0;
        while (extSize >= 3 && ext + extSize <= size && ReadAt(file, ext, x, extSize) == extSize) {
            if (x[0] == 2) {
                FormatText(folderOfMember, sizeof folderOfMember, "%.*s", static_cast<int>(extSize - 3),
                           reinterpret_cast<const char*>(x + 1));
                for (char* f = folderOfMember; *f; f++)
                    *f = *f == '\xff' ? '\\' : *f;
            }
            ext += extSize;
            extSize = x[extSize - 2] | (x[extSize - 1] << 8);
        }
        if (folderOfMember[0]) {
            char whole[256];
            size_t n = strlen(folderOfMember);
            FormatText(whole, sizeof whole, "%s%s%s", folderOfMember, folderOfMember[n - 1] == '\\' ? "" : "\\",
                       name);
            FormatText(name, sizeof name, "%s", whole);
        }
        // A continuation ("<st+>", "<cm+>") is the file its first part began.
        if (h[2] == '<' && h[5] == '+')
            continue;
        bool folderMember = memcmp(h + 2, "-lhd-", 5) == 0;
        const char* trailing = nullptr;
        for (const char* p = name; *p && !trailing;) {
            size_t n = strcspn(p, "\\");
            trailing = TrailingProblem(p, n);
            p += n + (p[n] ? 1 : 0);
        }
        if (trailing) {
            Report(c, s.path, e.line, "error",
                   "member \"%s\" of %s %s: Windows drops trailing dots and blanks and installs it under another "
                   "name", name, e.key, trailing);
            continue;
        }
        if (!IsShortPath(name) && ++longNames <= Shown)
            Report(c, s.path, e.line, "warning",
                   "member \"%s\" of %s has a name that is not 8.3: Windows 3.1 cannot create it (Windows 95 "
                   "and later can)",
                   name, e.key);
        if (count == capacity) {
            capacity = capacity ? capacity * 2 : 64;
            Member* grown = static_cast<Member*>(realloc(members, sizeof *grown * capacity));
            if (!grown)
                break;
            members = grown;
        }
        Member& m = members[count];
        FormatText(m.name, sizeof m.name, "%s", name);
        if (!WindowsNameKey(CodePageOf(c), name, m.key, sizeof m.key))
            continue;
        for (size_t n = strlen(m.key); n > 0 && m.key[n - 1] == '\\'; n--)
            m.key[n - 1] = 0;
        int same = -1;
        for (int i = 0; i < count && same < 0; i++)
            same = strcmp(members[i].key, m.key) == 0 ? i : -1;
        if (same >= 0) {
            if (!folderMember)
                Report(c, s.path, e.line, "error",
                       "members \"%s\" and \"%s\" of %s are one name to Windows (letter case does not count): "
                       "one replaces the other", members[same].name, name, e.key);
            continue;
        }
        count++;
        if (!folderMember) {
            char installed[PathBytes];
            FormatText(installed, sizeof installed, "%s\\%s", folder, name);
            AddSite(c, s.path, e.line, installed);
        }
    }
    if (longNames > Shown)
        Report(c, s.path, e.line, "warning", "%d more members of %s have names that are not 8.3", longNames - Shown,
               e.key);
    free(members);
    fclose(file);
}

// What setup makes of a target: path macros it knows ($d, $w, $s), a path
// that does not depend on the current folder, no climbing out with "..".
// A target that ends in the entry's own file name ("\\KEY" or "\\KEY.", as the
// builder writes copies) holds that name as written: a "$" in it (~X.$$$) is
// a character of the name, not a macro typed wrong.
const char* MacroEnd(const Entry& e, const char* target)
{
    size_t n = strlen(target), k = strlen(e.key);
    for (size_t dot = 0; dot < 2; dot++) {
        if (n >= k + 1 + dot && target[n - k - 1 - dot] == '\\' && strncmp(target + n - k - dot, e.key, k) == 0 &&
            (dot == 0 || target[n - 1] == '.'))
            return target + n - k - dot;
    }
    return target + n;
}

void CheckTarget(Checker& c, const Script& s, const Entry& e, const char* target)
{
    const char* end = MacroEnd(e, target);
    for (const char* p = strchr(target, '$'); p && p < end; p = strchr(p + 1, '$')) {
        if (p[1] != 'd' && p[1] != 'w' && p[1] != 's') {
            Report(c, s.path, e.line, "error",
                   "unknown macro \"$%c\" in the target of \"%s\": setup keeps it as written (the macros are $d, "
                   "$w and $s, in lower case)",
                   p[1] ? p[1] : ' ', e.key);
            break;
        }
        p++;
    }
    bool absolute = (target[0] == '$' && strchr("dws", target[1]) && target[1]) ||
                    (isalpha(static_cast<unsigned char>(target[0])) && target[1] == ':') || target[0] == '\\';
    if (!absolute)
        Report(c, s.path, e.line, "error",
               "target \"%s\" of \"%s\" is relative: setup would install into whatever folder is current; begin it "
               "with $d, $w, $s or a drive",
               target, e.key);
    for (const char* p = target; *p;) {
        size_t n = strcspn(p, "\\/");
        if (n == 2 && p[0] == '.' && p[1] == '.') {
            Report(c, s.path, e.line, "warning",
                   "target \"%s\" of \"%s\" climbs out of its folder with \"..\"", target, e.key);
            break;
        }
        const char* trailing = TrailingProblem(p, n);
        if (trailing && !(n == 2 && p[0] == '.' && p[1] == '.')) {
            Report(c, s.path, e.line, "warning",
                   "the folder \"%.*s\" in target \"%s\" of \"%s\" %s: Windows drops trailing dots and blanks and "
                   "creates it under another name", static_cast<int>(n), p, target, e.key, trailing);
            break;
        }
        p += n;
        if (*p)
            p++;
    }
}

bool IsFolderPath(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

const char* BaseNameOf(const char* key)
{
    const char* slash = strrchr(key, '\\');
    return slash ? slash + 1 : key;
}

void WarnSameInstall(void* context, const InstallSite& first, const InstallSite& second)
{
    Checker& c = *static_cast<Checker*>(context);
    Report(c, c.sitePath, second.line, "warning",
           "\"%s\" is installed by line %d and by this line: the later replaces the earlier", second.shown,
           first.line);
}

// Which encoding the checker took a script with characters above 127 for:
// UTF-8 is converted by the builder, anything else is taken as written in
// the users' code page already.
void NoteEncoding(Checker& c, const char* path)
{
    ByteBuffer b;
    InitBuffer(b);
    if (ReadWholeFile(path, b)) {
        const char* text = reinterpret_cast<const char*>(b.data);
        int line = FirstHighByteLine(text, b.size);
        if (line && IsUtf8(text, b.size))
            Report(c, path, line, "note",
                   "read as UTF-8 (the first character above 127 is on this line): setupkit build writes it in "
                   "code page %d", CodePageOf(c));
        else if (line)
            Report(c, path, line, "note",
                   "not UTF-8 (the first byte above 127 is on this line): taken as written in code page %d "
                   "already, and shipped as it is", CodePageOf(c));
    }
    FreeBuffer(b);
}

// Folder name of a script path ("." when none).
void FolderOf(const char* path, char* out, size_t capacity)
{
    FormatText(out, capacity, "%s", path);
    char* slash = strrchr(out, '/');
    if (slash)
        *slash = 0;
    else
        FormatText(out, capacity, ".");
}

int DiskOfSection(const char* name)
{
    if (strncmp(name, "Disk", 4) != 0 || !isdigit(static_cast<unsigned char>(name[4])))
        return 0;
    char* end;
    long n = strtol(name + 4, &end, 10);
    return *end == 0 && n > 0 && n < 1000 ? static_cast<int>(n) : 0;
}

// Checks one disk entry: its target and the source on the disk that reads it.
void CheckDiskEntry(Checker& c, const Script& s, const Entry& e, const char* folder, bool& sourceKnown)
{
    if (strcmp(e.key, KeySrcDir.name) == 0) {
        sourceKnown = false;  // sources now come from elsewhere
        return;
    }
    if (strcmp(e.key, KeyDiskNumber.name) == 0 || strcmp(e.key, KeyNextDiskNumber.name) == 0)
        return;
    const char* target = e.value;
    bool archive = *target != '=' && *target != '|';
    if (*target == '=' || *target == '|' || *target == '@')
        target++;
    CheckTarget(c, s, e, target);
    if (strlen(target) >= PathCapacity)
        Report(c, s.path, e.line, "error", "target of \"%s\" is longer than 259 characters", e.key);
    if (strlen(e.key) + 4 >= PathCapacity)
        Report(c, s.path, e.line, "error", "source \"%s\" is too long for setup's 260-byte paths", e.key);
    if (e.joinedLines > 0)
        Report(c, s.path, e.line, "error", "the entry \"%s\" ends in \"\\\", which joins line %d to it",
               e.key, e.joinedEntryLine ? e.joinedEntryLine : e.line + 1);
    if (!folder || !sourceKnown || strcmp(e.key, ".") == 0)
        return;
    // Only the first component is looked for: sources in folders are rare.
    char first[PathCapacity];
    FormatText(first, sizeof first, "%s", e.key);
    first[strcspn(first, "\\/")] = 0;
    char path[4096];
    if (!FolderHolds(folder, first, path, sizeof path)) {
        Report(c, s.path, e.line, "error", "\"%s\" is on no disk: %s does not hold it", e.key, folder);
    } else if (archive && strcmp(first, e.key) == 0) {
        CheckMemberNames(c, s, e, path, target);
    } else if (e.value[0] == '=' && !IsFolderPath(path)) {
        // A copied file goes into the target folder, or is the target file
        // when the target has a ".".
        char installed[PathBytes], folderName[PathCapacity + 8];
        TargetFolder(target, folderName, sizeof folderName);
        if (strchr(target, '.'))
            FormatText(installed, sizeof installed, "%s", target);
        else
            FormatText(installed, sizeof installed, "%s\\%s", folderName, BaseNameOf(e.key));
        AddSite(c, s.path, e.line, installed);
    }
}

// The thisdisk files of a set of floppies: numbered 1, 2, ... without gaps,
// every disk but the last announcing the next one.
void CheckThisDisks(Checker& c, const CheckOptions& o)
{
    int previous = 0;
    for (int i = 0; i < o.diskCount; i++) {
        char path[4096];
        FormatText(path, sizeof path, "%s/%s", o.diskDirs[i], ThisDiskFileName);
        Script t = {};
        if (!LoadScript(t, path)) {
            Report(c, path, 0, "error", "missing: every disk of a set needs one");
            continue;
        }
        int number = 0, next = 0, numberLine = 0, nextLine = 0;
        for (int k = 0; k < t.count; k++) {
            if (strcmp(t.entries[k].key, KeyDiskNumber.name) == 0 && !numberLine) {
                number = atoi(t.entries[k].value);
                numberLine = t.entries[k].line;
            } else if (strcmp(t.entries[k].key, KeyNextDiskNumber.name) == 0 && !nextLine) {
                next = atoi(t.entries[k].value);
                nextLine = t.entries[k].line;
            } else if (!t.entries[k].header) {
                // The disk's own entries, read from the same disk.
                bool sourceKnown = true;
                CheckDiskEntry(c, t, t.entries[k], o.diskDirs[i], sourceKnown);
            }
        }
        if (!numberLine)
            Report(c, path, 0, "error", "no \"DiskNumber\": setup asks for this disk for ever");
        else if (number != previous + 1)
            Report(c, path, numberLine, "error", "\"DiskNumber\" %d follows disk %d: setup asks for disk %d",
                   number, previous, previous + 1);
        else if (number != i + 1)
            Report(c, path, numberLine, "error", "\"DiskNumber\" %d on the disk in place %d", number, i + 1);
        bool last = i == o.diskCount - 1;
        if (!last && next <= 0)
            Report(c, path, nextLine, "error", "no \"NextDiskNumber\" above 0: the disks after this one are never read");
        if (last && next > 0)
            Report(c, path, nextLine, "error", "\"NextDiskNumber\" %d on the last disk: setup asks for disk %d",
                   next, number + 1);
        if (numberLine)
            previous = number;
        FreeScript(t);
    }
}

}  // namespace

// ---- Key suggestions -------------------------------------------------------------------

static int EditDistance(const char* a, const char* b)
{
    int n = static_cast<int>(strlen(a)), m = static_cast<int>(strlen(b));
    if (n > 40 || m > 40)
        return 99;
    int row[41];
    for (int j = 0; j <= m; j++)
        row[j] = j;
    for (int i = 1; i <= n; i++) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= m; j++) {
            int up = row[j];
            int cost = tolower(static_cast<unsigned char>(a[i - 1])) ==
                               tolower(static_cast<unsigned char>(b[j - 1]))
                           ? 0
                           : 1;
            int best = diagonal + cost;
            if (row[j] + 1 < best)
                best = row[j] + 1;
            if (row[j - 1] + 1 < best)
                best = row[j - 1] + 1;
            row[j] = best;
            diagonal = up;
        }
    }
    return row[m];
}

const char* SuggestKey(const char* key)
{
    // Blanks around the key are part of it for setup, not for the author.
    char trimmed[256];
    while (*key == ' ' || *key == '\t')
        key++;
    FormatText(trimmed, sizeof trimmed, "%s", key);
    StripRight(trimmed);
    const char* best = nullptr;
    int bestDistance = 3;
    for (const CatalogueKey& k : Catalogue) {
        int d = EditDistance(trimmed, k.name);
        if (d < bestDistance) {
            best = k.name;
            bestDistance = d;
        }
    }
    return best;
}

int CheckScript(const char* scriptPath, const CheckOptions& options)
{
    Checker c = {&options, 0, scriptPath, nullptr, 0, 0};
    Script s = {};
    if (!LoadScript(s, scriptPath)) {
        Report(c, scriptPath, 0, "error", "cannot be read");
        return c.errors;
    }
    if (s.longLine)
        Report(c, s.path, s.longLine, "error", "line longer than 1023 characters: setup reads the rest as a line of its own");
    if (!options.diskSectionsReplaced)
        NoteEncoding(c, scriptPath);

    char scriptFolder[4096];
    FolderOf(scriptPath, scriptFolder, sizeof scriptFolder);
    bool multiDisk = options.diskCount > 1;
    bool seen[sizeof Catalogue / sizeof Catalogue[0]] = {};
    bool sourceKnown = true;
    int lastDiskSection = 0;
    bool afterGroups = false;

    for (int i = 0; i < s.count; i++) {
        const Entry& e = s.entries[i];
        const char* section = e.section >= 0 ? s.entries[e.section].key : nullptr;
        if (e.header) {
            int disk = DiskOfSection(e.key);
            sourceKnown = true;
            if (strcmp(e.key, SectionGroups) == 0) {
                afterGroups = true;
            } else if (disk && options.diskSectionsReplaced) {
                continue;
            } else if (disk) {
                if (disk != lastDiskSection + 1)
                    Report(c, s.path, e.line, "error", "section \"%s\" follows disk %d: disk sections go 1, 2, 3, ...",
                           e.key, lastDiskSection);
                if (afterGroups)
                    Report(c, s.path, e.line, "warning", "\"%s\" stands after \"Groups\": on one medium it is not read",
                           e.key);
                lastDiskSection = disk;
                if (multiDisk && disk > options.diskCount)
                    Report(c, s.path, e.line, "error", "no disk %d in the set of %d disks", disk,
                           options.diskCount);
            } else {
                Report(c, s.path, e.line, "warning",
                       "section \"%s\" is not read as a section; its keys are still found by head-level lookups",
                       e.key);
            }
            continue;
        }
        int disk = section ? DiskOfSection(section) : 0;
        if (disk && options.diskSectionsReplaced)
            continue;
        if (disk) {
            const char* folder = nullptr;
            if (options.diskCount == 0)
                folder = scriptFolder;
            else if (!multiDisk)
                folder = options.diskDirs[0];
            else if (disk <= options.diskCount)
                folder = options.diskDirs[disk - 1];
            CheckDiskEntry(c, s, e, folder, sourceKnown);
            continue;
        }
        if (section && strcmp(section, SectionGroups) == 0)
            continue;
        const CatalogueKey* k = FindCatalogueKey(e.key);
        if (!k) {
            if (section)
                continue;  // an entry of a section setup does not read as such
            const char* meant = SuggestKey(e.key);
            if (meant)
                Report(c, s.path, e.line, "error", "unknown key \"%s\"; did you mean \"%s\"?", e.key, meant);
            else
                Report(c, s.path, e.line, "error", "unknown key \"%s\": setup never reads it", e.key);
            continue;
        }
        size_t index = static_cast<size_t>(k - Catalogue);
        if (seen[index]) {
            Report(c, s.path, e.line, "warning", "\"%s\" appears again: setup reads only the first", e.key);
            continue;
        }
        seen[index] = true;
        if (section && strcmp(e.key, KeySrcDir.name) == 0)
            Report(c, s.path, e.line, "warning", "\"SrcDir\" inside a section does not move the source at start-up");
        CheckValue(c, s, e, *k);
    }
    if (multiDisk)
        CheckThisDisks(c, options);
    FindSameInstalls(c.sites, c.siteCount, WarnSameInstall, &c);
    for (int i = 0; i < c.siteCount; i++) {
        free(c.sites[i].key);
        free(c.sites[i].shown);
    }
    free(c.sites);
    FreeScript(s);
    return c.errors;
}
