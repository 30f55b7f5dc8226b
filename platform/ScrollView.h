// CView and CScrollView: a child window that draws its document in OnDraw; the scroll
// view scrolls a logical area (MM_TEXT: one unit per pixel) with scroll bars and the
// mouse wheel, moving the viewport origin of the DC it prepares.
#pragma once

#include "platform/Wnd.h"

class CDC;
struct CPrintInfo;

constexpr int MM_TEXT = 1;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    virtual void OnDraw(CDC* pDC) = 0;
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr);

protected:
    void OnPaint() override;
    // A view belongs to its window: it deletes itself when the window is gone.
    void PostNcDestroy() override;
};

class CScrollView : public CView {
    DECLARE_DYNAMIC(CScrollView)
public:
    static const SIZE sizeDefault;

    CScrollView();
    // Only MM_TEXT. A page or line of sizeDefault is a tenth of the total (of the page).
    void SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage = sizeDefault,
                        const SIZE& sizeLine = sizeDefault);
    CPoint GetScrollPosition() const;
    CPoint GetDeviceScrollPosition() const;
    void ScrollToPosition(POINT pt);
    CSize GetTotalSize() const { return m_totalLog; }
    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override;

protected:
    void OnSize(UINT nType, int cx, int cy) override;
    void OnVScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar) override;
    void OnHScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar) override;
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) override;
    void UpdateBars();

private:
    int ScrollTarget(int nBar, UINT nSBCode, UINT nPos) const;
    void ScrollBy(int dx, int dy);

    int m_nMapMode = 0;
    CSize m_totalLog;
    CSize m_pageDev;
    CSize m_lineDev;
    bool m_bInsideUpdate = false;
};
