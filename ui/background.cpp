// Background gradient and palette (not built yet: plain white).
#include "ui/ui.h"

HPALETTE BackgroundPalette;

void CreateBackgroundPalette()
{
}

void PaintBackground(HDC, const RECT*, const RECT*)
{
}
