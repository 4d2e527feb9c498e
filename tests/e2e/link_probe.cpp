// Reads Start Menu shortcuts through the shell link interface and prints what
// each one starts, one line per file:
//   NAME.lnk: path=TARGET args=ARGUMENTS
// A file that is not a readable shortcut prints "NAME.lnk: unreadable" and
// makes the exit status 1.
//   link_probe FILE.lnk...
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>

static int PrintLink(const char* file)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return 0;
    IPersistFile* persist = nullptr;
    int ok = 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        wchar_t wide[MAX_PATH];
        char path[MAX_PATH] = "";
        char args[1024] = "";
        if (MultiByteToWideChar(CP_ACP, 0, file, -1, wide, MAX_PATH) > 0 &&
            SUCCEEDED(persist->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetArguments(args, sizeof args))) {
            printf("%s: path=%s args=%s\n", file, path, args);
            ok = 1;
        }
        persist->Release();
    }
    link->Release();
    return ok;
}

int main(int argc, char** argv)
{
    CoInitialize(nullptr);
    int status = 0;
    for (int i = 1; i < argc; i++) {
        if (!PrintLink(argv[i])) {
            printf("%s: unreadable\n", argv[i]);
            status = 1;
        }
    }
    CoUninitialize();
    return status;
}
