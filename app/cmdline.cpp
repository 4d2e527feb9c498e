// The command line and the names formed from it at start-up.
#include <stdio.h>
#include <string.h>

#include "app/setup.h"
#include "script/keys.h"

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int SplitCommandLine(const char* line, char* store, int storeSize, char** words, int maxWords)
{
    int count = 0;
    int used = 0;
    const char* p = line;
    while (*p) {
        while (IsBlank(*p))
            p++;
        if (!*p)
            break;
        // A word that no longer fits is never cut: it keeps its place as a
        // null pointer (absent), so that the words after it keep their meaning.
        char* word = store + used;
        bool quoted = false;
        bool fits = true;
        while (*p && (quoted || !IsBlank(*p))) {
            char c = *p++;
            if (c == '\\' && *p == '"') {
                c = *p++;
            } else if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (used < storeSize - 1)
                store[used++] = c;
            else
                fits = false;
        }
        if (count >= maxWords) {
            used = static_cast<int>(word - store);
        } else if (fits && used < storeSize) {
            store[used++] = '\0';
            words[count++] = word;
        } else {
            used = static_cast<int>(word - store);
            words[count++] = nullptr;
        }
    }
    return count;
}

int MakeScriptPath(const char* from, char* out, int capacity)
{
    size_t length = strlen(from);
    const char* dot = strrchr(from, '.');
    size_t keep = dot ? static_cast<size_t>(dot - from) : length;
    size_t extension = dot ? strlen(ScriptExtension) : 0;
    if (keep + extension >= static_cast<size_t>(capacity))
        return 0;
    memcpy(out, from, keep);
    if (dot)
        memcpy(out + keep, ScriptExtension, extension);
    out[keep + extension] = '\0';
    return 1;
}

void ProgramDirectory(const char* programPath, char* out, int capacity)
{
    const char* slash = strrchr(programPath, '\\');
    size_t keep = 0;
    if (slash)
        keep = static_cast<size_t>(slash - programPath);
    else if (programPath[0] && programPath[1] == ':')
        keep = 2;
    if (keep >= static_cast<size_t>(capacity))
        keep = 0;
    memcpy(out, programPath, keep);
    out[keep] = '\0';
}

int AnchorPath(const char* base, const char* path, char* out, int capacity)
{
    int n;
    bool drive = path[0] && path[1] == ':';
    if (drive || (path[0] == '\\' && path[1] == '\\'))
        n = snprintf(out, static_cast<size_t>(capacity), "%s", path);
    else if (path[0] == '\\')
        n = snprintf(out, static_cast<size_t>(capacity), "%.*s%s", base[0] && base[1] == ':' ? 2 : 0, base, path);
    else if (!path[0])
        n = snprintf(out, static_cast<size_t>(capacity), "%s", base);
    else
        n = snprintf(out, static_cast<size_t>(capacity), "%s%s%s", base,
                     base[0] && base[strlen(base) - 1] == '\\' ? "" : "\\", path);
    if (n >= 0 && n < capacity)
        return 1;
    out[0] = '\0';
    return 0;
}

// Appends a blank (except before the first word) and word, in double quotes
// when it holds a blank or tab, so that the words split back as they were.
static int AppendWord(char* out, int capacity, int* used, const char* word)
{
    bool quote = strpbrk(word, " \t") != nullptr;
    int n = snprintf(out + *used, capacity - *used, quote ? "%s\"%s\"" : "%s%s",
                     *used ? " " : "", word);
    if (n < 0 || n >= capacity - *used)
        return 0;
    *used += n;
    return 1;
}

int ComposeRelaunchCommand(const char* copyPath, const char* sourceDir, const char* programPath,
                           char* out, int capacity)
{
    int used = 0;
    if (capacity <= 0)
        return 0;
    out[0] = '\0';
    if (AppendWord(out, capacity, &used, copyPath) && AppendWord(out, capacity, &used, sourceDir) &&
        AppendWord(out, capacity, &used, programPath))
        return 1;
    out[0] = '\0';
    return 0;
}

// The word names the switch when it begins with it, letter case aside; a
// switch without "=" must be the whole word.
static const char* SwitchValue(const char* word, const char* name)
{
    size_t n = 0;
    for (; name[n]; n++) {
        char c = word[n];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        if (c != name[n])
            return nullptr;
    }
    if (name[n - 1] != '=' && word[n] != '\0')
        return nullptr;
    return word + n;
}

int TakeSwitches(char** words, int count, Switches* switches)
{
    int kept = 0;
    for (int i = 0; i < count; i++) {
        char* word = words[i];
        const char* value = nullptr;
        if (word && SwitchValue(word, "/S")) {
            switches->unattended = true;
        } else if (word && (value = SwitchValue(word, "/D="))) {
            switches->dest = value;
        } else if (word && (value = SwitchValue(word, "/LOG="))) {
            switches->log = value;
        } else {
            words[kept++] = word;
        }
    }
    return kept;
}

int AppendSwitches(const Switches& switches, char* out, int capacity)
{
    int used = static_cast<int>(strlen(out));
    int before = used;
    char word[PathCapacity + 8];
    bool fits = !switches.unattended || AppendWord(out, capacity, &used, "/S");
    if (fits && switches.dest) {
        snprintf(word, sizeof word, "/D=%s", switches.dest);
        fits = AppendWord(out, capacity, &used, word);
    }
    if (fits && switches.log) {
        snprintf(word, sizeof word, "/LOG=%s", switches.log);
        fits = AppendWord(out, capacity, &used, word);
    }
    if (!fits)
        out[before] = '\0';
    return fits;
}

int CompletedExitCode(int32_t failures, bool restartOffered)
{
    if (failures > 0)
        return ExitFailures;
    return restartOffered ? ExitRestartOffered : ExitInstalled;
}
