// Presentation: background gradient and palette, title lines.
#pragma once

#include <stdint.h>
#include <windows.h>

extern HPALETTE BackgroundPalette;
extern int32_t GradientSteps;      // number of bands, 1..200
extern COLORREF TitleColors[3];    // first title, second title, shadow (palette-relative)
extern RECT TitleRects[2];  // text rectangles of the titles, client pixels

void CreateBackgroundPalette();
void PaintBackground(HDC dc, const RECT* client, const RECT* update);
void PaintTitles(HDC dc, const RECT* client, const RECT* update);
