// Drawing internals shared by the device contexts, image lists and controls
// inside the platform library.
#pragma once

#include "platform/ui/bitmap.h"
#include "platform/ui/gdi.h"

namespace quorvia::ui {

// The bitmap a device context draws on, or null for a bad handle.
Bitmap* DcTarget(HDC dc);
// The font behind a handle, or null.
const LOGFONTW* FontOf(HFONT font);
// The default GUI font's handle.
HFONT DefaultGuiFont();
// The colour of a solid brush; false for a null or hollow brush.
bool BrushColour(HBRUSH brush, COLORREF* colour);

}  // namespace quorvia::ui
