// Platform-private state of the window system: one record per window handle, the Qt
// widget that shows it, and the services shared by the window sources. Never included
// outside platform/.
#pragma once

#include "platform/Surface.h"
#include "platform/Wnd.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QTimer;
class QScrollBar;
class WndWidget;

// State a control class keeps per window (combo box items, toolbar buttons, ...).
struct ControlState {
    virtual ~ControlState() = default;
};

struct ScrollBarState {
    SCROLLINFO info{sizeof(SCROLLINFO), 0, 0, 0, 0, 0, 0};
    bool visible = false;
    QPointer<QScrollBar> bar;
};

struct WindowRecord {
    HWND hwnd = nullptr;
    CWnd* pWnd = nullptr;             // permanent object attached to the handle
    std::unique_ptr<CWnd> pTempWnd;   // temporary object made by CWnd::FromHandle
    WNDPROC proc = nullptr;           // the current window procedure
    WNDPROC classProc = nullptr;      // the class procedure (the system's behaviour)
    std::string className;
    HWND parent = nullptr;  // parent of a child window, owner of a top-level window
    std::vector<HWND> children;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0;
    std::string text;
    CRect rcWindow;   // screen coordinates (top-level) or parent client coordinates (child)
    CRect rcRestore;  // outer rectangle before maximising
    bool ncActive = false;
    UINT ncPressed = 0;  // caption button shown pressed: its DFCS_CAPTION kind + 1, 0 for none
    HICON iconSmall = nullptr;
    HICON iconBig = nullptr;
    HFONT font = nullptr;
    std::unique_ptr<CSurface> surface;  // the whole window's pixels
    QRegion update;                     // client coordinates
    bool erasePending = false;
    bool ncPaintPending = false;
    QPointer<WndWidget> widget;
    QPointer<QWidget> native;  // a control's Qt widget that takes focus and keys (may be null)
    std::map<UINT_PTR, std::unique_ptr<QTimer>> timers;
    std::map<int, LONG_PTR> longs;  // GWLP_USERDATA, DWLP_MSGRESULT
    ScrollBarState scroll[2];        // SB_HORZ, SB_VERT
    std::unique_ptr<ControlState> control;
    bool destroying = false;
    bool controlScrollBars = false;  // WS_VSCROLL / WS_HSCROLL belong to the control's own list
};

// Creates a window; pWnd (null for windows without a framework object) gets the handle.
HWND CreateWindowInternal(CWnd* pWnd, DWORD exStyle, LPCTSTR lpszClass, LPCTSTR lpszName, DWORD style,
                          int x, int y, int cx, int cy, HWND hwndParent, UINT nID, LPVOID lpParam);

namespace wnd {

WindowRecord* Find(HWND hwnd);
WindowRecord& Get(HWND hwnd);  // hwnd must be valid
bool IsTopLevel(const WindowRecord& rec);
std::vector<HWND> TopLevelWindows();
// The insets of the client area inside the window rectangle (frame, caption, edges,
// scroll bars), as left, top, right, bottom widths.
CRect NonClientInsets(DWORD style, DWORD exStyle);
CRect ClientRectInWindow(const WindowRecord& rec);  // window coordinates
// The style bits that shape the window's frame (scroll bars of a control's list left out).
DWORD FrameStyle(const WindowRecord& rec);
CPoint WindowOriginOnScreen(const WindowRecord& rec);
CRect WindowRectOnScreen(const WindowRecord& rec);

// Window classes: the procedure and the widget that a class name gives.
struct WindowClass {
    WNDPROC proc = nullptr;
    int backgroundColor = -1;  // system colour index, -1 for none
    // Makes the Qt widgets of a control after the window exists (may be null).
    void (*createNative)(WindowRecord& rec) = nullptr;
};
const WindowClass& LookupClass(const std::string& name);
void RegisterClass(const std::string& name, const WindowClass& cls);

// Geometry changes: places the record's widget and surface after rcWindow changed.
void SyncWidgetGeometry(WindowRecord& rec);
void LayoutScrollBars(WindowRecord& rec);
void SyncScrollBar(WindowRecord& rec, int nBar);

// Painting services of WndPaint.cpp.
void ScheduleProcessing();
void PaintPendingWindows();
bool HasPendingPaint();
void InvalidateFrame(WindowRecord& rec);
void PresentSurface(WindowRecord& rec, const CRect& rcWindowCoords);
// Default handling of WM_NCPAINT, WM_NCACTIVATE, WM_NCHITTEST and the caption (Frame.cpp).
void PaintNonClient(HWND hwnd, HRGN hrgn);
LRESULT NonClientHitTest(HWND hwnd, CPoint ptScreen);
void StartTracking(HWND hwnd, LRESULT hit, CPoint ptScreen);
bool TrackMouse(HWND hwnd, CPoint ptScreen, bool released);
void DoSysCommand(HWND hwnd, WPARAM cmd);
MINMAXINFO QueryMinMaxInfo(HWND hwnd);

// Input.
// True when the window or one of its ancestors up to its top-level window is disabled:
// such a window takes no mouse or keyboard input.
bool IsInputRefused(HWND hwnd);
// The active window lost activation to a window the layer does not manage (a message
// box, another application): it is told so, and no window of the layer is active.
void DeactivateActiveWindow();
void UpdateKeyStateFromMessage(const MSG& msg);
WPARAM CurrentMouseFlags();
void ClearCaptureIfDestroyed(HWND hwnd);
Qt::CursorShape CursorShape(HCURSOR hCursor);
DWORD Now();
void SetLastCursorPos(CPoint pt);

// Nested modal loops (dialogs, message boxes, menus): a loop's idle processing runs only
// while it is the innermost one, as each Windows loop idles only in its own message wait.
int ModalDepth();
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// Timers and the message queue.
void KillAllTimers(WindowRecord& rec);
void RemoveQueuedMessages(HWND hwnd);

}  // namespace wnd

// The Qt widget of one window: copies the surface to the screen and turns Qt input into
// queued messages.
class WndWidget : public QWidget {
public:
    WndWidget(HWND hwnd, QWidget* parent, bool topLevel);
    HWND Handle() const { return m_hwnd; }
    void Detach() { m_hwnd = nullptr; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    HWND m_hwnd;
    bool m_bTopLevel;
};

// Input translation shared by the widget and the test hooks.
namespace wndinput {
int VirtualKeyFromQt(int qtKey);
int QtKeyFromVirtualKey(int vk);
WPARAM MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
void DeliverMouse(HWND target, UINT qtType, CPoint ptScreen, Qt::MouseButton button,
                  Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int wheelDelta);
// A key press or release for the focus window; a press with a printable character also
// queues WM_CHAR, which is dropped when a filter consumes the key-down.
void DeliverKey(HWND target, bool down, int vk, Qt::KeyboardModifiers mods, bool autoRepeat, char ch = 0);
// Queues a key message for one window; scan is kept in the scan-code bits of lParam.
void PostKeyTo(HWND target, bool down, int vk, Qt::KeyboardModifiers mods, bool autoRepeat, BYTE scan);
}  // namespace wndinput
