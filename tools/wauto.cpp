// wauto: drives a Windows GUI program through a dialogue script.
//
//   wauto.exe [-t SECONDS] [-d WORKDIR] [-s SHOTDIR] DIALOGUE|- PROGRAM [ARGS...]
//
// Starts PROGRAM (with ARGS) in WORKDIR, runs the dialogue line by line against
// the top-level windows of the desktop, then waits for the program's end and
// prints "exit code: N". Exit status: 0 the dialogue passed, 1 it failed (the
// program is then terminated), 2 usage or start failure, 3 global timeout.
//
// Every wait has a timeout, every message to another process goes through
// SendMessageTimeout, and a watchdog thread ends everything at the global
// timeout, so wauto never hangs.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int TextCapacity = 1024;
const int MaxTokens = 10;
const int MaxWindows = 512;
const DWORD PollMs = 20;
const UINT SendTimeoutMs = 2000;

enum TokenKind { TokenWord, TokenExact, TokenContains, TokenAny };

struct Token {
    TokenKind kind;
    char text[TextCapacity];
};

struct Line {
    int number;
    char source[TextCapacity];
    int count;
    Token tokens[MaxTokens];
};

// ---- State of the run --------------------------------------------------------

HANDLE Program;                    // the process under test
ULONGLONG StartTick;
ULONGLONG GlobalDeadline;
DWORD DefaultWaitMs = 10000;
bool AllowExit;
HWND Current;                      // the window found by the last window/msgbox
char ShotDir[MAX_PATH];
CRITICAL_SECTION OutputLock;
volatile LONG CurrentLine;         // for the watchdog's message
volatile LONG Ending;              // set by the first thread that reports a failure
char CurrentSource[TextCapacity];

// ---- Output ------------------------------------------------------------------------

void Say(const char* format, ...)
{
    EnterCriticalSection(&OutputLock);
    va_list args;
    va_start(args, format);
    vfprintf(stdout, format, args);
    va_end(args);
    fflush(stdout);
    LeaveCriticalSection(&OutputLock);
}

double Seconds()
{
    return static_cast<double>(GetTickCount64() - StartTick) / 1000.0;
}

// Copies text into out with control characters and quotes escaped, the way the
// dialogue writes them, so a printed text can be pasted into a dialogue.
void Escape(const char* text, char* out, size_t capacity)
{
    size_t n = 0;
    for (const char* p = text; *p && n + 5 < capacity; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n')       { out[n++] = '\\'; out[n++] = 'n'; }
        else if (c == '\r')  { out[n++] = '\\'; out[n++] = 'r'; }
        else if (c == '\t')  { out[n++] = '\\'; out[n++] = 't'; }
        else if (c == '"')   { out[n++] = '\\'; out[n++] = '"'; }
        else if (c == '\\')  { out[n++] = '\\'; out[n++] = '\\'; }
        else if (c < 0x20)   { n += static_cast<size_t>(snprintf(out + n, capacity - n, "\\x%02x", c)); }
        else                 out[n++] = static_cast<char>(c);
    }
    out[n] = '\0';
}

// ---- Window texts and lookups ----------------------------------------------------------

void ClassOf(HWND window, char* out, int capacity)
{
    if (!GetClassNameA(window, out, capacity))
        out[0] = '\0';
}

// The caption is read from the window manager's copy: no message is sent.
void CaptionOf(HWND window, char* out, int capacity)
{
    if (!GetWindowTextA(window, out, capacity))
        out[0] = '\0';
}

// A control's text through WM_GETTEXT, which also reads edit controls.
// Returns false when the control's thread did not answer in time.
bool ControlText(HWND control, char* out, int capacity, UINT timeout = SendTimeoutMs)
{
    out[0] = '\0';
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, static_cast<WPARAM>(capacity),
                             reinterpret_cast<LPARAM>(out), SMTO_ABORTIFHUNG, timeout, &got))
        return false;
    out[capacity - 1] = '\0';
    if (got < static_cast<DWORD_PTR>(capacity))
        out[got] = '\0';
    return true;
}

// Direct child with the given control id. Message box texts carry the id
// 65535, which some code stores as -1: compare the low 16 bits for such ids.
HWND FindControl(HWND parent, long id)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG_PTR childId = GetWindowLongPtrA(child, GWLP_ID);
        if (childId == id)
            return child;
        if (id >= 0 && id <= 0xFFFF && (childId & 0xFFFF) == id)
            return child;
    }
    return nullptr;
}

struct WindowList {
    int count;
    HWND windows[MaxWindows];
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data)
{
    WindowList* list = reinterpret_cast<WindowList*>(data);
    if (list->count < MaxWindows)
        list->windows[list->count++] = window;
    return TRUE;
}

// All top-level windows, whatever their Z order.
void TopLevelWindows(WindowList& list)
{
    list.count = 0;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
}

void VisibleWindows(WindowList& list)
{
    TopLevelWindows(list);
    int kept = 0;
    for (int i = 0; i < list.count; i++)
        if (IsWindowVisible(list.windows[i]))
            list.windows[kept++] = list.windows[i];
    list.count = kept;
}

bool Contains(const WindowList& list, HWND w)
{
    for (int i = 0; i < list.count; i++)
        if (list.windows[i] == w)
            return true;
    return false;
}

// Windows the dialogue has seen: every window a wait found, and the windows
// visible when the line before the current one began (for "absent").
WindowList Found;
WindowList SeenBeforeLastLine;
WindowList SeenBeforeThisLine;

