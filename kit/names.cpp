// Names as the target system holds them: the 8.3 short names of a disk's
// files, member names in the target's ANSI code page, and what Windows can
// create at all.
#include <errno.h>
#include <iconv.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>
#include <wctype.h>

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
    for (const char* p = name; *p;) {
        size_t n = strcspn(p, "\\");
        const char* trailing = n > 0 ? TrailingProblem(p, n) : nullptr;
        if (trailing) {
            FormatText(why, whyCapacity, "the name %s: Windows drops trailing dots and blanks and would create \"%.*s\" "
                       "under another name", trailing, static_cast<int>(n), p);
            return why;
        }
        p += n;
        if (*p)
            p++;
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

const char* TrailingProblem(const char* component, size_t n)
{
    if (n == 0)
        return nullptr;
    // "." and ".." are no names of files; IsUnsafeName refuses them.
    if (component[n - 1] == '.' && strspn(component, ".") < n)
        return "ends in a dot";
    if (component[n - 1] == ' ')
        return "ends in a blank";
    return nullptr;
}

namespace {

// Letters compared as Windows compares them: the Unicode upper case of the
// host's C.UTF-8 locale (ASCII only where that locale is missing).
locale_t UnicodeLocale()
{
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return unicode;
}

// Decodes one UTF-8 character at p (valid UTF-8 assumed); its length in *n.
unsigned long DecodeUtf8(const unsigned char* p, size_t* n)
{
    if (p[0] < 0x80 || p[0] < 0xC0) {
        *n = 1;
        return p[0];
    }
    size_t length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : 2;
    unsigned long code = p[0] & (0x7F >> length);
    for (size_t i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80) {
            *n = i;
            return 0xFFFD;
        }
        code = (code << 6) | (p[i] & 0x3F);
    }
    *n = length;
    return code;
}

size_t EncodeUtf8(unsigned long code, char* out)
{
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

}  // namespace

int WindowsNameKey(int codePage, const char* name, char* key, size_t capacity)
{
    char utf8[PathBytes];
    if (codePage) {
        char cp[16];
        FormatText(cp, sizeof cp, "CP%d", codePage);
        iconv_t cd = iconv_open("UTF-8", cp);
        if (cd == reinterpret_cast<iconv_t>(-1))
            return 0;
        char* in = const_cast<char*>(name);
        size_t inLeft = strlen(name);
        char* to = utf8;
        size_t toLeft = sizeof utf8 - 1;
        size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
        iconv_close(cd);
        *to = 0;
        if (done == static_cast<size_t>(-1) || inLeft > 0)
            return 0;
    } else if (!FormatText(utf8, sizeof utf8, "%s", name)) {
        return 0;
    }
    locale_t unicode = UnicodeLocale();
    size_t k = 0, componentEnd = 0;  // where the component's kept part ends
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        if (*p == '\\' || *p == '/') {
            k = componentEnd;
            if (k + 1 >= capacity)
                return 0;
            key[k++] = '\\';
            componentEnd = k;
            p++;
            continue;
        }
        size_t n;
        unsigned long code = DecodeUtf8(p, &n);
        p += n;
        if (unicode)
            code = static_cast<unsigned long>(towupper_l(static_cast<wint_t>(code), unicode));
        else if (code >= 'a' && code <= 'z')
            code -= 'a' - 'A';
        char bytes[4];
        size_t length = EncodeUtf8(code, bytes);
        if (k + length >= capacity)
            return 0;
        memcpy(key + k, bytes, length);
        k += length;
        if (code != '.' && code != ' ')
            componentEnd = k;
    }
    k = componentEnd;
    key[k] = 0;
    return 1;
}

namespace {

int CompareSites(const void* a, const void* b)
{
    const InstallSite* x = static_cast<const InstallSite*>(a);
    const InstallSite* y = static_cast<const InstallSite*>(b);
    int c = strcmp(x->key, y->key);
    return c ? c : x->line - y->line;
}

}  // namespace

void FindSameInstalls(InstallSite* sites, int count,
                      void (*same)(void* context, const InstallSite& first, const InstallSite& second),
                      void* context)
{
    if (count > 1)
        qsort(sites, static_cast<size_t>(count), sizeof *sites, CompareSites);
    // After sorting, the first site of a key stands first among its equals.
    for (int i = 1, first = 0; i < count; i++) {
        if (strcmp(sites[i].key, sites[first].key) != 0) {
            first = i;
            continue;
        }
        if (sites[i].line != sites[first].line && sites[i].line != sites[i - 1].line)
            same(context, sites[first], sites[i]);
    }
}
