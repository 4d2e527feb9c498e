// Title painting (not built yet).
#include "ui/ui.h"

RECT TitleRects[2];

void PaintTitles(HDC, const RECT*, const RECT*)
{
}