void NoteFound(HWND w)
{
    if (!Contains(Found, w) && Found.count < MaxWindows)
        Found.windows[Found.count++] = w;
}

bool Matches(const Token& pattern, const char* text)
{
    switch (pattern.kind) {
    case TokenAny:      return true;
    case TokenContains: return strstr(text, pattern.text) != nullptr;
    default:            return strcmp(text, pattern.text) == 0;
    }
}

// The message of a message box: the static control with id 65535.
bool MessageText(HWND box, char* out, int capacity)
{
    HWND text = FindControl(box, 0xFFFF);
    if (!text) {
        out[0] = '\0';
        return false;
    }
    return ControlText(text, out, capacity);
}

// First visible top-level window matching class and caption (and, for a
// message box, its message). With counted set, counts all matches instead.
HWND FindWindowMatch(const Token& cls, const Token& caption, const Token* message, int* counted)
{
    WindowList list;
    TopLevelWindows(list);
    int found = 0;
    HWND first = nullptr;
    for (int i = 0; i < list.count; i++) {
        HWND w = list.windows[i];
        if (!IsWindowVisible(w))
            continue;
        char text[TextCapacity];
        ClassOf(w, text, sizeof text);
        if (!Matches(cls, text))
            continue;
        CaptionOf(w, text, sizeof text);
        if (!Matches(caption, text))
            continue;
        if (message) {
            if (!MessageText(w, text, sizeof text) || !Matches(*message, text))
                continue;
        }
        if (!first)
            first = w;
        found++;
        if (!counted)
            break;
    }
    if (counted)
        *counted = found;
    return first;
}

BOOL CALLBACK ListChild(HWND child, LPARAM top)
{
    // Only direct children: those are the controls of a dialog.
    if (GetParent(child) != reinterpret_cast<HWND>(top))
        return TRUE;
    char cls[128], text[TextCapacity], shown[TextCapacity];
    ClassOf(child, cls, sizeof cls);
    // A short wait: a program that does not answer would make the report slow.
    if (!ControlText(child, text, sizeof text, 300))
        snprintf(text, sizeof text, "(no answer)");
    Escape(text, shown, sizeof shown);
    long id = static_cast<long>(GetWindowLongPtrA(child, GWLP_ID));
    if (id == -1)
        id = 0xFFFF;
    Say("      id %ld %s \"%s\"%s%s\n", id, cls, shown,
        IsWindowVisible(child) ? "" : " [hidden]", IsWindowEnabled(child) ? "" : " [disabled]");
    return TRUE;
}

// Lists the visible top-level windows with their controls, for failure reports.
void ListWindows()
{
    WindowList list;
    TopLevelWindows(list);
    Say("  visible top-level windows:\n");
    int shown = 0;
    for (int i = 0; i < list.count; i++) {
        HWND w = list.windows[i];
        if (!IsWindowVisible(w))
            continue;
        char cls[256], caption[TextCapacity], escaped[TextCapacity];
        ClassOf(w, cls, sizeof cls);
        CaptionOf(w, caption, sizeof caption);
        Escape(caption, escaped, sizeof escaped);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        RECT r;
        GetWindowRect(w, &r);
        Say("    %s \"%s\" pid %lu at %ld,%ld %ldx%ld%s\n", cls, escaped, pid, r.left, r.top,
            r.right - r.left, r.bottom - r.top, IsWindowEnabled(w) ? "" : " [disabled]");
        if (strcmp(cls, "Install") != 0)
            EnumChildWindows(w, ListChild, reinterpret_cast<LPARAM>(w));
        shown++;
    }
    if (!shown)
        Say("    (none)\n");
}

// ---- Program state -------------------------------------------------------------------------

bool ProgramEnded(DWORD* code)
{
    if (WaitForSingleObject(Program, 0) != WAIT_OBJECT_0)
        return false;
    DWORD c = 0;
    GetExitCodeProcess(Program, &c);
    if (code)
        *code = c;
    return true;
}

void EndProgram()
{
    if (Program && !ProgramEnded(nullptr)) {
        TerminateProcess(Program, 99);
        WaitForSingleObject(Program, 2000);
    }
}

// Only one thread reports a failure and ends the process; a second one waits
// here for the end.
void ClaimEnd()
{
    if (InterlockedExchange(&Ending, 1))
        for (;;)
            Sleep(1000);
}

[[noreturn]] void Fail(const Line& line, const char* format, ...)
{
    ClaimEnd();
    char message[2 * TextCapacity];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    Say("FAIL at dialogue line %d: %s\n  %s\n", line.number, line.source, message);
    Say("  (%.2f s after the start)\n", Seconds());
    DWORD code = 0;
    if (ProgramEnded(&code))
        Say("  the program has ended with exit code %lu\n", code);
    ListWindows();
    EndProgram();
    ExitProcess(1);
}

DWORD WINAPI Watchdog(LPVOID)
{
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= GlobalDeadline)
            break;
        ULONGLONG left = GlobalDeadline - now;
        Sleep(left > 1000 ? 1000 : static_cast<DWORD>(left));
    }
    ClaimEnd();
    Say("FAIL: global timeout after %.1f s, at dialogue line %ld: %s\n", Seconds(),
        static_cast<long>(CurrentLine), CurrentSource);
    ListWindows();
    EndProgram();
    ExitProcess(3);
}

// ---- Dialogue parsing --------------------------------------------------------------------------

