// Platform-private geometry and painting of the default caption.
#pragma once

#include "platform/DC.h"
#include "platform/WndInternal.h"

namespace wndframe {

struct CaptionButtons {
    CRect close;
    CRect max;  // maximise or restore
    CRect min;
};

// The width and height of the window frame that the styles give.
CSize FrameSize(DWORD style, DWORD exStyle);
// In window coordinates.
CRect CaptionRect(const WindowRecord& rec);
CaptionButtons ButtonRects(const WindowRecord& rec);
void PaintCaption(CDC& dc, const WindowRecord& rec);

}  // namespace wndframe
