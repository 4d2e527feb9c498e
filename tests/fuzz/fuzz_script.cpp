// The input is a setup script. Its first byte chooses how it is read (from a
// file or from memory) and the capacities used below; the rest is the text.
// The store is loaded with every line rule, then every key it holds is looked
// up with each getter, sections are copied (also into the store itself), each
// value is expanded with small capacities, and the text is split as a command
// line into a small word store.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "app/setup.h"
#include "script/configfile.h"
#include "script/keys.h"

static void SetDirectory(char* dir, const char* value)
{
    snprintf(dir, PathCapacity, "%s", value ? value : "");
}

static ConfigFile* LoadFromFile(const uint8_t* text, size_t size)
{
    static char path[64];
    if (!path[0])
        snprintf(path, sizeof path, "/tmp/fuzz_script.%d.cfg", static_cast<int>(getpid()));
    FILE* f = fopen(path, "wb");
    if (!f)
        return new ConfigFile(4, nullptr);
    fwrite(text, 1, size, f);
    fclose(f);
    return new ConfigFile(4, path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    uint8_t mode = data[0];
    const uint8_t* text = data + 1;
    size_t length = size - 1;
    if (length > 1 << 16)
        return 0;

    ConfigFile* script;
    if (mode & 1) {
        script = LoadFromFile(text, length);
    } else {
        // Capacity 0 and 1 take the smallest growth steps.
        script = new ConfigFile((mode >> 1) & 1, nullptr);
        script->LoadText(reinterpret_cast<const char*>(text), static_cast<int32_t>(length));
    }

    SetDirectory(DestDir, script->GetString("DestDir", ""));
    SetDirectory(WindowsDir, script->GetString("WindowsDir", "C:\\WINDOWS"));
    SetDirectory(StartDir, script->GetString("StartDir", "A:"));

    ConfigFile copies(0, nullptr);
    int capacity = 1 + ((mode >> 2) & 15);
    char expanded[PathCapacity];
    int32_t count = script->count;
    for (int32_t i = 0; i < count && i < 64; i++) {
        const char* key = script->KeyAt(i);
        script->GetString(key, nullptr);
        script->GetInt(key, -1);
        script->GetLong(key, 0x7FFFFFFF);
        script->GetYesNo(key, true);
        if (script->HasSection(key)) {
            script->CopySection(key, nullptr, &copies, false);
            script->CopySection(key, script->KeyAt(count - 1), nullptr, true);
        }
        const char* value = script->ValueAt(i);
        ExpandPathMacros(value, expanded, capacity);
        ExpandPathMacros(value, expanded, PathCapacity);
    }
    // A copy into the store it reads from grows the array under the copy.
    if (count > 0)
        script->CopySection(script->KeyAt(0), nullptr, script, (mode & 0x40) != 0);
    GetKey(*script, KeyTitle1Size);
    GetKey(*script, KeySpaceRequired);
    GetKey(*script, KeyDestPathPrompt);
    script->CopySection(SectionDisk1, SectionGroups, nullptr, false);

    char line[1024];
    size_t n = length < sizeof line - 1 ? length : sizeof line - 1;
    memcpy(line, text, n);
    line[n] = '\0';
    char store[64];
    char* words[8];
    int storeSize = (mode & 0x80) ? 16 : static_cast<int>(sizeof store);
    int found = SplitCommandLine(line, store, storeSize, words, 8);
    for (int i = 0; i < found; i++)
        if (words[i] && strlen(words[i]) >= static_cast<size_t>(storeSize))
            __builtin_trap();

    delete script;
    return 0;
}