// Reads one quoted text starting after the opening quote; returns the position
// after the closing quote, or null when the quote is not closed.
const char* ReadQuoted(const char* p, char* out, size_t capacity, bool* tooLong)
{
    size_t n = 0;
    while (*p && *p != '"') {
        char c = *p++;
        if (c == '\\' && *p) {
            char e = *p++;
            c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        }
        if (n + 1 < capacity)
            out[n++] = c;
        else
            *tooLong = true;
    }
    out[n] = '\0';
    return *p == '"' ? p + 1 : nullptr;
}

// Splits a line into tokens. Returns false with a reason when it cannot.
bool Tokenize(Line& line, char* reason, size_t reasonSize)
{
    line.count = 0;
    const char* p = line.source;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            return true;
        if (line.count == MaxTokens) {
            snprintf(reason, reasonSize, "more than %d words", MaxTokens);
            return false;
        }
        Token& t = line.tokens[line.count++];
        bool tooLong = false;
        if (*p == '"' || (p[0] == '~' && p[1] == '"')) {
            t.kind = *p == '~' ? TokenContains : TokenExact;
            p = ReadQuoted(p + (*p == '~' ? 2 : 1), t.text, sizeof t.text, &tooLong);
            if (!p) {
                snprintf(reason, reasonSize, "unclosed quote");
                return false;
            }
        } else {
            size_t n = 0;
            while (*p && *p != ' ' && *p != '\t') {
                if (n + 1 < sizeof t.text)
                    t.text[n++] = *p;
                else
                    tooLong = true;
                p++;
            }
            t.text[n] = '\0';
            t.kind = strcmp(t.text, "*") == 0 ? TokenAny : TokenWord;
        }
        if (tooLong) {
            snprintf(reason, reasonSize, "word longer than %d characters", TextCapacity - 1);
            return false;
        }
    }
}

bool ParseNumber(const char* text, long* value)
{
    char* end = nullptr;
    long v = strtol(text, &end, 0);
    if (end == text || *end)
        return false;
    *value = v;
    return true;
}

long NumberArg(const Line& line, int index, const char* what)
{
    long v = 0;
    if (index >= line.count || !ParseNumber(line.tokens[index].text, &v))
        Fail(line, "expected a number (%s) as word %d", what, index + 1);
    return v;
}

DWORD TimeoutArg(const Line& line, int index)
{
    if (index >= line.count)
        return DefaultWaitMs;
    long v = NumberArg(line, index, "milliseconds");
    if (v < 0)
        Fail(line, "a negative time");
    return static_cast<DWORD>(v);
}

void NeedWords(const Line& line, int minimum, int maximum, const char* usage)
{
    if (line.count < minimum || line.count > maximum)
        Fail(line, "usage: %s", usage);
}

void NeedCurrent(const Line& line)
{
    if (!Current)
        Fail(line, "no current window: find one first with window, dialog or msgbox");
    if (!IsWindow(Current))
        Fail(line, "the current window no longer exists");
}

const char* PatternText(const Token& t, char* out, size_t capacity)
{
    char escaped[TextCapacity];
    Escape(t.text, escaped, sizeof escaped);
    if (t.kind == TokenAny)
        snprintf(out, capacity, "*");
    else if (t.kind == TokenContains)
        snprintf(out, capacity, "~\"%s\"", escaped);
    else
        snprintf(out, capacity, "\"%s\"", escaped);
    return out;
}

// ---- Commands -----------------------------------------------------------------------------------

void WaitForWindow(const Line& line, const Token& cls, const Token& caption, const Token* message,
                   DWORD timeout)
{
    ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        HWND w = FindWindowMatch(cls, caption, message, nullptr);
        if (w) {
            Current = w;
            NoteFound(w);
            return;
        }
        DWORD code = 0;
        if (!AllowExit && ProgramEnded(&code))
            Fail(line, "the program ended (exit code %lu) before the window appeared", code);
        if (GetTickCount64() >= deadline)
            break;
        Sleep(PollMs);
    }
    char a[TextCapacity + 8], b[TextCapacity + 8];
    if (message) {
        char m[TextCapacity + 8];
        Fail(line, "no message box with caption %s and text %s appeared within %lu ms",
             PatternText(caption, a, sizeof a), PatternText(*message, m, sizeof m), timeout);
    }
    Fail(line, "no window of class %s with caption %s appeared within %lu ms",
         PatternText(cls, a, sizeof a), PatternText(caption, b, sizeof b), timeout);
}

void CommandWindow(const Line& line)
{
    NeedWords(line, 3, 4, "window CLASS TEXT [MS]");
    WaitForWindow(line, line.tokens[1], line.tokens[2], nullptr, TimeoutArg(line, 3));
}

void CommandDialog(const Line& line)
{
    NeedWords(line, 2, 3, "dialog CAPTION [MS]");
    Token cls = {TokenExact, "#32770"};
    WaitForWindow(line, cls, line.tokens[1], nullptr, TimeoutArg(line, 2));
}

void CommandMsgbox(const Line& line)
{
    NeedWords(line, 3, 4, "msgbox CAPTION TEXT [MS]");
    Token cls = {TokenExact, "#32770"};
    WaitForWindow(line, cls, line.tokens[1], &line.tokens[2], TimeoutArg(line, 3));
}

void CommandCaption(const Line& line)
{
    NeedWords(line, 2, 2, "caption TEXT");
    NeedCurrent(line);
    char text[TextCapacity], shown[TextCapacity], want[TextCapacity + 8];
    CaptionOf(Current, text, sizeof text);
    if (!Matches(line.tokens[1], text)) {
        Escape(text, shown, sizeof shown);
        Fail(line, "expected caption %s, found \"%s\"", PatternText(line.tokens[1], want, sizeof want),
             shown);
    }
}

