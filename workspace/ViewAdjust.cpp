// Manual and automatic adjustment: the model's commands, then the affected display images
// rebuilt from the pieces' source rectangles and the column laid out again.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/MessageBox.h"

namespace {

// The copy's failure is shown, and the operation goes on with what the copy left.
void ReportCopyFailure(int result, LONG left)
{
    CString message;
    message.Format("Error Code: %d, Left: %d", result, static_cast<int>(left));
    AfxMessageBox(message, MB_OK);
}

}  // namespace

// The notice is painted before the selection is looked at, so it shows also when nothing
// is selected.
BOOL CViewStitchDicom::AdjustSelected(const char* notice, EChange (CStitchModel::*command)(int), int n)
{
    ShowStatusText(notice);
    if (!m_model.HasSelection()) {
        SetTimer(NOTICE_TIMER, NOTICE_MILLISECONDS, nullptr);
        return FALSE;
    }
    (m_model.*command)(n);
    if (ApplyAdjustment(m_model.GetSelected())) {
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

BOOL CViewStitchDicom::MoveLeft(int n) { return AdjustSelected("Moving to Left Direction", &CStitchModel::MoveLeft, n); }
BOOL CViewStitchDicom::MoveRight(int n) { return AdjustSelected("Moving to Right Direction", &CStitchModel::MoveRight, n); }
BOOL CViewStitchDicom::MoveUp(int n) { return AdjustSelected("Moving to Top Direction", &CStitchModel::MoveUp, n); }
BOOL CViewStitchDicom::MoveDown(int n) { return AdjustSelected("Moving to Bottom Direction", &CStitchModel::MoveDown, n); }
BOOL CViewStitchDicom::SizeIncrease(int n) { return AdjustSelected("Sizing Increment...", &CStitchModel::SizeIncrease, n); }
BOOL CViewStitchDicom::SizeDecrease(int n) { return AdjustSelected("Sizing Decrement...", &CStitchModel::SizeDecrease, n); }

// Display image `index` becomes its source cut to the kept rows and shifted: moved left,
// a copy from column `left`; moved right, the copy combined into black at column -left,
// keeping the display image's size.
BOOL CViewStitchDicom::ApplyAdjustment(int index)
{
    if (index < 0 || index >= m_listDisplay.GetCount())
        return FALSE;
    CBaseImageData* source = m_model.GetImage(index);
    CBaseImageData* display = m_listDisplay.GetAt(index);
    if (source == nullptr || display == nullptr)
        return FALSE;
    const CRect rc = m_model.GetRect(index);
    const int width = source->GetWidth();
    CBaseImageData kept;
    if (rc.left >= 0) {
        const int result = kept.CopyRegion(source, rc.left, rc.top, width, rc.bottom - rc.top);
        if (result != SUCCESS)
            ReportCopyFailure(result, rc.left);
        display->Copy(&kept);
        return TRUE;
    }
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
    m_model.Reset();
    for (int i = 0; i < GetImageCount(); ++i)
        ApplyAdjustment(i);
    RecalcLayout();
    Invalidate(FALSE);
    return TRUE;
}

// The pass sets every piece's shift to 0, so each display image is the plain band of
// kept rows.
BOOL CViewStitchDicom::AutoStitch()
{
    m_model.AutoTrim();
    for (int i = 0; i < GetImageCount(); ++i) {
        CBaseImageData* source = m_model.GetImage(i);
        CBaseImageData* display = m_listDisplay.GetAt(i);
        const CRect rc = m_model.GetRect(i);
        if (display != nullptr)
            display->CopyRegion(source, 0, rc.top, source->GetWidth(), rc.bottom - rc.top);
    }
    RecalcLayout();
    return TRUE;
}

void CViewStitchDicom::ToggleRealSize()
{
    m_bRealSize = !m_bRealSize;
    RecalcLayout();
    Invalidate(TRUE);
}

// A change of order makes every display image anew; the selection index stays.
void CViewStitchDicom::Reorder(EChange (CStitchModel::*command)())
{
    if (!HasChange((m_model.*command)(), EChange::Order))
        return;
    RebuildDisplayImages();
    PlaceColumn();
    Invalidate(TRUE);
}

void CViewStitchDicom::MoveUpSequence()
{
    Reorder(&CStitchModel::MoveUpSequence);
}

void CViewStitchDicom::MoveDownSequence()
{
    Reorder(&CStitchModel::MoveDownSequence);
}
