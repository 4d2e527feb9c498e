// The setup driver's window-side interfaces: the main window, start-up,
// completion and the relaunch from a temporary copy.
#pragma once

#include <windows.h>

#define SETUP_EXPORT extern "C" __declspec(dllexport)

extern HINSTANCE AppInstance;  // from the main window's creation parameters

SETUP_EXPORT LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up: directories, setup script and companion files, caption, icon, palette.
void InitSetup(HWND window, const CREATESTRUCTA* create);
// Points SourceDir at the script's head-level "SrcDir", when there is one.
void ApplySrcDir();
// The welcome question; false after WM_CLOSE was posted.
bool ShowWelcome(HWND window);

// Outcome message, "Exec", restart offer; always ends by sending WM_CLOSE.
void FinishInstall(HWND window, int result);

// True when UM_RELAUNCH was posted.
bool CheckRelaunch(HWND window);
void RelaunchFromTemp(HWND window);
