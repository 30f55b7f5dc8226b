// Crop: switching crop mode, the eight handles of the crop rectangle, dragging them with
// an XOR frame that follows the mouse, and the sizing cursors over them.
#include "workspace/CViewStitchDicom.h"

#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"

#include <algorithm>

namespace {

// Standard sizing cursor of each handle, in handle order.
LPCTSTR HandleCursor(int handle)
{
    switch (handle) {
    case 0:
    case 4: return IDC_SIZENWSE;
    case 1:
    case 5: return IDC_SIZENS;
    case 2:
    case 6: return IDC_SIZENESW;
    default: return IDC_SIZEWE;
    }
}

}  // namespace

int CViewStitchDicom::CropSizeFactor()
{
    return GetSystemMetrics(SM_CXSCREEN) > 2000 ? 2 : 1;
}

void CViewStitchDicom::ToggleCropMode()
{
    m_bCropMode = !m_bCropMode;
    Invalidate(TRUE);
}

int CViewStitchDicom::HitTestCropHandle(CPoint pt) const
{
    const int reach = 4 * CropSizeFactor();
    CArray<CPoint, CPoint> handles;
    GetCropHandles(handles);
    for (int i = 0; i < handles.GetSize(); ++i) {
        CRect area(handles[i].x, handles[i].y, handles[i].x + 1, handles[i].y + 1);
        area.InflateRect(reach, reach);
        if (area.PtInRect(pt))
            return i;
    }
    return -1;
}

// The handle's edges follow the point, kept inside the images. Opposite edges stay where
// they are, so the rectangle may end up empty; drawing then shows the content rectangle.
void CViewStitchDicom::MoveCropHandle(CPoint pt)
{
    const CRect content = GetContentRect();
    const LONG x = std::min(std::max(pt.x, content.left), content.right);
    const LONG y = std::min(std::max(pt.y, content.top), content.bottom);
    switch (m_nCropHandle) {
    case 0: m_rcCrop.left = x; m_rcCrop.top = y; break;
    case 1: m_rcCrop.top = y; break;
    case 2: m_rcCrop.right = x; m_rcCrop.top = y; break;
    case 3: m_rcCrop.right = x; break;
    case 4: m_rcCrop.right = x; m_rcCrop.bottom = y; break;
    case 5: m_rcCrop.bottom = y; break;
    case 6: m_rcCrop.left = x; m_rcCrop.bottom = y; break;
    case 7: m_rcCrop.left = x; break;
    default: break;
    }
}

BOOL CViewStitchDicom::IsDraggingCropHandle() const
{
    return m_bCropMode && m_nCropHandle >= 0 && GetCapture() == this;
}

void CViewStitchDicom::BeginCropDrag()
{
    CClientDC dc(this);
    OnPrepareDC(&dc);
    m_rcCropPrev = m_rcCrop;
    DrawCropFrame(&dc, TRUE);
    SetCapture();
    // The press invalidated the view: paint now, while the drag is on, so that the frame
    // on screen is the XOR frame the first drag step rubs out, not the one with handles.
    UpdateWindow();
}

void CViewStitchDicom::StepCropDrag(CPoint ptWorkspace)
{
    CClientDC dc(this);
    OnPrepareDC(&dc);
    DrawCropFrame(&dc, TRUE);  // XOR twice restores what lay under the last frame
    MoveCropHandle(ptWorkspace);
    DrawCropFrame(&dc, TRUE);
    m_rcCropPrev = m_rcCrop;
}

BOOL CViewStitchDicom::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (m_bCropMode) {
        CPoint pt;
        GetCursorPos(&pt);
        ScreenToClient(&pt);
        const int handle = HitTestCropHandle(ToWorkspace(pt));
        if (handle >= 0) {
            SetCursor(LoadCursor(nullptr, HandleCursor(handle)));
            return TRUE;
        }
    }
    return CScrollView::OnSetCursor(pWnd, nHitTest, message);
}