HWND ControlArg(const Line& line, int index, long* idOut)
{
    long id = NumberArg(line, index, "control id");
    HWND control = FindControl(Current, id);
    if (!control)
        Fail(line, "the current window has no control with id %ld", id);
    if (idOut)
        *idOut = id;
    return control;
}

void CommandText(const Line& line)
{
    NeedWords(line, 3, 3, "text ID TEXT");
    NeedCurrent(line);
    long id = 0;
    HWND control = ControlArg(line, 1, &id);
    char text[TextCapacity], shown[TextCapacity], want[TextCapacity + 8];
    if (!ControlText(control, text, sizeof text))
        Fail(line, "control %ld did not answer WM_GETTEXT", id);
    if (!Matches(line.tokens[2], text)) {
        Escape(text, shown, sizeof shown);
        Fail(line, "expected text %s in control %ld, found \"%s\"",
             PatternText(line.tokens[2], want, sizeof want), id, shown);
    }
}

void CommandType(const Line& line)
{
    NeedWords(line, 3, 3, "type ID TEXT");
    NeedCurrent(line);
    long id = 0;
    HWND control = ControlArg(line, 1, &id);
    // What the control keeps (an edit control may cut a long text) is for a
    // following "text" line to check.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.tokens[2].text),
                             SMTO_ABORTIFHUNG, SendTimeoutMs, &result))
        Fail(line, "control %ld did not answer WM_SETTEXT", id);
}

struct ButtonName {
    const char* name;
    long id;
};

const ButtonName ButtonNames[] = {
    {"OK", IDOK}, {"Cancel", IDCANCEL}, {"Abort", IDABORT}, {"Retry", IDRETRY},
    {"Ignore", IDIGNORE}, {"Yes", IDYES}, {"No", IDNO},
};

// A message box: a dialog whose controls are only its message (static 65535),
// its icon (static 1088) and standard buttons (ids 1 to 11). A dialog from a
// template with other controls (an edit box, labels with own ids) is not one.
bool IsMessageBox(HWND w)
{
    char cls[64];
    ClassOf(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") != 0)
        return false;
    bool message = false;
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        long id = static_cast<long>(GetWindowLongPtrA(child, GWLP_ID) & 0xFFFF);
        ClassOf(child, cls, sizeof cls);
        if (id == 0xFFFF && strcmp(cls, "Static") == 0)
            message = true;
        else if (id == 1088 && strcmp(cls, "Static") == 0)
            continue;
        else if (!(id >= 1 && id <= 11 && strcmp(cls, "Button") == 0))
            return false;
    }
    return message;
}

bool WaitGone(HWND w, DWORD timeout)
{
    ULONGLONG deadline = GetTickCount64() + timeout;
    while (IsWindow(w) && IsWindowVisible(w)) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(PollMs);
    }
    return true;
}

// The id of a button named OK, Cancel, ... or given as a number.
long ButtonId(const Line& line, const char* name)
{
    long id = -1;
    for (const ButtonName& b : ButtonNames)
        if (strcmp(b.name, name) == 0)
            id = b.id;
    if (id < 0 && !ParseNumber(name, &id))
        Fail(line, "unknown button \"%s\"", name);
    return id;
}

