// Loading through the model, the display copies and the one-column layout.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/SystemMetrics.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

IMPLEMENT_DYNCREATE(CViewStitchDicom, CScrollView)

CViewStitchDicom::CViewStitchDicom() = default;

CViewStitchDicom::~CViewStitchDicom() = default;

BOOL CViewStitchDicom::LoadFiles(CStringArray& files)
{
    std::vector<std::string> paths;
    for (int i = 0; i < files.GetSize(); ++i)
        paths.emplace_back(files[i].str());
    if (!m_model.LoadFiles(paths).Ok())
        return FALSE;
    return BuildLayout();
}

BOOL CViewStitchDicom::LoadBitmaps(const char* /*referenceFile*/, LBitmapList& bitmaps, CArray<CPoint, CPoint>& points)
{
    if (!m_model.LoadBitmaps(bitmaps, points).Ok())
        return FALSE;
    return BuildLayout();
}

BOOL CViewStitchDicom::BuildLayout()
{
    m_model.Reset();
    RebuildDisplayImages();
    PlaceColumn();
    return TRUE;
}

void CViewStitchDicom::RebuildDisplayImages()
{
    m_listDisplay.DeleteAll();
    for (int i = 0; i < m_model.GetCount(); ++i) {
        auto display = std::make_unique<CBaseImageData>();
        display->Copy(m_model.GetImage(i));
        m_listDisplay.AddTail(display.release());  // the list owns its images
    }
}

void CViewStitchDicom::RecalcLayout()
{
    PlaceColumn();
}

int CViewStitchDicom::AvailableWidth() const
{
    CRect rc;
    GetWindowRect(&rc);
    rc.DeflateRect(2, 2);
    // At least one pixel, so that the scale factor stays finite in a collapsed view.
    return std::max(1, rc.Width() - GetSystemMetrics(SM_CXVSCROLL) - kColumnLeft);
}

void CViewStitchDicom::PlaceColumn()
{
    const int available = AvailableWidth();
    int canvasWidth = 0;
    int y = 0;
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        CBaseImageData* image = m_listDisplay.GetAt(i);
        if (image == nullptr || !image->IsAllocated())
            continue;
        if (m_bRealSize) {
            image->ResetSize();
            // The canvas follows the widest image so that no image reaches past the scroll range.
            canvasWidth = std::max(canvasWidth, image->GetWidth());
        } else {
            image->FitToWidth(available);
            canvasWidth = available;
        }
        image->m_nDstX = kColumnLeft;
        image->m_nDstY = y;
        y += image->m_nDstHeight;
    }
    SetScrollSizes(MM_TEXT, CSize(canvasWidth + kColumnLeft, y + 1));
    m_rcCrop = CRect(kColumnLeft, 0, canvasWidth + kColumnLeft, y);
}

CRect CViewStitchDicom::GetContentRect() const
{
    int left = 1000;
    int top = 1000;
    int widest = 0;
    int height = 0;
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        const CBaseImageData* image = m_listDisplay.GetAt(i);
        if (image == nullptr)
            continue;
        left = std::min(left, image->m_nDstX);
        top = std::min(top, image->m_nDstY);
        widest = std::max(widest, image->m_nDstWidth);
        height += image->m_nDstHeight;
    }
    return CRect(left, top, left + widest, top + height);
}

void CViewStitchDicom::OnInitialUpdate()
{
    SetScrollSizes(MM_TEXT, CSize(100, 100));
}

void CViewStitchDicom::OnSize(UINT nType, int cx, int cy)
{
    CScrollView::OnSize(nType, cx, cy);
    RecalcLayout();
}
