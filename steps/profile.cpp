// win.ini and system.ini entries: a store with the syntax of the setup script
// is merged, entry by entry, into a profile file through the system's profile
// functions, with the path macros expanded in each value.
#include "app/setup.h"
#include "steps/steps.h"

// One expanded value with its terminator.
static const int ValueCapacity = 256;

void WriteProfileEntries(ConfigFile* entries, const char* fileName, HWND owner)
{
    if (!entries || entries->count == 0)
        return;
    // A fresh walk: key lines before the first header belong to no section.
    entries->currentSection = nullptr;
    for (int32_t i = 0; i < entries->count; i++) {
        // ValueAt moves the current section onto a header it passes.
        const char* value = entries->ValueAt(i);
        if (entries->IsSection(i))
            continue;
        const char* section = entries->currentSection;
        if (!section)
            continue;
        // A value that does not fit is left out, never written cut.
        char expanded[ValueCapacity];
        if (!ExpandOrReport(owner, entries->KeyAt(i), value, expanded, sizeof expanded))
            continue;
        // Results are not looked at: an entry that cannot be written is skipped.
        if (fileName)
            WritePrivateProfileStringA(section, entries->KeyAt(i), expanded, fileName);
        else
            WriteProfileStringA(section, entries->KeyAt(i), expanded);
        LogLine("profile %s [%s] %s=%s", fileName ? fileName : "win.ini", section,
                entries->KeyAt(i), expanded);
    }
}
