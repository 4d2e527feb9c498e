// Texts of message boxes that show paths, values or command lines.
#include <stdio.h>
#include <string.h>

#include "app/setup.h"

int BreakLongRuns(const char* text, int width, char* out, int capacity)
{
    if (capacity <= 0)
        return 0;
    int used = 0;
    int run = 0;
    for (const char* p = text; *p; p++) {
        bool breaks = *p == ' ' || *p == '\n' || *p == '\t';
        bool insert = !breaks && run == width;
        if (used + (insert ? 2 : 1) >= capacity) {
            out[used] = '\0';
            return 0;
        }
        if (insert) {
            out[used++] = '\n';
            run = 0;
        }
        out[used++] = *p;
        run = breaks ? 0 : run + 1;
    }
    out[used] = '\0';
    return 1;
}

void ShortenForBox(const char* text, int width, char* out, int capacity)
{
    snprintf(out, capacity, "%.*s%s", width, text, strlen(text) > static_cast<size_t>(width) ? "..." : "");
}

void ComposeTooLongMessage(const char* what, const char* name, const char* text, int limit,
                           char* out, int capacity)
{
    const int shown = 160;
    char head[shown + 4];
    ShortenForBox(text, shown, head, sizeof head);
    char lines[sizeof head + sizeof head / ShownLineWidth + 1];
    BreakLongRuns(head, ShownLineWidth, lines, sizeof lines);
    char shownName[ShownLineWidth + 4];
    ShortenForBox(name, ShownLineWidth, shownName, sizeof shownName);
    snprintf(out, capacity, "%s of \"%s\" longer than %d characters:\n%s", what, shownName, limit, lines);
}
