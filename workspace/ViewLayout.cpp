// Layout model: loading the sources, display copies and the one-column layout.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"
#include "platform/SystemMetrics.h"

#include <algorithm>
#include <memory>

IMPLEMENT_DYNCREATE(CViewStitchDicom, CScrollView)

CViewStitchDicom::CViewStitchDicom() = default;

CViewStitchDicom::~CViewStitchDicom() = default;

BOOL CViewStitchDicom::LoadFiles(CStringArray& files)
{
    if (files.GetSize() == 0)
        return FALSE;
    for (int i = 0; i < files.GetSize(); ++i) {
        auto image = std::make_unique<CBaseImageData>();
        if (!image->Load(files[i]))
            return FALSE;
        m_listSource.AddTail(image.release());  // the list owns its images
    }
    return BuildLayout();
}

BOOL CViewStitchDicom::LoadBitmaps(const char* /*referenceFile*/, LBitmapList& bitmaps, CArray<CPoint, CPoint>& points)
{
    m_bBitmapSource = TRUE;
    if (bitmaps.GetItemsCount() == 0)
        return FALSE;
    m_arrWindowLevel.SetSize(points.GetSize());
    for (int i = 0; i < points.GetSize(); ++i)
        m_arrWindowLevel[i] = points[i];
    for (ULONG i = 0; i < bitmaps.GetItemsCount(); ++i) {
        auto image = std::make_unique<CBaseImageData>();
        if (bitmaps.GetItem(i, image->m_bitmap) != SUCCESS)
            return FALSE;
        m_listSource.AddTail(image.release());
    }
    WidenBitmapsToCommonWidth();
    return BuildLayout();
}

// Bitmaps narrower than the widest are centred between black bands, so that every
// source image has the same width.
void CViewStitchDicom::WidenBitmapsToCommonWidth()
{
    int widest = 0;
    for (int i = 0; i < GetImageCount(); ++i)
        widest = std::max(widest, m_listSource.GetAt(i)->GetWidth());
    for (int i = 0; i < GetImageCount(); ++i) {
        LBitmap& bitmap = m_listSource.GetAt(i)->m_bitmap;
        const int width = bitmap.GetWidth();
        if (width == widest)
            continue;
        LBitmap copy;
        copy.Copy(bitmap);
        bitmap.Resize(widest, copy.GetHeight());
        bitmap.Combine(0, 0, widest, copy.GetHeight(), copy, 0, 0, CB_DST_0);
        bitmap.Combine((widest - width) / 2, 0, widest, copy.GetHeight(), copy, 0, 0, CB_OP_OR);
    }
}

BOOL CViewStitchDicom::BuildLayout()
{
    const int count = GetImageCount();
    m_arrAdjust.SetSize(count);
    for (int i = 0; i < count; ++i)
        m_arrAdjust[i] = CRect();
    m_listDisplay.DeleteAll();
    for (int i = 0; i < count; ++i) {
        CBaseImageData* source = m_listSource.GetAt(i);
        // A display copy per source keeps the indices of both lists in step.
        auto display = std::make_unique<CBaseImageData>();
        if (source != nullptr) {
            display->Copy(source);
            m_arrAdjust[i] = CRect(0, 0, source->GetWidth(), source->GetHeight());
        }
        m_listDisplay.AddTail(display.release());
    }
    PlaceColumn();
    return TRUE;
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
