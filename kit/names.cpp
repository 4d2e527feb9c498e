// Names as the target system holds them: the 8.3 short names of a disk's
// files, member names in the target's ANSI code page, and what Windows can
// create at all.
#include <errno.h>
#include <iconv.h>
#include <string.h>

#include "archive/extractor.h"
#include "kit/kit.h"

namespace {

// Characters of a short name besides letters and digits.
const char ShortNameMarks[] = "!#$%&'()-@^_`{}~";

bool IsShortNameCharacter(unsigned char c, bool anyHighByte)
{
    if (c >= 0x80)
        return anyHighByte;
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           strchr(ShortNameMarks, c) != nullptr;
}

// One component of n bytes: 1 to 8 characters, optionally a dot and 1 to 3.
bool IsShortComponent(const char* name, size_t n, bool anyHighByte)
{
    size_t base = 0, ext = 0;
    bool dot = false;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '.' && !dot) {
            dot = true;
            continue;
        }
        if (!IsShortNameCharacter(c, anyHighByte))
            return false;
        (dot ? ext : base)++;
    }
    return base >= 1 && base <= 8 && ext <= 3 && !(dot && ext == 0);
}

}  // namespace

const char* DiskNameProblem(const char* name, char* why, size_t capacity)
{
    if (!name[0]) {
        FormatText(why, capacity, "an empty name");
        return why;
    }
    const char* path = strpbrk(name, "/\\:");
    if (path) {
        FormatText(why, capacity, "\"%s\" is not a plain name (it holds \"%c\"): names on a disk have no folder or drive",
                   name, *path);
        return why;
    }
    const char* breaking = strpbrk(name, "=[];");
    if (breaking) {
        FormatText(why, capacity, "the character \"%c\" in \"%s\" would change the meaning of its setup-script line",
                   *breaking, name);
        return why;
    }
    if (!IsShortComponent(name, strlen(name), false) || IsUnsafeName(name)) {
        FormatText(why, capacity,
                   "\"%s\" is not an 8.3 short name (up to 8 letters, digits or !#$%%&'()-@^_`{}~, a dot, up to 3 "
                   "more; no blanks, no + , ; = [ ], no device name): Windows 3.1 sees only short names and "
                   "would not find it; rename it, or pack it into an archive",
                   name);
        return why;
    }
    return nullptr;
}

bool IsShortPath(const char* name)
{
    while (*name) {
        size_t n = strcspn(name, "\\");
        if (n > 0 && !IsShortComponent(name, n, true))
            return false;
        name += n;
        if (*name)
            name++;
    }
    return true;
}

void UpperCase(char* text)
{
    for (; *text; text++) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

bool KnownCodePage(int codePage)
{
    char name[16];
    FormatText(name, sizeof name, "CP%d", codePage);
    iconv_t cd = iconv_open(name, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

int ToCodePage(int codePage, const char* text, char* out, size_t capacity)
{
    char name[16];
    FormatText(name, sizeof name, "CP%d", codePage);
    iconv_t cd = iconv_open(name, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1) || capacity == 0)
        return 0;
    char* in = const_cast<char*>(text);
    size_t inLeft = strlen(text);
    char* to = out;
    size_t toLeft = capacity - 1;
    size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
    bool ok = done != static_cast<size_t>(-1) && inLeft == 0;
    if (ok)
        ok = iconv(cd, nullptr, nullptr, &to, &toLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    *to = 0;
    if (!ok)
        return 0;
    // A double-byte character whose second byte is "\" would read as a
    // separator: such a text has more of them than the original.
    size_t before = 0, after = 0;
    for (const char* p = text; *p; p++)
        before += *p == '\\';
    for (const char* p = out; *p; p++)
        after += *p == '\\';
    return before == after;
}

const char* MemberNameProblem(const char* name, int codePage, char* member, size_t capacity, char* why,
                              size_t whyCapacity)
{
    for (const char* p = name; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || strchr("<>:\"|?*", c)) {
            FormatText(why, whyCapacity, "Windows cannot create a file whose name holds \"%c\"", c < 0x20 ? '?' : c);
            return why;
        }
    }
    if (!ToCodePage(codePage, name, member, capacity)) {
        FormatText(why, whyCapacity,
                   "the name cannot be written in code page %d (give --codepage for the users' code page, or "
                   "rename it)",
                   codePage);
        return why;
    }
    if (IsUnsafeName(member)) {
        FormatText(why, whyCapacity, "setup refuses the name: a device name, a drive, or a \"..\" folder");
        return why;
    }
    if (strlen(member) > MaxMemberName) {
        FormatText(why, whyCapacity, "the name is longer than %d bytes", MaxMemberName);
        return why;
    }
    return nullptr;
}
