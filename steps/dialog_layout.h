// Placement of a dialog in the middle of the desktop, clear of the title lines.
// Pure arithmetic, so it is tested without a window system.
#pragma once

#include <stdint.h>

#include "ui/layout.h"  // LayoutRect, LayoutPoint

// Origin of a dialog of width × height centred on desktop, moved off the two
// title rectangles. The titles are main window client coordinates; the main
// window covers the desktop, so they are compared with desktop coordinates as
// they are.
LayoutPoint CenteredDialogOrigin(const LayoutRect& desktop, int32_t width, int32_t height,
                                 const LayoutRect titles[2]);
