// Text rules of the Program Manager step that need no window system: which
// entries are groups, the command texts and the "$p" program macro.
#pragma once

// One command goes to Program Manager in this many bytes with the
// terminator; an item's text after "[AddItem(" is built within the first
// ItemAreaCapacity of them.
constexpr int CommandCapacity = 1024;
constexpr int ItemAreaCapacity = 512;

// The longest document name a "$p" macro may name, with the terminator.
constexpr int DocumentCapacity = 260;

// True when the entry's key names a group: it begins with "Group", in this case.
bool IsGroupEntry(const char* key);

// "[CreateGroup(name)]" with the name unchanged. Returns 0, and leaves out
// empty, when the whole command does not fit: a cut name would create a
// group of another name.
int ComposeGroupCommand(const char* name, char* out, int capacity);

// "[AddItem(" and the item text with its path macros expanded, within
// ItemAreaCapacity bytes. Returns 0 when the expanded text does not fit: a cut
// command line would make an item that starts another program.
int BeginItemCommand(const char* value, char* out, int capacity);

// Appends ")]". Returns 0 when there is no room for it.
int EndItemCommand(char* command, int capacity);

// Where a "$p" macro and the document it names lie in a command.
struct ProgramMacro {
    int at;              // offset of the "$p"
    int document;        // offset of the document name
    int documentLength;  // its length in bytes, below DocumentCapacity
};

// Finds the program macro: only the first "$" of the command counts, and only
// when "p" and then a blank or a double quote follow it. The blanks and
// quotes after "$p" are skipped; the last of them closes the document name,
// which also ends at a comma or at the end of the text. Returns 1 and fills
// macro, or 0 when there is no macro or its document name is empty or too
// long.
int FindProgramMacro(const char* command, ProgramMacro* macro);

// Replaces the two characters "$p" at offset at by program. Returns 0, and
// leaves the command unchanged, when the result does not fit in capacity.
int ReplaceProgramMacro(char* command, int capacity, int at, const char* program);
