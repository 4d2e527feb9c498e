// Presentation: background gradient and palette, title lines.
#pragma once

#include <windows.h>

extern HPALETTE BackgroundPalette;
extern RECT TitleRects[2];  // text rectangles of the titles, client pixels

void CreateBackgroundPalette();
void PaintBackground(HDC dc, const RECT* client, const RECT* update);
void PaintTitles(HDC dc, const RECT* client, const RECT* update);
