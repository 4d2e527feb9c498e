// The catalogue of every key the setup program reads, each with the default
// taken when the key is absent. Steps read keys only through these records, so
// a key name or a default is spelled once.
#pragma once

#include "script/configfile.h"

struct TextKey  { const char* name; const char* def; };  // def null: no default
struct IntKey   { const char* name; int32_t def; };
struct LongKey  { const char* name; int32_t def; };
struct YesNoKey { const char* name; bool def; };

inline const char* GetKey(ConfigFile& f, const TextKey& k) { return f.GetString(k.name, k.def); }
inline int32_t GetKey(ConfigFile& f, const IntKey& k) { return f.GetInt(k.name, k.def); }
inline int32_t GetKey(ConfigFile& f, const LongKey& k) { return f.GetLong(k.name, k.def); }
inline bool GetKey(ConfigFile& f, const YesNoKey& k) { return f.GetYesNo(k.name, k.def); }

// ---- Head-level keys of the setup script ----------------------------------
constexpr TextKey  KeyCaption          {"Caption", ""};
constexpr TextKey  KeySrcDir           {"SrcDir", nullptr};
constexpr TextKey  KeyWelcome          {"Welcome", nullptr};
constexpr TextKey  KeyWelcomeCaption   {"WelcomeCaption", ""};

constexpr TextKey  KeyTopColor         {"TopColor", "0 76 38"};
constexpr TextKey  KeyBottomColor      {"BottomColor", "51 204 102"};
constexpr IntKey   KeyNumGradientSteps {"NumGradientSteps", 32};
constexpr TextKey  KeyTitle1Color      {"Title1Color", "255 255 0"};
constexpr TextKey  KeyTitle2Color      {"Title2Color", "192 192 192"};
constexpr TextKey  KeyTitleShadeColor  {"TitleShadeColor", "0 0 0"};
constexpr TextKey  KeyTitle1           {"Title1", "Title1"};
constexpr TextKey  KeyTitle2           {"Title2", "Title2"};
constexpr IntKey   KeyTitle1Size       {"Title1Size", 40};
constexpr IntKey   KeyTitle2Size       {"Title2Size", 20};
constexpr TextKey  KeyTitleFont        {"TitleFont", "Times New Roman"};
constexpr TextKey  KeyTitle2Pos        {"Title2Pos", ""};

constexpr TextKey  KeyDefaultPath      {"DefaultPath", "C:\\TEMP"};
constexpr YesNoKey KeyDestPathPrompt   {"DestPathPrompt", true};
constexpr TextKey  KeyProgramName      {"ProgramName", ""};
constexpr LongKey  KeySpaceRequired    {"SpaceRequired", 0};
constexpr YesNoKey KeyDirExistsWarn    {"DirExistsWarn", true};
constexpr YesNoKey KeyDirNotFoundWarn  {"DirNotFoundWarn", false};
constexpr YesNoKey KeyFileExistsWarn   {"FileExistsWarn", true};
constexpr YesNoKey KeyIconsPrompt      {"IconsPrompt", true};

constexpr TextKey  KeyExec             {"Exec", nullptr};
constexpr TextKey  KeyExecPrompt       {"ExecPrompt", nullptr};
constexpr YesNoKey KeyRestartWindows   {"RestartWindows", false};
constexpr TextKey  KeyRestartWindowsMsg{"RestartWindowsMsg", "Restart Windows now?"};
constexpr YesNoKey KeyRebootSystem     {"RebootSystem", false};
constexpr TextKey  KeyRebootSystemMsg  {"RebootSystemMsg", "Reboot the computer now?"};
constexpr TextKey  KeyRestartWin3Only  {"RestartWin3Only", nullptr};  // presence only

// ---- Sections of the setup script -----------------------------------------
constexpr const char* SectionDisk1  = "Disk1";
constexpr const char* SectionDisk2  = "Disk2";
constexpr const char* SectionGroups = "Groups";
constexpr const char* SectionDiskFormat = "Disk%d";

// ---- Keys of the per-disk file "thisdisk" (and of a disk list) -------------
constexpr IntKey   KeyDiskNumber       {"DiskNumber", 0};
constexpr IntKey   KeyNextDiskNumber   {"NextDiskNumber", 0};

// ---- File names --------------------------------------------------------------
constexpr const char* ScriptFileName     = "install.cfg";
constexpr const char* ScriptExtension    = ".cfg";
constexpr const char* WinIniFileName     = "win.ini";
constexpr const char* SystemIniFileName  = "system.ini";
constexpr const char* GroupsFileName     = "groups.cfg";
constexpr const char* ThisDiskFileName   = "thisdisk";

// ---- Capacities of the stores ------------------------------------------------
constexpr int32_t ScriptCapacity     = 100;
constexpr int32_t IniEntriesCapacity = 25;
constexpr int32_t GroupListCapacity  = 50;
constexpr int32_t DiskFileCapacity   = 50;
