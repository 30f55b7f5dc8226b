// Views and scroll views.
#include "platform/ScrollView.h"

#include "platform/SystemMetrics.h"
#include "platform/WndDC.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)

const SIZE CScrollView::sizeDefault = {0, 0};

void CView::OnPrepareDC(CDC*, CPrintInfo*) {}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    OnDraw(&dc);
}

void CView::PostNcDestroy()
{
    delete this;  // framework-shaped ownership: the window owns its view object
}

CScrollView::CScrollView() = default;

void CScrollView::SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage, const SIZE& sizeLine)
{
    m_nMapMode = nMapMode;
    m_totalLog = CSize(std::max<LONG>(sizeTotal.cx, 0), std::max<LONG>(sizeTotal.cy, 0));
    m_pageDev = sizePage;
    m_lineDev = sizeLine;
    if (m_pageDev.cx == 0) m_pageDev.cx = m_totalLog.cx / 10;
    if (m_pageDev.cy == 0) m_pageDev.cy = m_totalLog.cy / 10;
    if (m_lineDev.cx == 0) m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0) m_lineDev.cy = m_pageDev.cy / 10;
    if (m_hWnd != nullptr) {
        UpdateBars();
        Invalidate(TRUE);
    }
}

CPoint CScrollView::GetDeviceScrollPosition() const { return CPoint(GetScrollPos(SB_HORZ), GetScrollPos(SB_VERT)); }
CPoint CScrollView::GetScrollPosition() const { return GetDeviceScrollPosition(); }

void CScrollView::ScrollToPosition(POINT pt)
{
    const CPoint before = GetDeviceScrollPosition();
    SetScrollPos(SB_HORZ, (GetStyle() & WS_HSCROLL) ? pt.x : 0);
    SetScrollPos(SB_VERT, (GetStyle() & WS_VSCROLL) ? pt.y : 0);
    if (GetDeviceScrollPosition() != before)
        ScrollWindow(before.x - GetScrollPos(SB_HORZ), before.y - GetScrollPos(SB_VERT));
}

void CScrollView::ScrollBy(int dx, int dy)
{
    const CPoint pos = GetDeviceScrollPosition();
    ScrollToPosition(CPoint(pos.x + dx, pos.y + dy));
}

void CScrollView::OnPrepareDC(CDC* pDC, CPrintInfo* pInfo)
{
    CView::OnPrepareDC(pDC, pInfo);
    const CPoint pos = GetDeviceScrollPosition();
    pDC->SetViewportOrg(-pos.x, -pos.y);
}

void CScrollView::UpdateBars()
{
    if (m_bInsideUpdate || m_hWnd == nullptr || m_nMapMode == 0)
        return;
    m_bInsideUpdate = true;
    CRect client;
    GetClientRect(&client);
    // The client size without any scroll bar decides which bars are needed.
    const DWORD style = GetStyle();
    CSize avail(client.Width() + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0),
                client.Height() + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0));
    bool needV = m_totalLog.cy > avail.cy;
    bool needH = m_totalLog.cx > avail.cx - (needV ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    if (needH && !needV)
        needV = m_totalLog.cy > avail.cy - GetSystemMetrics(SM_CYHSCROLL);
    const CPoint pos = GetDeviceScrollPosition();
    ShowScrollBar(SB_VERT, needV);
    ShowScrollBar(SB_HORZ, needH);
    GetClientRect(&client);
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    si.nMax = m_totalLog.cy - 1;
    si.nPage = static_cast<UINT>(client.Height());
    si.nPos = needV ? pos.y : 0;
    SetScrollInfo(SB_VERT, &si);
    si.nMax = m_totalLog.cx - 1;
    si.nPage = static_cast<UINT>(client.Width());
    si.nPos = needH ? pos.x : 0;
    SetScrollInfo(SB_HORZ, &si);
    if (GetDeviceScrollPosition() != pos)
        Invalidate(TRUE);
    m_bInsideUpdate = false;
}

void CScrollView::OnSize(UINT nType, int cx, int cy)
{
    CView::OnSize(nType, cx, cy);
    UpdateBars();
}

int CScrollView::ScrollTarget(int nBar, UINT nSBCode, UINT nPos) const
{
    const int pos = GetScrollPos(nBar);
    const int page = nBar == SB_VERT ? m_pageDev.cy : m_pageDev.cx;
    const int line = nBar == SB_VERT ? m_lineDev.cy : m_lineDev.cx;
    switch (nSBCode) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return nBar == SB_VERT ? m_totalLog.cy : m_totalLog.cx;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(nBar, &si, SIF_TRACKPOS);
        return nSBCode == SB_THUMBTRACK ? si.nTrackPos : static_cast<int>(nPos);
    }
    default: return pos;
    }
}

void CScrollView::OnVScroll(UINT nSBCode, UINT nPos, CWnd*)
{
    if (nSBCode == SB_ENDSCROLL)
        return;
    ScrollToPosition(CPoint(GetScrollPos(SB_HORZ), ScrollTarget(SB_VERT, nSBCode, nPos)));
}

void CScrollView::OnHScroll(UINT nSBCode, UINT nPos, CWnd*)
{
    if (nSBCode == SB_ENDSCROLL)
        return;
    ScrollToPosition(CPoint(ScrollTarget(SB_HORZ, nSBCode, nPos), GetScrollPos(SB_VERT)));
}

BOOL CScrollView::OnMouseWheel(UINT, short zDelta, CPoint)
{
    // Three lines per notch, vertically when there is a vertical bar.
    const int lines = -zDelta * 3 / WHEEL_DELTA;
    if (GetStyle() & WS_VSCROLL)
        ScrollBy(0, lines * std::max<LONG>(m_lineDev.cy, 1));
    else if (GetStyle() & WS_HSCROLL)
        ScrollBy(lines * std::max<LONG>(m_lineDev.cx, 1), 0);
    else
        return FALSE;
    return TRUE;
}
