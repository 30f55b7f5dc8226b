// Enabled windows, the input a disabled window refuses, and the depth of modal loops.
//
// A disabled window takes no mouse or keyboard input, and neither do its child windows.
// A disabled top-level window is not a disabled Qt widget: Qt passes a widget's disabled
// state on to every window parented to it, so a message box owned by a disabled dialog
// would itself be disabled and its modal loop could never end. Instead, one application
// event filter drops the input aimed at a disabled top-level window, native controls
// included, while the windows it owns (message boxes, menus) stay usable, as on Windows.
#include "platform/WndInternal.h"

#include <QApplication>
#include <QEvent>

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu: return true;
    default: return false;
    }
}

class DisabledWindowInputFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!IsUserInput(event->type()) || !watched->isWidgetType())
            return false;
        const auto* top = dynamic_cast<const WndWidget*>(static_cast<QWidget*>(watched)->window());
        return top != nullptr && wnd::IsInputRefused(top->Handle());
    }
};

void InstallInputFilter()
{
    static bool installed = false;
    if (installed || qApp == nullptr)
        return;
    installed = true;
    qApp->installEventFilter(new DisabledWindowInputFilter(qApp));  // owned by the application
}

}  // namespace

namespace wnd {

namespace {
int g_modalDepth = 0;
}

int ModalDepth() { return g_modalDepth; }
ModalScope::ModalScope() { ++g_modalDepth; }
ModalScope::~ModalScope() { --g_modalDepth; }

bool IsInputRefused(HWND hwnd)
{
    for (const WindowRecord* rec = Find(hwnd); rec != nullptr; rec = IsTopLevel(*rec) ? nullptr : Find(rec->parent))
        if ((rec->style & WS_DISABLED) != 0)
            return true;
    return false;
}

}  // namespace wnd

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    InstallInputFilter();
    const BOOL wasDisabled = (rec->style & WS_DISABLED) != 0;
    if (bEnable)
        rec->style &= ~WS_DISABLED;
    else
        rec->style |= WS_DISABLED;
    // A child control greys itself; a top-level window keeps its look and its owned
    // windows, and only refuses input (see above).
    if (rec->widget != nullptr && !wnd::IsTopLevel(*rec))
        rec->widget->setEnabled(bEnable != FALSE);
    if (wasDisabled != !bEnable)
        SendMessage(hWnd, WM_ENABLE, bEnable, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    return rec != nullptr && (rec->style & WS_DISABLED) == 0;
}
