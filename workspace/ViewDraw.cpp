// Painting: the column of display images, the marker bars, the crop frame, black areas
// outside the content, and one-line notices.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/DC.h"
#include "platform/WndDC.h"
#include "platform/SystemMetrics.h"

#include <algorithm>

namespace {
constexpr COLORREF kUnselectedBar = RGB(128, 128, 128);
constexpr COLORREF kSelectedBar = RGB(224, 224, 224);
constexpr COLORREF kCropColour = RGB(255, 0, 0);
constexpr COLORREF kNoticeText = RGB(255, 0, 0);
constexpr COLORREF kNoticeBack = RGB(255, 255, 0);
}  // namespace

void CViewStitchDicom::OnDraw(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    CRect visible = client;
    visible.OffsetRect(GetScrollPosition());
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        CBaseImageData* image = m_listDisplay.GetAt(i);
        if (image == nullptr)
            continue;
        image->SetClipRect(visible.left, visible.top, visible.right, visible.bottom);
        image->Draw(pDC);
        if (i != m_model.GetSelected()) {
            CBrush brush(kUnselectedBar);
            CBrush* previous = pDC->SelectObject(&brush);
            pDC->Rectangle(0, image->m_nDstY, kColumnLeft, image->m_nDstY + image->m_nDstHeight);
            pDC->SelectObject(previous);
        }
    }
    if (const CBaseImageData* selected = m_listDisplay.GetAt(m_model.GetSelected())) {
        DrawSelectionBar(pDC, CRect(selected->m_nDstX, selected->m_nDstY, selected->m_nDstX + selected->m_nDstWidth,
                                    selected->m_nDstY + selected->m_nDstHeight));
    }
    const CSize total = GetTotalSize();
    if (client.bottom >= total.cy) {
        const int bar = GetSystemMetrics(SM_CXVSCROLL);
        pDC->PatBlt(client.right - bar, 0, bar, client.Height(), BLACKNESS);
        pDC->PatBlt(client.left, total.cy, client.Width(), client.bottom - total.cy, BLACKNESS);
    }
    if (m_bRealSize) {
        const CRect content = GetContentRect();
        if (client.right > content.right)
            pDC->PatBlt(content.right, 0, client.right - content.right, total.cy, BLACKNESS);
        if (client.bottom > content.bottom)
            pDC->PatBlt(0, content.bottom, total.cx, client.bottom - content.bottom, BLACKNESS);
    }
    PaintUncovered(pDC, visible);
    DrawJunctionMarks(pDC);
    // The frame comes last, so that the handles on the column's right and bottom edges
    // are not cut by the black areas. During a handle drag it is the drag's XOR frame.
    if (m_bCropMode)
        DrawCropFrame(pDC, IsDraggingCropHandle());
    DrawAlignStatus(pDC, visible);
}

// The black areas above leave the row at the column's end and the gap between the column
// and the scroll-bar strip (and, when scrolled, more) unpainted; these are filled here:
// right of every image and below the column, within the visible area.
void CViewStitchDicom::PaintUncovered(CDC* pDC, const CRect& rcVisible)
{
    int columnBottom = 0;
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        const CBaseImageData* image = m_listDisplay.GetAt(i);
        if (image == nullptr)
            continue;
        const int right = image->m_nDstX + image->m_nDstWidth;
        if (rcVisible.right > right)
            pDC->PatBlt(right, image->m_nDstY, rcVisible.right - right, image->m_nDstHeight, BLACKNESS);
        columnBottom = std::max(columnBottom, image->m_nDstY + image->m_nDstHeight);
    }
    if (rcVisible.bottom > columnBottom) {
        const int top = std::max<int>(columnBottom, rcVisible.top);
        pDC->PatBlt(rcVisible.left, top, rcVisible.Width(), rcVisible.bottom - top, BLACKNESS);
    }
}

BOOL CViewStitchDicom::OnEraseBkgnd(CDC* /*pDC*/)
{
    return TRUE;  // OnDraw paints every area itself
}

void CViewStitchDicom::DrawSelectionBar(CDC* pDC, CRect rcImage)
{
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CBrush brush(kSelectedBar);
    CPen* previousPen = pDC->SelectObject(&pen);
    CBrush* previousBrush = pDC->SelectObject(&brush);
    pDC->Rectangle(rcImage.left - kColumnLeft, rcImage.top, rcImage.left, rcImage.bottom);
    pDC->SelectObject(previousPen);
    pDC->SelectObject(previousBrush);
}

void CViewStitchDicom::GetCropHandles(CArray<CPoint, CPoint>& points) const
{
    points.RemoveAll();
    if (m_rcCrop.IsRectEmpty())
        return;
    const int l = m_rcCrop.left;
    const int t = m_rcCrop.top;
    const int r = m_rcCrop.right;
    const int b = m_rcCrop.bottom;
    const int mx = (l + r) / 2;
    const int my = (t + b) / 2;
    for (const CPoint& p : {CPoint(l, t), CPoint(mx, t), CPoint(r, t), CPoint(r, my), CPoint(r, b), CPoint(mx, b),
                            CPoint(l, b), CPoint(l, my)})
        points.Add(p);
}

void CViewStitchDicom::DrawCropFrame(CDC* pDC, BOOL bXor)
{
    if (!m_bCropMode)
        return;
    if (m_rcCrop.IsRectEmpty())
        m_rcCrop = GetContentRect();
    const int previousRop = bXor ? pDC->SetROP2(R2_XORPEN) : 0;
    const int factor = CropSizeFactor();
    CPen framePen(PS_SOLID, factor, kCropColour);
    CPen* previousPen = pDC->SelectObject(&framePen);
    CGdiObject* previousBrush = pDC->SelectStockObject(NULL_BRUSH);
    pDC->Rectangle(m_rcCrop);
    if (!bXor) {
        CPen handlePen(PS_SOLID, 1, kCropColour);
        pDC->SelectObject(&handlePen);
        CArray<CPoint, CPoint> handles;
        GetCropHandles(handles);
        for (int i = 0; i < handles.GetSize(); ++i) {
            CRect square(handles[i].x, handles[i].y, handles[i].x + 1, handles[i].y + 1);
            square.InflateRect(4 * factor, 4 * factor);
            pDC->Rectangle(square);
        }
        pDC->SelectObject(&framePen);
    }
    if (bXor)
        pDC->SetROP2(previousRop);
    pDC->SelectObject(previousPen);
    pDC->SelectObject(previousBrush);
}

void CViewStitchDicom::ShowStatusText(const char* text)
{
    if (GetSafeHwnd() == nullptr)
        return;
    CClientDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.SetTextColor(kNoticeText);
    dc.SetBkColor(kNoticeBack);
    dc.DrawText(text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
