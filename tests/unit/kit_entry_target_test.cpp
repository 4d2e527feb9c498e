// The targets the builder writes for copy and profile entries: setup must
// put the file where the author meant it, whatever destination the user
// picks.
#include <gtest/gtest.h>

#include <string>

#include "kit/layout.h"

namespace {

// What setup does with an entry KEY=VALUE of the copy or profile kind: a
// target with a "." anywhere (after $d is expanded) is the file written;
// otherwise the file is written into the target under the key's name. Then
// Windows drops the trailing dots of the last name.
std::string Installed(const std::string& value, const std::string& key, const std::string& dest)
{
    std::string t = value;
    for (size_t at; (at = t.find("$d")) != std::string::npos;)
        t.replace(at, 2, dest);
    if (t.find('.') == std::string::npos)
        t += "\\" + key;
    while (!t.empty() && t.back() == '.')
        t.pop_back();
    return t;
}

std::string Target(ItemKind kind, const char* target, const char* name)
{
    char out[300];
    EXPECT_EQ(EntryTarget(kind, target, name, out, sizeof out), 1);
    return out;
}

TEST(KitEntryTarget, CopiesLandInTheTargetAndProfilesInTheFileWhateverTheDestination)
{
    struct Row {
        ItemKind kind;
        const char* target;
        const char* name;  // on the disk
        const char* meant; // below the destination
    };
    const Row rows[] = {
        {ItemCopy, "$d", "README.TXT", "\\README.TXT"},
        {ItemCopy, "$d", "LICENSE", "\\LICENSE"},            // no dot in the name
        {ItemCopy, "$d\\v1.0", "README.TXT", "\\v1.0\\README.TXT"},  // a dot in the target
        {ItemCopy, "$d\\bin.x\\sub", "INFO", "\\bin.x\\sub\\INFO"},
        {ItemCopy, "$d\\docs\\", "A.B", "\\docs\\A.B"},      // a target ending in "\"
        {ItemProfile, "$d\\KIT.INI", "SRC.INI", "\\KIT.INI"},
        {ItemProfile, "$d\\conf", "SRC.INI", "\\conf"},      // the profile file has no dot
        {ItemProfile, "$d\\v1.0\\conf", "SRC.INI", "\\v1.0\\conf"},
    };
    for (const char* dest : {"C:\\CAMP", "C:\\MY.APP"}) {
        for (const Row& r : rows) {
            std::string value = Target(r.kind, r.target, r.name);
            EXPECT_EQ(Installed(value, r.name, dest), std::string(dest) + r.meant)
                << r.target << " " << r.name << " into " << dest << ": written " << value;
        }
    }
}

TEST(KitEntryTarget, ATargetTooLongForTheEntryIsRefusedNotCut)
{
    char out[16];
    EXPECT_EQ(EntryTarget(ItemCopy, "$d\\folder", "README.TXT", out, sizeof out), 0);
    EXPECT_EQ(EntryTarget(ItemCopy, "$d\\f", "README.TXT", out, sizeof out), 1);
    EXPECT_STREQ(out, "$d\\f\\README.TXT");
}

}  // namespace
