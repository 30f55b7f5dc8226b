// The window system's handle-level services with their Win32 names: messages, window
// procedures, geometry, input state, cursors, timers. CWnd members wrap them.
#pragma once

#include "platform/WinMessages.h"

#include <functional>
#include <string>

using LPINT = int*;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// The per-thread record of the message being processed. Window procedures installed by
// the framework (and hooks) save it, set it for each message and restore it afterwards;
// handlers may change it before they call Default().
MSG* AfxGetCurrentMessage();

// Messages.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT message, WPARAM wParam,
                       LPARAM lParam);
// The system's default processing (painting of the non-client area, text, icons, hit
// testing, moving and sizing, closing).
LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR SetWindowLongPtr(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
// Window classes carry no icons of their own here: GCLP_HICON / GCLP_HICONSM give the
// window's own icons (WM_SETICON), other indices 0.
constexpr int GCLP_HICON = -14;
constexpr int GCLP_HICONSM = -34;
DWORD_PTR GetClassLongPtr(HWND hWnd, int nIndex);
LONG_PTR GetWindowLongPtr(HWND hWnd, int nIndex);
DWORD GetMessageTime();
DWORD GetMessagePos();

// Message queue. PeekMessage with bRemove takes the first queued message for hWnd (or
// any window with null); DispatchMessage sends it to its window procedure.
BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
LRESULT DispatchMessage(const MSG* lpMsg);
// Runs pending window-system work (Qt events, queued messages, paints) until the queue is
// dry. Returns the number of queued messages dispatched.
int PumpWaitingMessages();
// Takes a queued message through the pre-translation filters (the target window and its
// ancestors' PreTranslateMessage) and dispatches it unless a filter consumed it.
void TranslateAndDispatch(MSG& msg);

// Windows.
BOOL IsWindow(HWND hWnd);
BOOL DestroyWindow(HWND hWnd);
HWND GetParent(HWND hWnd);
HWND GetDlgItem(HWND hDlg, int nID);
int GetDlgCtrlID(HWND hWnd);
BOOL IsChild(HWND hWndParent, HWND hWnd);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
BOOL MoveWindow(HWND hWnd, int x, int y, int nWidth, int nHeight, BOOL bRepaint);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
BOOL IsIconic(HWND hWnd);
BOOL IsZoomed(HWND hWnd);
BOOL SetWindowText(HWND hWnd, LPCTSTR lpString);
int GetWindowText(HWND hWnd, LPTSTR lpString, int nMaxCount);
int GetWindowTextLength(HWND hWnd);
// The window rectangle that gives the client rectangle *lpRect for the given styles.
BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle);

// Painting.
BOOL InvalidateRect(HWND hWnd, LPCRECT lpRect, BOOL bErase);
BOOL ValidateRect(HWND hWnd, LPCRECT lpRect);
BOOL UpdateWindow(HWND hWnd);
BOOL RedrawWindow(HWND hWnd, LPCRECT lprcUpdate, HRGN hrgnUpdate, UINT flags);
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);

// Input state. Key and button states follow the messages taken from the queue.
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int nVirtKey);
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL SetCursorPos(int x, int y);
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hWnd);
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hWnd);
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();
// Standard cursors (IDC_ARROW, IDC_SIZENWSE, ...); hInstance is ignored.
HCURSOR LoadCursor(HINSTANCE hInstance, LPCTSTR lpCursorName);

// A change of system colours or settings (a new theme, a test override): every top-level
// window gets WM_SYSCOLORCHANGE and repaints its frame and client area.
void NotifySysColorChange();

// Timers.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// Scroll bars.
int SetScrollInfo(HWND hWnd, int nBar, const SCROLLINFO* lpsi, BOOL bRedraw);
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi);
BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow);

// Test support: feeds input through the same translation as real Qt input. Points are
// screen coordinates; button is VK_LBUTTON, VK_RBUTTON or 0 for a move.
enum class TestMouse { Move, Press, Release, DoubleClick, Wheel };
void SimulateMouseForTest(TestMouse kind, POINT ptScreen, int button, int wheelDelta = 0,
                          WPARAM modifiers = 0);
// A key press (bDown) or release delivered to the window with the focus.
void SimulateKeyForTest(int nVirtKey, BOOL bDown, WPARAM modifiers = 0);
// Overrides the tracked state of one key (as if pressed or released elsewhere).
void SetKeyStateForTest(int nVirtKey, BOOL bDown);
// Saves what the window shows on screen (its surface and any native controls) as PNG.
BOOL SaveWindowImageForTest(HWND hWnd, const char* path);

// Test support through Qt itself: real Qt events, delivered where Qt delivers them.
// A key press and release (with its character) sent where Qt sends keys: to the open popup
// menu, else to Qt's focus widget; FALSE when there is neither.
BOOL SendQtKeyForTest(int nVirtKey, WPARAM modifiers = 0);
// The window of the layer whose widget (or native control) has Qt's keyboard focus; null
// when none has, for instance while a message box has it.
HWND GetQtFocusWindowForTest();
// The modal window Qt shows above the layer's windows (a message box), if any.
struct ModalWindowState {
    BOOL bShown = FALSE;
    BOOL bEnabled = FALSE;   // Qt's enabled state: a disabled box takes no input at all
    BOOL bHasFocus = FALSE;  // Qt's focus widget lies inside it
    std::string strTitle;
    std::string strText;
};
ModalWindowState GetModalWindowForTest();
// Clicks the modal window's button whose text (without '&') is pszText, with real Qt mouse
// press and release events at its centre; FALSE when there is no such button.
BOOL ClickModalButtonForTest(const char* pszText);
// Ends the modal window as its close button would (a watchdog's way out: it works on a
// disabled window too); FALSE when there is none.
BOOL EndModalWindowForTest();
// Shows (or hides and deletes) a plain Qt window outside the layer and makes it Qt's
// active window, as when the user turns to another program.
void ShowForeignWindowForTest(BOOL bShow);
// The title the window system shows for a top-level window (task bars, window lists).
std::string GetWindowSystemTitleForTest(HWND hWnd);
// Saves the whole screen (every window, Qt's own included) as PNG.
BOOL SaveScreenImageForTest(const char* path);
