// CWnd: a window of the message-driven window system. Every window has an opaque handle
// (HWND), a replaceable window procedure and a surface it paints into; a Qt widget shows
// it. Messages carry their Win32 numbers (platform/WinMessages.h); handlers are virtual
// OnXxx members called by CWnd::OnWndMsg, whose defaults pass the message on (Default).
#pragma once

#include "platform/CString.h"
#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/WinApi.h"

class CWnd;
class CCmdUI;
class CDC;
class CFont;
class CSurface;
struct CCreateContext;
struct AFX_CMDHANDLERINFO;

// Base of every class that receives commands.
class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;

    // Routes a command (nCode CN_COMMAND) or a command-state query (CN_UPDATE_COMMAND_UI,
    // pExtra a CCmdUI*). Returns TRUE when a handler took it. Derived classes switch on
    // nID and call the base for the rest.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);
};

// CWnd::m_nFlags: keep the caption active (a popup of the window is up).
constexpr UINT WF_STAYACTIVE = 0x0020;

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    HWND m_hWnd = nullptr;
    UINT m_nFlags = 0;

    // Z-order positions for SetWindowPos.
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    CWnd();
    // Destroys a window that still exists (its PostNcDestroy then runs too).
    ~CWnd() override;

    static CWnd* FromHandle(HWND hWnd);           // a temporary object for a foreign handle
    static CWnd* FromHandlePermanent(HWND hWnd);  // only objects attached by Create/Attach
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Creation. A null class name gives a plain window; "STATIC", "COMBOBOX",
    // "ToolbarWindow32" and "SCROLLBAR" give controls. Child windows take nID.
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                          DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                          HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL DestroyWindow();
    // Called after WM_NCDESTROY, once the handle is detached; views override it to delete
    // themselves.
    virtual void PostNcDestroy();
    BOOL Attach(HWND hWnd);
    HWND Detach();

    // Messages.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // The current message (per-thread record), passed to DefWindowProc.
    LRESULT Default();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                  BOOL bDeep = TRUE) const;

    // Family and identity.
    CWnd* GetParent() const;
    CWnd* GetOwner() const;
    CWnd* GetTopLevelParent() const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL IsChild(const CWnd* pWnd) const;
    BOOL IsIconic() const;
    BOOL IsZoomed() const;

    // Geometry.
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // Painting.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, HRGN hrgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE);
    CDC* BeginPaint(PAINTSTRUCT* lpPaint);
    void EndPaint(PAINTSTRUCT* lpPaint);
    // A DC of the client area (GetDC) or the whole window (GetWindowDC); release it.
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* pDC);
    // The window's pixels (whole window, non-client area included); tests read them.
    CSurface* GetSurfaceForTest() const;

    // Input.
    CWnd* SetCapture();
    static CWnd* GetCapture();
    CWnd* SetFocus();
    static CWnd* GetFocus();
    static CWnd* GetActiveWindow();
    CWnd* SetActiveWindow();
    BOOL SetForegroundWindow();

    // Text, icon, font.
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE);
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    HFONT GetFontHandle() const;
    CFont* GetFont() const;  // null when the window has no font of its own

    // Timers.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // Scroll bars of the window (WS_HSCROLL / WS_VSCROLL).
    BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
    BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
    int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
    int GetScrollPos(int nBar) const;
    void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
    void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const;
    void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);
    void ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect = nullptr,
                      LPCRECT lpClipRect = nullptr);

    // Updates the command states of child control bars (toolbars) for this window.
    void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

protected:
    // Message handlers; each default passes the message on with Default().
    virtual int OnCreate(LPCREATESTRUCT lpCreateStruct);
    virtual void OnDestroy();
    virtual void OnNcDestroy();
    virtual void OnClose();
    virtual void OnSize(UINT nType, int cx, int cy);
    virtual void OnMove(int x, int y);
    virtual void OnPaint();
    virtual BOOL OnEraseBkgnd(CDC* pDC);
    virtual void OnNcPaint();
    virtual BOOL OnNcActivate(BOOL bActive);
    virtual LRESULT OnNcHitTest(CPoint point);
    virtual void OnNcLButtonDown(UINT nHitTest, CPoint point);
    virtual void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    virtual void OnSetFocus(CWnd* pOldWnd);
    virtual void OnKillFocus(CWnd* pNewWnd);
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnLButtonDown(UINT nFlags, CPoint point);
    virtual void OnLButtonUp(UINT nFlags, CPoint point);
    virtual void OnLButtonDblClk(UINT nFlags, CPoint point);
    virtual void OnRButtonDown(UINT nFlags, CPoint point);
    virtual void OnRButtonUp(UINT nFlags, CPoint point);
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    virtual BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    virtual BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    virtual int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    virtual void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnVScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);
    virtual void OnHScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);
    virtual void OnSysCommand(UINT nID, LPARAM lParam);
    virtual void OnSysColorChange();
    virtual void OnCaptureChanged(CWnd* pWnd);
    virtual void OnInitMenuPopup(HMENU hPopupMenu, UINT nIndex, BOOL bSysMenu);
    virtual void OnContextMenu(CWnd* pWnd, CPoint pos);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;  // the class procedure that DefWindowProc calls

private:
    explicit CWnd(HWND hWndSpecial) : m_hWnd(hWndSpecial) {}
    friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    BOOL DispatchInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL DispatchWindowState(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

// A frame window: the window that holds views and control bars.
class CFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    // The frame whose views are active (this one, without MDI children).
    virtual CFrameWnd* GetActiveFrame() { return this; }
};

// The framework's window procedure: sets the current-message record and calls the
// window object's WindowProc.
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
