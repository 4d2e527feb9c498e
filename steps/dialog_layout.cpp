#include "steps/dialog_layout.h"

LayoutPoint CenteredDialogOrigin(const LayoutRect& desktop, int32_t width, int32_t height,
                                 const LayoutRect titles[2])
{
    LayoutPoint p;
    p.x = (desktop.right - desktop.left - width) / 2;
    p.y = (desktop.bottom - desktop.top - height) / 2;
    const int32_t centre = p.y;

    // Above the bottom of the first title: move down by its height.
    if (p.y < titles[0].bottom)
        p.y += titles[0].bottom - titles[0].top;
    // Top edge inside the second title: move down by its height.
    const int32_t second = titles[1].bottom - titles[1].top;
    if (titles[1].top < p.y && p.y < titles[1].bottom)
        p.y += second;
    // Bottom edge inside the second title: move up by its height.
    if (titles[1].top < p.y + height && p.y + height < titles[1].bottom)
        p.y -= second;

    // Large titles may push the dialog off the desktop, with its buttons or
    // wholly: then it goes as low as it still fits. A dialog taller than the
    // desktop stays centred.
    const int32_t lowest = desktop.bottom - height;
    if (p.y < desktop.top || p.y > lowest)
        p.y = lowest >= desktop.top ? lowest : centre;
    return p;
}
