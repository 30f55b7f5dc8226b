// Keyboard and mouse: selecting by click or Tab, the arrow keys' adjustments, the
// context menu that reorders the column, and where the crop drag hooks in.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/Menu.h"
#include "resources/ResourceIds.h"
#include "workspace/MovingStepSource.h"

namespace {

// The step of one arrow key: the parent's choice, one pixel for a parent that offers none.
int MovingStepOf(CWnd* parent)
{
    if (auto* source = dynamic_cast<CMovingStepSource*>(parent))
        return source->GetMovingPixelCount();
    return 1;
}

BOOL IsShiftDown()
{
    return GetKeyState(VK_SHIFT) < 0;
}

}  // namespace

CPoint CViewStitchDicom::ToWorkspace(CPoint ptClient) const
{
    const CPoint scroll = GetScrollPosition();
    return CPoint(ptClient.x + scroll.x, ptClient.y + scroll.y);
}

BOOL CViewStitchDicom::SelectAt(CPoint ptWorkspace)
{
    m_model.Select(-1);
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        const CBaseImageData* image = m_listDisplay.GetAt(i);
        if (image == nullptr)
            continue;
        const CRect placement(image->m_nDstX, image->m_nDstY, image->m_nDstX + image->m_nDstWidth,
                              image->m_nDstY + image->m_nDstHeight);
        if (placement.PtInRect(ptWorkspace)) {
            m_model.Select(i);
            return TRUE;
        }
    }
    return FALSE;
}

// Tab steps forwards, Shift+Tab backwards, both wrapping round; the newly selected image's
// top edge is scrolled to the top of the window.
void CViewStitchDicom::StepSelection(BOOL bBackwards)
{
    bBackwards ? m_model.SelectPrevious() : m_model.SelectNext();
    if (const CBaseImageData* image = m_listDisplay.GetAt(m_model.GetSelected()))
        ScrollToPosition(CPoint(0, image->m_nDstY));
    Invalidate(FALSE);
}

void CViewStitchDicom::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    CWnd* parent = GetParent();
    if (parent == nullptr)
        return;
    const int step = MovingStepOf(parent);
    const BOOL shift = IsShiftDown();
    switch (static_cast<int>(nChar)) {
    case VK_LEFT: MoveLeft(step); break;
    case VK_RIGHT: MoveRight(step); break;
    case VK_UP:
        if (shift)
            SizeIncrease(step);
        else
            MoveUp(step);
        break;
    case VK_DOWN:
        if (shift)
            SizeDecrease(step);
        else
            MoveDown(step);
        break;
    case VK_TAB: StepSelection(shift); break;
    default: break;
    }
    CScrollView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CViewStitchDicom::OnLButtonDown(UINT nFlags, CPoint point)
{
    const CPoint workspace = ToWorkspace(point);
    SelectAt(workspace);
    Invalidate(FALSE);
    if (m_bCropMode) {
        m_nCropHandle = HitTestCropHandle(workspace);
        if (m_nCropHandle >= 0)
            BeginCropDrag();
    }
    CScrollView::OnLButtonDown(nFlags, point);
}

void CViewStitchDicom::OnLButtonUp(UINT nFlags, CPoint point)
{
    // Only a drag that began in this view moves a handle: a release that arrives without
    // the view's capture belongs to a press made elsewhere.
    const BOOL dragging = IsDraggingCropHandle();
    if (GetCapture() == this)
        ReleaseCapture();
    if (dragging) {
        MoveCropHandle(ToWorkspace(point));
        Invalidate(FALSE);
    }
    CScrollView::OnLButtonUp(nFlags, point);
}

void CViewStitchDicom::OnMouseMove(UINT nFlags, CPoint point)
{
    if ((nFlags & MK_LBUTTON) != 0 && IsDraggingCropHandle())
        StepCropDrag(ToWorkspace(point));
    CScrollView::OnMouseMove(nFlags, point);
}

void CViewStitchDicom::OnRButtonDown(UINT nFlags, CPoint point)
{
    const int previous = m_model.GetSelected();
    const BOOL hit = SelectAt(ToWorkspace(point));
    if (!hit && m_model.GetSelected() != previous)
        Invalidate(FALSE);  // the cleared selection's marker goes at once
    if (hit) {
        SetCapture();
        Invalidate(FALSE);
        m_bRightTracking = TRUE;
        ShowContextMenu(point);
    }
    CScrollView::OnRButtonDown(nFlags, point);
}

// Menu 9003's popup, owned by the parent (the dialog), which receives the chosen command.
void CViewStitchDicom::ShowContextMenu(CPoint ptClient)
{
    CMenu menu;
    if (!menu.LoadMenu(IDR_STITCH_MENU))
        return;
    if (CMenu* popup = menu.GetSubMenu(0)) {
        CPoint screen = ptClient;
        ClientToScreen(&screen);
        popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_LEFTBUTTON, screen.x, screen.y, GetParent());
    }
    menu.DestroyMenu();
    // A Windows menu takes the mouse over while it is open; here the view hands it back
    // itself, so that clicks after the menu reach the window under the cursor.
    if (GetCapture() == this)
        ReleaseCapture();
}

void CViewStitchDicom::OnRButtonUp(UINT nFlags, CPoint point)
{
    if (m_bRightTracking) {
        m_bRightTracking = FALSE;
        if (GetCapture() == this)
            ReleaseCapture();
        if (ApplyAdjustment(m_model.GetSelected())) {
            RecalcLayout();
            Invalidate(FALSE);
        }
    }
    CScrollView::OnRButtonUp(nFlags, point);
}

// The default answer only: the view does not take part in a frame's view activation.
int CViewStitchDicom::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message)
{
    return CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
}
