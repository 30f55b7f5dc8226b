// Message boxes on QMessageBox.
#include "platform/MessageBox.h"

#include "platform/Resources.h"
#include "platform/WinApp.h"
#include "platform/WndInternal.h"

#include <QMessageBox>

namespace {

std::function<int(const char*, UINT)>& Sink()
{
    static std::function<int(const char*, UINT)> sink;
    return sink;
}

QMessageBox::StandardButtons ButtonsFor(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconFor(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

HWND TopLevelOf(HWND hwnd)
{
    const WindowRecord* rec = wnd::Find(hwnd);
    while (rec != nullptr && !wnd::IsTopLevel(*rec))
        rec = wnd::Find(rec->parent);
    return rec != nullptr ? rec->hwnd : nullptr;
}

int ResultOf(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

}  // namespace

void SetMessageBoxSinkForTest(std::function<int(const char*, UINT)> sink) { Sink() = std::move(sink); }

int MessageBox(HWND hWnd, LPCTSTR lpText, LPCTSTR lpCaption, UINT uType)
{
    const char* text = lpText != nullptr ? lpText : "";
    if (Sink())
        return Sink()(text, uType);
    // The box belongs to the owner's top-level window, so that it stays above it; being a
    // window of its own, it stays enabled while the owner is disabled.
    QWidget* parent = nullptr;
    if (const WindowRecord* rec = wnd::Find(TopLevelOf(hWnd)))
        parent = rec->widget;
    QMessageBox box(IconFor(uType), QString::fromLatin1(lpCaption != nullptr ? lpCaption : ""),
                    QString::fromLatin1(text), ButtonsFor(uType), parent);
    box.setWindowModality(Qt::ApplicationModal);
    // The owner is disabled while the box runs, as under a modal dialog, and shows itself
    // inactive; afterwards it is enabled and active again, with its focus where it was.
    const HWND focus = ::GetFocus();
    const BOOL wasEnabled = hWnd != nullptr && IsWindowEnabled(hWnd);
    if (wasEnabled)
        EnableWindow(hWnd, FALSE);
    wnd::DeactivateActiveWindow();
    int result = IDOK;
    {
        const wnd::ModalScope scope;
        result = ResultOf(box.exec());
    }
    if (wasEnabled && IsWindow(hWnd))
        EnableWindow(hWnd, TRUE);
    if (IsWindow(hWnd)) {
        SetActiveWindow(hWnd);
        if (IsWindow(focus) && (focus == hWnd || ::IsChild(TopLevelOf(hWnd), focus)))
            ::SetFocus(focus);
    }
    return result;
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    const CWinApp* app = AfxGetApp();
    const char* caption = app != nullptr && app->m_pszAppName != nullptr ? app->m_pszAppName : "";
    return MessageBox(GetActiveWindow(), lpszText, caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    LoadStringResource(text, nIDPrompt);
    return AfxMessageBox(static_cast<LPCTSTR>(text), nType, nIDHelp);
}
