// Manual adjustment: the selected image's adjustment rectangle changed a few source
// pixels at a time, its display image rebuilt, the column laid out again.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/MessageBox.h"

#include <algorithm>

namespace {

// Every command keeps a non-empty band: 0 <= top < bottom <= height.
void ShiftLeft(CRect& rc, int n, int) { rc.left += n; }
void ShiftRight(CRect& rc, int n, int) { rc.left -= n; }
void CutTop(CRect& rc, int n, int) { rc.top = std::min<LONG>(rc.top + n, rc.bottom - 1); }
void RestoreTop(CRect& rc, int n, int) { rc.top -= n; }
void GrowBottom(CRect& rc, int n, int height) { rc.bottom = std::min<LONG>(rc.bottom + n, height); }
void ShrinkBottom(CRect& rc, int n, int height)
{
    const LONG floor = std::min<LONG>(10, height);
    rc.bottom = std::max<LONG>({rc.bottom - n, floor, rc.top + 1});
}

// The copy's failure is shown, and the operation goes on with what the copy left.
void ReportCopyFailure(int result, LONG left)
{
    CString message;
    message.Format("Error Code: %d, Left: %d", result, static_cast<int>(left));
    AfxMessageBox(message, MB_OK);
}

}  // namespace

BOOL CViewStitchDicom::AdjustSelected(const char* notice, void (*change)(CRect&, int, int), int n)
{
    ShowStatusText(notice);
    if (m_nSelected < 0 || m_nSelected >= m_arrAdjust.GetSize()) {
        SetTimer(NOTICE_TIMER, NOTICE_MILLISECONDS, nullptr);
        return FALSE;
    }
    const CBaseImageData* source = m_listSource.GetAt(m_nSelected);
    if (source == nullptr)
        return FALSE;
    change(m_arrAdjust[m_nSelected], n, source->GetHeight());
    if (ApplyAdjustment(m_nSelected)) {
        RecalcLayout();
        Invalidate(FALSE);
    }
    return TRUE;
}

void CViewStitchDicom::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != NOTICE_TIMER) {
        CScrollView::OnTimer(nIDEvent);
        return;
    }
    KillTimer(NOTICE_TIMER);
    Invalidate(FALSE);
}

BOOL CViewStitchDicom::MoveLeft(int n) { return AdjustSelected("Moving to Left Direction", ShiftLeft, n); }
BOOL CViewStitchDicom::MoveRight(int n) { return AdjustSelected("Moving to Right Direction", ShiftRight, n); }
BOOL CViewStitchDicom::MoveUp(int n) { return AdjustSelected("Moving to Top Direction", CutTop, n); }
BOOL CViewStitchDicom::MoveDown(int n) { return AdjustSelected("Moving to Bottom Direction", RestoreTop, n); }
BOOL CViewStitchDicom::SizeIncrease(int n) { return AdjustSelected("Sizing Increment...", GrowBottom, n); }
BOOL CViewStitchDicom::SizeDecrease(int n) { return AdjustSelected("Sizing Decrement...", ShrinkBottom, n); }

BOOL CViewStitchDicom::ApplyAdjustment(int index)
{
    if (index < 0 || index >= m_listDisplay.GetCount())
        return FALSE;
    CBaseImageData* source = m_listSource.GetAt(index);
    CBaseImageData* display = m_listDisplay.GetAt(index);
    if (source == nullptr || display == nullptr)
        return FALSE;
    CRect& rc = m_arrAdjust[index];
    const int width = source->GetWidth();
    rc.top = std::max<LONG>(rc.top, 0);
    CBaseImageData kept;
    if (rc.left >= 0) {
        if (rc.left >= width)
            rc.left = width - 2;
        const int result = kept.CopyRegion(source, rc.left, rc.top, width, rc.bottom - rc.top);
        if (result != SUCCESS)
            ReportCopyFailure(result, rc.left);
        display->Copy(&kept);
        return TRUE;
    }
    if (rc.left <= -width)
        rc.left = 2 - width;
    const int result = kept.CopyRegion(source, 0, rc.top, width, rc.bottom - rc.top);
    if (result != SUCCESS)
        ReportCopyFailure(result, rc.left);
    if (display->GetWidth() == 0)
        display->Copy(source);
    display->m_bitmap.Fill(0);
    if (display->Combine(&kept, -rc.left, 0, 0, 0) != SUCCESS)
        AfxMessageBox("Failed to combine image", MB_OK);
    return TRUE;
}

BOOL CViewStitchDicom::ResetLayout()
{
    for (int i = 0; i < GetImageCount(); ++i) {
        const CBaseImageData* source = m_listSource.GetAt(i);
        if (source == nullptr)
            continue;
        m_arrAdjust[i] = CRect(0, 0, source->GetWidth(), source->GetHeight());
        ApplyAdjustment(i);
    }
    RecalcLayout();
    Invalidate(FALSE);
    return TRUE;
}

void CViewStitchDicom::ToggleRealSize()
{
    m_bRealSize = !m_bRealSize;
    RecalcLayout();
    Invalidate(TRUE);
}

// Swaps the selected source image with its neighbour at `other` and lays everything out
// anew, which resets every adjustment. The selection index stays.
void CViewStitchDicom::SwapSelectedWith(int other)
{
    const int s = m_nSelected;
    if (s < 0 || s >= GetImageCount() || other < 0 || other >= GetImageCount())
        return;
    CBaseImageData* neighbour = m_listSource.GetAt(other);
    m_listSource.SetAt(other, m_listSource.GetAt(s));
    m_listSource.SetAt(s, neighbour);
    BuildLayout();
    Invalidate(TRUE);
}

void CViewStitchDicom::MoveUpSequence()
{
    SwapSelectedWith(m_nSelected - 1);
}

void CViewStitchDicom::MoveDownSequence()
{
    SwapSelectedWith(m_nSelected + 1);
}