void PressButton(const Line& line, HWND window, long id)
{
    HWND button = FindControl(window, id);
    if (!button)
        Fail(line, "the window has no button with id %ld", id);
    if (!IsWindowEnabled(button))
        Fail(line, "button %ld is disabled", id);
    bool box = IsMessageBox(window);
    if (!PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
        Fail(line, "could not post WM_COMMAND (error %lu)", GetLastError());
    // A message box always closes on its buttons; wait for it so that the next
    // line cannot find the closing box again.
    if (box && !WaitGone(window, DefaultWaitMs))
        Fail(line, "the message box did not close within %lu ms", DefaultWaitMs);
}

void CommandPress(const Line& line)
{
    NeedWords(line, 2, 2, "press OK|Cancel|Yes|No|Abort|Retry|Ignore|ID");
    NeedCurrent(line);
    PressButton(line, Current, ButtonId(line, line.tokens[1].text));
}

void CommandEnabled(const Line& line, bool want)
{
    NeedWords(line, 2, 2, want ? "enabled ID" : "disabled ID");
    NeedCurrent(line);
    long id = 0;
    HWND control = ControlArg(line, 1, &id);
    if ((IsWindowEnabled(control) != 0) != want)
        Fail(line, "control %ld is %s", id, want ? "disabled" : "enabled");
}

void CommandGone(const Line& line)
{
    NeedWords(line, 1, 2, "gone [MS]");
    NeedCurrent(line);
    DWORD timeout = TimeoutArg(line, 1);
    if (!WaitGone(Current, timeout))
        Fail(line, "the current window is still there after %lu ms", timeout);
}

// No matching window appears that the dialogue has not seen: windows found
// by earlier lines and windows visible when the line before this one began
// (the main window, a box that is closing) are not counted, so a window that
// the previous line's action opened counts even when it came up at once.
void CommandAbsent(const Line& line)
{
    NeedWords(line, 4, 4, "absent CLASS TEXT MS");
    DWORD span = TimeoutArg(line, 3);
    ULONGLONG started = GetTickCount64();
    for (;;) {
        WindowList now;
        VisibleWindows(now);
        for (int i = 0; i < now.count; i++) {
            HWND w = now.windows[i];
            if (Contains(Found, w) || Contains(SeenBeforeLastLine, w))
                continue;
            char cls[256], caption[TextCapacity], shown[TextCapacity];
            ClassOf(w, cls, sizeof cls);
            CaptionOf(w, caption, sizeof caption);
            if (!Matches(line.tokens[1], cls) || !Matches(line.tokens[2], caption))
                continue;
            Escape(caption, shown, sizeof shown);
            Fail(line, "expected no new window, found %s \"%s\" after %.2f s", cls, shown,
                 static_cast<double>(GetTickCount64() - started) / 1000.0);
        }
        // A program that has ended shows no more windows.
        if (GetTickCount64() - started >= span || (!AllowExit && ProgramEnded(nullptr)))
            return;
        Sleep(PollMs);
    }
}

void CommandCount(const Line& line)
{
    NeedWords(line, 4, 4, "count CLASS TEXT N");
    long want = NumberArg(line, 3, "count");
    int found = 0;
    FindWindowMatch(line.tokens[1], line.tokens[2], nullptr, &found);
    if (found != want)
        Fail(line, "expected %ld matching windows, found %d", want, found);
}

void CommandFullscreen(const Line& line)
{
    NeedWords(line, 1, 1, "fullscreen");
    NeedCurrent(line);
    RECT r, desk;
    GetWindowRect(Current, &r);
    GetWindowRect(GetDesktopWindow(), &desk);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    if (r.left > 0 || r.top > 0 || r.right < cx || r.bottom < cy || r.left > desk.left ||
        r.top > desk.top || r.right < desk.right || r.bottom < desk.bottom)
        Fail(line, "window at %ld,%ld..%ld,%ld does not cover the screen %dx%d (desktop %ld,%ld..%ld,%ld)",
             r.left, r.top, r.right, r.bottom, cx, cy, desk.left, desk.top, desk.right, desk.bottom);
    Say("  window %ld,%ld..%ld,%ld, screen %dx%d\n", r.left, r.top, r.right, r.bottom, cx, cy);
}

// The current window lies wholly on the screen (a message box with a long
// text must not grow past the screen's edges).
void CommandOnscreen(const Line& line)
{
    NeedWords(line, 1, 1, "onscreen");
    NeedCurrent(line);
    RECT r;
    GetWindowRect(Current, &r);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    if (r.left < 0 || r.top < 0 || r.right > cx || r.bottom > cy)
        Fail(line, "window at %ld,%ld..%ld,%ld (%ldx%ld) is not within the screen %dx%d", r.left, r.top,
             r.right, r.bottom, r.right - r.left, r.bottom - r.top, cx, cy);
    Say("  window %ld,%ld..%ld,%ld, screen %dx%d\n", r.left, r.top, r.right, r.bottom, cx, cy);
}

void CommandRepaint(const Line& line)
{
    NeedWords(line, 1, 1, "repaint");
    NeedCurrent(line);
    if (!RedrawWindow(Current, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN))
        Fail(line, "RedrawWindow failed (error %lu)", GetLastError());
    // The window's thread has painted when its update region is empty again.
    ULONGLONG deadline = GetTickCount64() + DefaultWaitMs;
    while (GetUpdateRect(Current, nullptr, FALSE)) {
        if (GetTickCount64() >= deadline)
            Fail(line, "the window did not repaint within %lu ms", DefaultWaitMs);
        Sleep(PollMs);
    }
}

void CommandClose(const Line& line)
{
    NeedWords(line, 1, 1, "close");
    NeedCurrent(line);
    if (!PostMessageA(Current, WM_CLOSE, 0, 0))
        Fail(line, "could not post WM_CLOSE (error %lu)", GetLastError());
}

void CommandPost(const Line& line)
{
    NeedWords(line, 2, 4, "post MSG [WPARAM [LPARAM]]");
    NeedCurrent(line);
    long msg = NumberArg(line, 1, "message");
    long w = line.count > 2 ? NumberArg(line, 2, "wParam") : 0;
    long l = line.count > 3 ? NumberArg(line, 3, "lParam") : 0;
    if (!PostMessageA(Current, static_cast<UINT>(msg), static_cast<WPARAM>(w), static_cast<LPARAM>(l)))
        Fail(line, "could not post message %ld (error %lu)", msg, GetLastError());
}

// Screenshots are taken by the harness on the host (the X server's picture of
// the screen): wauto leaves NAME.req in the screenshot directory and waits
// until the harness has saved NAME.png and removed the request.
void TakeShot(const Line& line, const char* name)
{
    if (!ShotDir[0])
        Fail(line, "no screenshot directory (-s) given");
    char path[MAX_PATH];
    if (snprintf(path, sizeof path, "%s\\%s.req", ShotDir, name) >= static_cast<int>(sizeof path))
        Fail(line, "screenshot path too long");
    HANDLE request = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (request == INVALID_HANDLE_VALUE)
        Fail(line, "cannot create %s (error %lu)", path, GetLastError());
    CloseHandle(request);
    ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= deadline)
            Fail(line, "no screenshot taken within 10 s (the harness removes %s when done)", path);
        Sleep(PollMs);
    }
}

void CommandShot(const Line& line)
{
    NeedWords(line, 2, 2, "shot NAME");
    TakeShot(line, line.tokens[1].text);
}

