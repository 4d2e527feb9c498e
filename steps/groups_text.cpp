// Text rules of the Program Manager step (see groups_text.h).
#include "steps/groups_text.h"

#include <stdio.h>
#include <string.h>

#include "app/setup.h"

static const char ItemCommandStart[] = "[AddItem(";
static const int ItemCommandStartLength = sizeof ItemCommandStart - 1;

bool IsGroupEntry(const char* key)
{
    return strncmp(key, "Group", 5) == 0;
}

int ComposeGroupCommand(const char* name, char* out, int capacity)
{
    int n = snprintf(out, capacity, "[CreateGroup(%s)]", name);
    if (n < 0 || n >= capacity) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int BeginItemCommand(const char* value, char* out, int capacity)
{
    int area = capacity < ItemAreaCapacity ? capacity : ItemAreaCapacity;
    if (area <= ItemCommandStartLength) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, ItemCommandStart, ItemCommandStartLength);
    return ExpandPathMacros(value, out + ItemCommandStartLength, area - ItemCommandStartLength);
}

int EndItemCommand(char* command, int capacity)
{
    size_t length = strlen(command);
    if (length + 3 > static_cast<size_t>(capacity))
        return 0;
    memcpy(command + length, ")]", 3);
    return 1;
}

int FindProgramMacro(const char* command, ProgramMacro* macro)
{
    const char* dollar = strchr(command, '$');
    if (!dollar || dollar[1] != 'p' || (dollar[2] != ' ' && dollar[2] != '"'))
        return 0;
    const char* p = dollar + 2;
    char closing = 0;
    while (*p == ' ' || *p == '"')
        closing = *p++;
    const char* name = p;
    while (*p && *p != ',' && *p != closing)
        p++;
    int length = static_cast<int>(p - name);
    if (length == 0 || length >= DocumentCapacity)
        return 0;
    macro->at = static_cast<int>(dollar - command);
    macro->document = static_cast<int>(name - command);
    macro->documentLength = length;
    return 1;
}

int ReplaceProgramMacro(char* command, int capacity, int at, const char* program)
{
    size_t length = strlen(command);
    size_t programLength = strlen(program);
    if (length - 2 + programLength + 1 > static_cast<size_t>(capacity))
        return 0;
    memmove(command + at + programLength, command + at + 2, length - at - 2 + 1);
    memcpy(command + at, program, programLength);
    return 1;
}
