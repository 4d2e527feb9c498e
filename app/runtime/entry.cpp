// The process entry: what the C runtime's start-up would do for a GUI
// program, and no more. The command line after the program's name and the
// show state from the start-up information go to WinMain; its result is the
// exit status.
#include <windows.h>

#include <stdlib.h>

#include "app/runtime/runtime.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace {

// Functions registered by atexit (destructors of static objects among them),
// run last registered first.
constexpr int ExitFunctionMax = 32;
void (*ExitFunctions[ExitFunctionMax])();
int ExitFunctionCount;

typedef void (*Constructor)();

// The linker frames the constructors of static objects: a -1 word, the
// constructors, a 0 word.
extern "C" Constructor __CTOR_LIST__[];

void RunConstructors()
{
    Constructor* c = __CTOR_LIST__ + 1;
    while (*c)
        c++;
    // Called in the reverse of their listed order, as the C runtime does.
    while (--c > __CTOR_LIST__)
        (*c)();
}

// The command line without the program's name: the system quotes a name
// with blanks, and one or more blanks follow it.
char* CommandTail()
{
    char* p = GetCommandLineA();
    if (*p == '"') {
        for (p++; *p && *p != '"'; p++) {
        }
        if (*p)
            p++;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            p++;
    }
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

}  // namespace

extern "C" {

int atexit(void (*function)())
{
    if (ExitFunctionCount == ExitFunctionMax)
        return -1;
    ExitFunctions[ExitFunctionCount++] = function;
    return 0;
}

void exit(int status)
{
    while (ExitFunctionCount > 0)
        ExitFunctions[--ExitFunctionCount]();
    CloseAllFiles();
    ExitProcess(static_cast<UINT>(status));
}

void _exit(int status)
{
    ExitProcess(static_cast<UINT>(status));
}

void abort()
{
    ExitProcess(3);
}

// The system calls this with a stack aligned only to 4 bytes on x86.
__attribute__((force_align_arg_pointer)) void WinMainCRTStartup()
{
    RunConstructors();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, CommandTail(), show));
}

}  // extern "C"