// A request to the harness on the host: wauto leaves NAME.cmd holding the
// rest of the line, the harness runs it as a shell command (a lib.sh helper
// such as "floppy DISK2"), writes NAME.err on failure and removes NAME.cmd.
void RunOnHost(const Line& line, const char* text)
{
    if (!ShotDir[0])
        Fail(line, "no harness directory (-s) given");
    static int serial;
    serial++;
    char path[MAX_PATH], errPath[MAX_PATH];
    if (snprintf(path, sizeof path, "%s\\host%03d.cmd", ShotDir, serial) >= static_cast<int>(sizeof path) ||
        snprintf(errPath, sizeof errPath, "%s\\host%03d.err", ShotDir, serial) >= static_cast<int>(sizeof errPath))
        Fail(line, "harness path too long");
    FILE* f = fopen(path, "wb");
    if (!f)
        Fail(line, "cannot create %s", path);
    bool written = fputs(text, f) >= 0;
    if (fclose(f) != 0 || !written)
        Fail(line, "cannot write %s", path);
    ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= deadline)
            Fail(line, "the harness did not run the command within 10 s");
        Sleep(PollMs);
    }
    f = fopen(errPath, "rb");
    if (f) {
        char message[TextCapacity];
        size_t n = fread(message, 1, sizeof message - 1, f);
        message[n] = '\0';
        fclose(f);
        Fail(line, "the harness command failed: %s", message);
    }
}

void CommandHost(const Line& line)
{
    if (line.count < 2)
        Fail(line, "usage: host COMMAND [WORDS...]");
    const char* text = line.source + strspn(line.source, " \t") + 4;
    RunOnHost(line, text + strspn(text, " \t"));
}

// ---- Answering questions as they come ("on" rules and "answer") -----------------------------------
//
// "answer" does not follow a script: until the program ends it answers every
// dialog and message box that appears, by the first "on" rule whose caption
// and message match, else with the box's default button. A dialog without an
// OK, Yes or default button (a progress dialog) is left alone. Each answered
// window is photographed first (shot answerNN).

const int MaxRules = 32;
const int MaxActions = 4;

enum ActionKind { ActionPress, ActionType, ActionDisk, ActionLeave };

struct Action {
    ActionKind kind;
    long id;                         // the button pressed or the edit control typed into
    char text[TextCapacity];
};

struct Rule {
    int line;
    Token caption;
    Token message;
    Action actions[MaxActions];
    int actionCount;
};

Rule Rules[MaxRules];
int RuleCount;

// on CAPTION TEXT ACTION...: ACTION is "press BUTTON", "type ID TEXT",
// "disk" (the harness inserts the disk whose number the message names) or
// "leave" (no answer).
void CommandOn(const Line& line)
{
    if (line.count < 4)
        Fail(line, "usage: on CAPTION TEXT press BUTTON|type ID TEXT|disk|leave...");
    if (RuleCount == MaxRules)
        Fail(line, "more than %d rules", MaxRules);
    Rule& r = Rules[RuleCount];
    r.line = line.number;
    r.caption = line.tokens[1];
    r.message = line.tokens[2];
    r.actionCount = 0;
    for (int i = 3; i < line.count;) {
        if (r.actionCount == MaxActions)
            Fail(line, "more than %d actions", MaxActions);
        Action& a = r.actions[r.actionCount++];
        const char* word = line.tokens[i].text;
        if (!strcmp(word, "press") && i + 1 < line.count) {
            a.kind = ActionPress;
            a.id = ButtonId(line, line.tokens[i + 1].text);
            i += 2;
        } else if (!strcmp(word, "type") && i + 2 < line.count) {
            a.kind = ActionType;
            a.id = NumberArg(line, i + 1, "control id");
            snprintf(a.text, sizeof a.text, "%s", line.tokens[i + 2].text);
            i += 3;
        } else if (!strcmp(word, "disk")) {
            a.kind = ActionDisk;
            i++;
        } else if (!strcmp(word, "leave")) {
            a.kind = ActionLeave;
            i++;
        } else {
            Fail(line, "unknown action \"%s\" (press BUTTON, type ID TEXT, disk, leave)", word);
        }
    }
    RuleCount++;
}

// The button a question is answered with when no rule names one: the
// dialog's default button unless that is Cancel or No, else OK or Yes; 0
// when it has none of them.
long DefaultAnswer(HWND w)
{
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(w, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, SendTimeoutMs, &result) &&
        HIWORD(result) == DC_HASDEFID) {
        long id = LOWORD(result);
        HWND button = FindControl(w, id);
        if (id != IDCANCEL && id != IDNO && button && IsWindowEnabled(button))
            return id;
    }
    const long answers[] = {IDOK, IDYES};
    for (long id : answers) {
        HWND button = FindControl(w, id);
        if (button && IsWindowEnabled(button))
            return id;
    }
    return 0;
}

