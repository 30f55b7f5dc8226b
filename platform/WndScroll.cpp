// Window scroll bars (WS_HSCROLL / WS_VSCROLL): the state lives in the window record, a
// Qt scroll bar shows it in the non-client area and reports the user's actions as
// WM_HSCROLL / WM_VSCROLL.
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"

#include <QScrollBar>

#include <algorithm>

namespace {

DWORD StyleBit(int nBar) { return nBar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

void SendScroll(HWND hwnd, int nBar, UINT code, int pos)
{
    const UINT message = nBar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    SendMessage(hwnd, message, static_cast<WPARAM>(code) | (static_cast<WPARAM>(static_cast<WORD>(pos)) << 16), 0);
}

void CreateBar(WindowRecord& rec, int nBar)
{
    if (rec.widget == nullptr || rec.scroll[nBar].bar != nullptr)
        return;
    auto* bar = new QScrollBar(nBar == SB_VERT ? Qt::Vertical : Qt::Horizontal, rec.widget);  // owned by the widget
    rec.scroll[nBar].bar = bar;
    const HWND hwnd = rec.hwnd;
    QObject::connect(bar, &QAbstractSlider::actionTriggered, [hwnd, nBar, bar](int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: SendScroll(hwnd, nBar, SB_LINEDOWN, 0); break;
        case QAbstractSlider::SliderSingleStepSub: SendScroll(hwnd, nBar, SB_LINEUP, 0); break;
        case QAbstractSlider::SliderPageStepAdd: SendScroll(hwnd, nBar, SB_PAGEDOWN, 0); break;
        case QAbstractSlider::SliderPageStepSub: SendScroll(hwnd, nBar, SB_PAGEUP, 0); break;
        case QAbstractSlider::SliderToMinimum: SendScroll(hwnd, nBar, SB_TOP, 0); break;
        case QAbstractSlider::SliderToMaximum: SendScroll(hwnd, nBar, SB_BOTTOM, 0); break;
        case QAbstractSlider::SliderMove:
            if (WindowRecord* r = wnd::Find(hwnd))
                r->scroll[nBar].info.nTrackPos = bar->sliderPosition();
            SendScroll(hwnd, nBar, SB_THUMBTRACK, bar->sliderPosition());
            break;
        default: break;
        }
        // The window sets the position itself; the bar shows what the window decided.
        if (WindowRecord* r = wnd::Find(hwnd))
            wnd::SyncScrollBar(*r, nBar);
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, [hwnd, nBar, bar]() {
        SendScroll(hwnd, nBar, SB_THUMBPOSITION, bar->sliderPosition());
        SendScroll(hwnd, nBar, SB_ENDSCROLL, 0);
    });
}

}  // namespace

namespace wnd {

void SyncScrollBar(WindowRecord& rec, int nBar)
{
    QScrollBar* bar = rec.scroll[nBar].bar;
    if (bar == nullptr)
        return;
    const SCROLLINFO& si = rec.scroll[nBar].info;
    const QSignalBlocker block(bar);
    const int page = static_cast<int>(si.nPage);
    bar->setRange(si.nMin, std::max(si.nMin, si.nMax - std::max(page - 1, 0)));
    bar->setPageStep(std::max(page, 1));
    bar->setSingleStep(std::max(page / 10, 1));
    bar->setValue(si.nPos);
}

void LayoutScrollBars(WindowRecord& rec)
{
    const CRect client = ClientRectInWindow(rec);
    for (int nBar : {SB_HORZ, SB_VERT}) {
        const bool shown = (FrameStyle(rec) & StyleBit(nBar)) != 0;
        if (shown)
            CreateBar(rec, nBar);
        QScrollBar* bar = rec.scroll[nBar].bar;
        if (bar == nullptr)
            continue;
        if (nBar == SB_VERT)
            bar->setGeometry(client.right, client.top, GetSystemMetrics(SM_CXVSCROLL), client.Height());
        else
            bar->setGeometry(client.left, client.bottom, client.Width(), GetSystemMetrics(SM_CYHSCROLL));
        bar->setVisible(shown);
        SyncScrollBar(rec, nBar);
    }
}

}  // namespace wnd

int SetScrollInfo(HWND hWnd, int nBar, const SCROLLINFO* lpsi, BOOL)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || (nBar != SB_HORZ && nBar != SB_VERT))
        return 0;
    SCROLLINFO& si = rec->scroll[nBar].info;
    if (lpsi->fMask & SIF_RANGE) {
        si.nMin = lpsi->nMin;
        si.nMax = lpsi->nMax;
    }
    if (lpsi->fMask & SIF_PAGE)
        si.nPage = lpsi->nPage;
    if (lpsi->fMask & SIF_POS)
        si.nPos = lpsi->nPos;
    // The position stays within the range minus the page, as the system keeps it.
    const int maxPos = std::max(si.nMin, si.nMax - std::max(static_cast<int>(si.nPage) - 1, 0));
    si.nPos = std::clamp(si.nPos, si.nMin, maxPos);
    wnd::SyncScrollBar(*rec, nBar);
    return si.nPos;
}

BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || (nBar != SB_HORZ && nBar != SB_VERT))
        return FALSE;
    const SCROLLINFO& si = rec->scroll[nBar].info;
    if (lpsi->fMask & SIF_RANGE) {
        lpsi->nMin = si.nMin;
        lpsi->nMax = si.nMax;
    }
    if (lpsi->fMask & SIF_PAGE)
        lpsi->nPage = si.nPage;
    if (lpsi->fMask & SIF_POS)
        lpsi->nPos = si.nPos;
    if (lpsi->fMask & SIF_TRACKPOS)
        lpsi->nTrackPos = si.nTrackPos;
    return TRUE;
}

BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    DWORD bits = wBar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : StyleBit(wBar);
    const DWORD before = rec->style;
    rec->style = bShow ? (rec->style | bits) : (rec->style & ~bits);
    if (rec->style != before) {
        wnd::SyncWidgetGeometry(*rec);
        wnd::InvalidateFrame(*rec);
        InvalidateRect(hWnd, nullptr, TRUE);
        const CRect client = wnd::ClientRectInWindow(*rec);
        SendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    }
    return TRUE;
}
