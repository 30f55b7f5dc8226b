// Align, Undo and Redo in the view, the junction marks and the alignment status line.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/DC.h"

namespace {

constexpr COLORREF kAlignedMark = RGB(0, 200, 0);
constexpr COLORREF kRefusedMark = RGB(255, 64, 0);
constexpr COLORREF kStatusText = RGB(255, 255, 255);
constexpr COLORREF kStatusBack = RGB(40, 40, 40);
constexpr int kMarkTab = 6;  // the tab in the left margin; over the image only a 1-pixel line

}  // namespace

BOOL CViewStitchDicom::AlignImages()
{
    m_model.Align();
    RefreshAfterLayoutChange(EChange::Layout);
    return TRUE;
}

BOOL CViewStitchDicom::UndoLayout() { return RefreshAfterLayoutChange(m_model.Undo()); }

BOOL CViewStitchDicom::RedoLayout() { return RefreshAfterLayoutChange(m_model.Redo()); }

BOOL CViewStitchDicom::RefreshAfterLayoutChange(EChange changed)
{
    if (changed == EChange::None)
        return FALSE;
    if (HasChange(changed, EChange::Order)) {
        RebuildDisplayImages();
        PlaceColumn();
    }
    for (int i = 0; i < GetImageCount(); ++i)
        ApplyAdjustment(i);
    RecalcLayout();
    Invalidate(FALSE);
    return TRUE;
}

// A junction is the seam between display image j and j + 1: a 1-pixel line across the
// image and a small tab in the margin, green when aligned, orange when left as trimmed.
void CViewStitchDicom::DrawJunctionMarks(CDC* pDC)
{
    const std::vector<CJunction>& junctions = m_model.GetJunctions();
    for (size_t j = 0; j < junctions.size(); ++j) {
        const CBaseImageData* lower = m_listDisplay.GetAt(static_cast<int>(j + 1));
        if (lower == nullptr)
            continue;
        const COLORREF colour = junctions[j].aligned ? kAlignedMark : kRefusedMark;
        const int y = lower->m_nDstY;
        pDC->FillSolidRect(lower->m_nDstX, y, lower->m_nDstWidth, 1, colour);
        pDC->FillSolidRect(lower->m_nDstX - kMarkTab, y - kMarkTab / 2, kMarkTab, kMarkTab, colour);
    }
}

void CViewStitchDicom::DrawAlignStatus(CDC* pDC, const CRect& visible)
{
    const std::string status = m_model.AlignStatus();
    if (status.empty())
        return;
    const int height = pDC->GetTextExtent("Ag", 2).cy + 4;
    CRect band(visible.left, visible.bottom - height, visible.right, visible.bottom);
    pDC->FillSolidRect(&band, kStatusBack);
    pDC->SetTextColor(kStatusText);
    pDC->SetBkColor(kStatusBack);
    band.DeflateRect(4, 0);
    pDC->DrawText(status.c_str(), -1, &band, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