// 1 when the window was answered (and photographed as answerNN, NN = serial).
bool AnswerWindow(const Line& line, HWND w, int serial)
{
    // A window just shown may still be filling in and painting its controls.
    Sleep(500);
    char caption[TextCapacity], message[TextCapacity] = "", shown[2 * TextCapacity], said[2 * TextCapacity];
    CaptionOf(w, caption, sizeof caption);
    bool box = IsMessageBox(w);
    if (box)
        MessageText(w, message, sizeof message);
    const Rule* rule = nullptr;
    for (int i = 0; i < RuleCount && !rule; i++)
        if (Matches(Rules[i].caption, caption) && Matches(Rules[i].message, message))
            rule = &Rules[i];
    Action fallback = {ActionPress, DefaultAnswer(w), ""};
    const Action* actions = rule ? rule->actions : &fallback;
    int count = rule ? rule->actionCount : 1;
    if (count == 0 || actions[0].kind == ActionLeave || (!rule && fallback.id == 0))
        return false;
    char name[32];
    snprintf(name, sizeof name, "answer%02d", serial);
    TakeShot(line, name);
    Escape(caption, shown, sizeof shown);
    Escape(message, said, sizeof said);
    Say("%7.2f  %s: \"%s\"%s%s%s\n", Seconds(), name, shown, box ? " \"" : "", box ? said : "", box ? "\"" : "");
    for (int i = 0; i < count; i++) {
        const Action& a = actions[i];
        if (a.kind == ActionPress) {
            // What the dialog's edit boxes hold as it is answered (the destination).
            for (HWND child = GetWindow(w, GW_CHILD); !box && child; child = GetWindow(child, GW_HWNDNEXT)) {
                char cls[32], text[TextCapacity], escaped[2 * TextCapacity];
                ClassOf(child, cls, sizeof cls);
                if (_stricmp(cls, "Edit") == 0 && ControlText(child, text, sizeof text)) {
                    Escape(text, escaped, sizeof escaped);
                    Say("           field %ld \"%s\"\n", static_cast<long>(GetWindowLongPtrA(child, GWLP_ID) & 0xFFFF), escaped);
                }
            }
            Say("           press %ld%s\n", a.id, rule ? "" : " (the default)");
            PressButton(line, w, a.id);
        } else if (a.kind == ActionType) {
            HWND edit = FindControl(w, a.id);
            DWORD_PTR result = 0;
            if (!edit || !SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a.text),
                                              SMTO_ABORTIFHUNG, SendTimeoutMs, &result))
                Fail(line, "cannot type into control %ld of \"%s\"", a.id, shown);
            Say("           type %ld \"%s\"\n", a.id, a.text);
        } else if (a.kind == ActionDisk) {
            const char* digits = strpbrk(message, "0123456789");
            if (!digits)
                Fail(line, "\"%s\" names no disk number", said);
            char request[64];
            snprintf(request, sizeof request, "try_disk %ld", strtol(digits, nullptr, 10));
            Say("           host %s\n", request);
            RunOnHost(line, request);
        }
    }
    return true;
}

void CommandAnswer(const Line& line)
{
    NeedWords(line, 1, 1, "answer");
    static WindowList answered;
    int serial = 0;
    while (!ProgramEnded(nullptr)) {
        WindowList now;
        VisibleWindows(now);
        for (int i = 0; i < now.count; i++) {
            HWND w = now.windows[i];
            char cls[64];
            ClassOf(w, cls, sizeof cls);
            // A disabled window waits for a box of its own to close.
            if (strcmp(cls, "#32770") != 0 || !IsWindowEnabled(w) || Contains(answered, w))
                continue;
            if (answered.count < MaxWindows)
                answered.windows[answered.count++] = w;
            if (AnswerWindow(line, w, serial + 1))
                serial++;
        }
        Sleep(PollMs * 5);
    }
}

void CommandExit(const Line& line)
{
    NeedWords(line, 2, 3, "exit N [MS]");
    long want = NumberArg(line, 1, "exit code");
    DWORD timeout = line.count > 2 ? TimeoutArg(line, 2) : 15000;
    if (WaitForSingleObject(Program, timeout) != WAIT_OBJECT_0)
        Fail(line, "the program did not end within %lu ms", timeout);
    DWORD code = 0;
    GetExitCodeProcess(Program, &code);
    if (code != static_cast<DWORD>(want))
        Fail(line, "expected exit code %ld, found %lu", want, code);
}

void CommandRunning(const Line& line)
{
    NeedWords(line, 1, 1, "running");
    DWORD code = 0;
    if (ProgramEnded(&code))
        Fail(line, "the program has ended with exit code %lu", code);
}

void Execute(const Line& line)
{
    const char* c = line.tokens[0].text;
    if (line.tokens[0].kind != TokenWord)
        Fail(line, "a line starts with a command word");
    if (!strcmp(c, "window"))            CommandWindow(line);
    else if (!strcmp(c, "dialog"))       CommandDialog(line);
    else if (!strcmp(c, "msgbox"))       CommandMsgbox(line);
    else if (!strcmp(c, "caption"))      CommandCaption(line);
    else if (!strcmp(c, "text"))         CommandText(line);
    else if (!strcmp(c, "type"))         CommandType(line);
    else if (!strcmp(c, "press"))        CommandPress(line);
    else if (!strcmp(c, "enabled"))      CommandEnabled(line, true);
    else if (!strcmp(c, "disabled"))     CommandEnabled(line, false);
    else if (!strcmp(c, "gone"))         CommandGone(line);
    else if (!strcmp(c, "absent"))       CommandAbsent(line);
    else if (!strcmp(c, "count"))        CommandCount(line);
    else if (!strcmp(c, "fullscreen"))   CommandFullscreen(line);
    else if (!strcmp(c, "onscreen"))     CommandOnscreen(line);
    else if (!strcmp(c, "repaint"))      CommandRepaint(line);
    else if (!strcmp(c, "close"))        CommandClose(line);
    else if (!strcmp(c, "post"))         CommandPost(line);
    else if (!strcmp(c, "shot"))         CommandShot(line);
    else if (!strcmp(c, "host"))         CommandHost(line);
    else if (!strcmp(c, "exit"))         CommandExit(line);
    else if (!strcmp(c, "running"))      CommandRunning(line);
    else if (!strcmp(c, "on"))           CommandOn(line);
    else if (!strcmp(c, "answer"))       CommandAnswer(line);
    else if (!strcmp(c, "sleep")) {
        NeedWords(line, 2, 2, "sleep MS");
        Sleep(TimeoutArg(line, 1));
    } else if (!strcmp(c, "timeout")) {
        NeedWords(line, 2, 2, "timeout MS");
        DefaultWaitMs = TimeoutArg(line, 1);
    } else if (!strcmp(c, "allow-exit")) {
        NeedWords(line, 1, 1, "allow-exit");
        AllowExit = true;
    } else {
        Fail(line, "unknown command \"%s\"", c);
    }
}

// ---- Start-up ------------------------------------------------------------------------------------

// Appends one command-line word, quoted when it holds blanks or is empty.
bool AppendWord(char* line, size_t capacity, const char* word)
{
    size_t n = strlen(line);
    bool quote = !*word || strpbrk(word, " \t") != nullptr;
    int written = snprintf(line + n, capacity - n, "%s%s%s%s", n ? " " : "", quote ? "\"" : "", word,
                           quote ? "\"" : "");
    return written >= 0 && static_cast<size_t>(written) < capacity - n;
}

char* ReadDialogue(const char* path, size_t* size)
{
    FILE* f = strcmp(path, "-") == 0 ? stdin : fopen(path, "rb");
    if (!f)
        return nullptr;
    const size_t capacity = 256 * 1024;
    char* text = static_cast<char*>(malloc(capacity + 1));
    size_t n = 0;
    if (text) {
        n = fread(text, 1, capacity, f);
        text[n] = '\0';
    }
    if (f != stdin)
        fclose(f);
    *size = n;
    return text;
}

int Usage()
{
    fprintf(stderr, "usage: wauto [-t SECONDS] [-d WORKDIR] [-s SHOTDIR] DIALOGUE|- PROGRAM [ARGS...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    InitializeCriticalSection(&OutputLock);
    StartTick = GetTickCount64();
    long globalSeconds = 60;
    const char* workDir = nullptr;
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] && !argv[i][2]; i += 2) {
        char option = argv[i][1];
        if (option == 't') {
            if (!ParseNumber(argv[i + 1], &globalSeconds) || globalSeconds <= 0)
                return Usage();
        } else if (option == 'd') {
            workDir = argv[i + 1];
        } else if (option == 's') {
            snprintf(ShotDir, sizeof ShotDir, "%s", argv[i + 1]);
        } else {
            return Usage();
        }
    }
    if (argc - i < 2)
        return Usage();
    const char* dialoguePath = argv[i++];

    char commandLine[4096] = "";
    for (; i < argc; i++) {
        if (!AppendWord(commandLine, sizeof commandLine, argv[i])) {
            fprintf(stderr, "wauto: command line too long\n");
            return 2;
        }
    }

    size_t size = 0;
    char* dialogue = ReadDialogue(dialoguePath, &size);
    if (!dialogue) {
        fprintf(stderr, "wauto: cannot read dialogue %s\n", dialoguePath);
        return 2;
    }

    GlobalDeadline = StartTick + static_cast<ULONGLONG>(globalSeconds) * 1000;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, workDir, &startup,
                        &process)) {
        fprintf(stdout, "wauto: cannot start %s (error %lu)\n", commandLine, GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);
    Program = process.hProcess;
    Say("wauto: started %s (pid %lu)%s%s\n", commandLine, process.dwProcessId, workDir ? " in " : "",
        workDir ? workDir : "");
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog)
        CloseHandle(watchdog);

    // Lines end in LF or CR LF; each line is copied into a bounded record.
    int number = 0;
    int commands = 0;
    char* p = dialogue;
    while (*p) {
        char* end = strchr(p, '\n');
        size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
        number++;
        Line line;
        line.number = number;
        line.count = 0;
        size_t copy = length;
        if (copy > 0 && p[copy - 1] == '\r')
            copy--;
        if (copy >= sizeof line.source) {
            snprintf(line.source, sizeof line.source, "%.60s...", p);
            Fail(line, "line longer than %d characters", TextCapacity - 1);
        }
        memcpy(line.source, p, copy);
        line.source[copy] = '\0';
        p = end ? end + 1 : p + length;

        const char* first = line.source + strspn(line.source, " \t");
        if (*first == '#' || *first == '\0')
            continue;
        char reason[128];
        if (!Tokenize(line, reason, sizeof reason))
            Fail(line, "cannot read the line: %s", reason);
        snprintf(CurrentSource, sizeof CurrentSource, "%s", line.source);
        CurrentLine = number;
        Say("%7.2f  %3d  %s\n", Seconds(), number, line.source);
        SeenBeforeLastLine = SeenBeforeThisLine;
        VisibleWindows(SeenBeforeThisLine);
        if (commands++ == 0)
            SeenBeforeLastLine = SeenBeforeThisLine;
        Execute(line);
    }
    free(dialogue);

    // The program must end soon after the last line.
    const DWORD endWaitMs = 15000;
    snprintf(CurrentSource, sizeof CurrentSource, "(end of dialogue: waiting for the program's end)");
    CurrentLine = number + 1;
    if (WaitForSingleObject(Program, endWaitMs) != WAIT_OBJECT_0) {
        ClaimEnd();
        Say("FAIL: the program did not end within %lu ms after the last dialogue line\n", endWaitMs);
        ListWindows();
        EndProgram();
        return 1;
    }
    DWORD code = 0;
    GetExitCodeProcess(Program, &code);
    Say("%7.2f  exit code: %lu\n", Seconds(), code);
    return 0;
}
