// The Qt widget behind each window: it shows the window's surface and turns Qt input,
// geometry and palette events into messages.
#include "platform/SurfaceAccess.h"
#include "platform/WndInternal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

namespace {
CPoint GlobalPoint(const QSinglePointEvent* event)
{
    const QPointF p = event->globalPosition();
    return CPoint(static_cast<int>(p.x()), static_cast<int>(p.y()));
}

void PalettePropagated(HWND)
{
    // A theme or palette change reaches every top-level window once as a colour change,
    // however many widgets report it.
    static bool pending = false;
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, [] {
        pending = false;
        NotifySysColorChange();
    });
}
// True when the newly active Qt window is an enabled window of the layer, which makes
// itself the active window when it receives its own activation change.
bool WillFollowActivation(QWidget* active)
{
    const auto* widget = dynamic_cast<const WndWidget*>(active);
    return widget != nullptr && widget->Handle() != nullptr && IsWindowEnabled(widget->Handle());
}
}  // namespace

WndWidget::WndWidget(HWND hwnd, QWidget* parent, bool topLevel)
    : QWidget(parent, topLevel ? (Qt::Window | Qt::FramelessWindowHint) : Qt::Widget),
      m_hwnd(hwnd),
      m_bTopLevel(topLevel)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void WndWidget::paintEvent(QPaintEvent* event)
{
    const WindowRecord* rec = wnd::Find(m_hwnd);
    if (rec == nullptr || rec->surface == nullptr)
        return;
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, SurfaceImage(*rec->surface), area);
}

void WndWidget::mousePressEvent(QMouseEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverMouse(m_hwnd, QEvent::MouseButtonPress, GlobalPoint(event), event->button(),
                               event->buttons(), event->modifiers(), 0);
}

void WndWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverMouse(m_hwnd, QEvent::MouseButtonRelease, GlobalPoint(event), event->button(),
                               event->buttons(), event->modifiers(), 0);
}

void WndWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverMouse(m_hwnd, QEvent::MouseButtonDblClick, GlobalPoint(event), event->button(),
                               event->buttons(), event->modifiers(), 0);
}

void WndWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverMouse(m_hwnd, QEvent::MouseMove, GlobalPoint(event), Qt::NoButton,
                               event->buttons(), event->modifiers(), 0);
}

void WndWidget::wheelEvent(QWheelEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverMouse(m_hwnd, QEvent::Wheel, GlobalPoint(event), Qt::NoButton, event->buttons(),
                               event->modifiers(), event->angleDelta().y());
}

bool WndWidget::event(QEvent* event)
{
    // Tab and Shift+Tab are keys like any other: Qt would move its own focus with them
    // before keyPressEvent saw them, and neither the dialog's filter nor the view would.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return QWidget::event(event);
}

void WndWidget::keyPressEvent(QKeyEvent* event)
{
    if (m_hwnd != nullptr)
        wndinput::DeliverKey(m_hwnd, true, wndinput::VirtualKeyFromQt(event->key()), event->modifiers(),
                             event->isAutoRepeat(), event->text().isEmpty() ? '\0' : event->text().at(0).toLatin1());
}

void WndWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (m_hwnd != nullptr && !event->isAutoRepeat())
        wndinput::DeliverKey(m_hwnd, false, wndinput::VirtualKeyFromQt(event->key()), event->modifiers(), false);
}

void WndWidget::resizeEvent(QResizeEvent*)
{
    // Sizes come from the layer itself (SetWindowPos); a window manager that resizes a
    // top-level window is followed through the same path.
    WindowRecord* rec = wnd::Find(m_hwnd);
    if (rec == nullptr || !m_bTopLevel)
        return;
    if (width() != rec->rcWindow.Width() || height() != rec->rcWindow.Height())
        SetWindowPos(m_hwnd, nullptr, 0, 0, width(), height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WndWidget::moveEvent(QMoveEvent*)
{
    WindowRecord* rec = wnd::Find(m_hwnd);
    if (rec == nullptr || !m_bTopLevel || !isVisible())
        return;
    if (x() != rec->rcWindow.left || y() != rec->rcWindow.top)
        SetWindowPos(m_hwnd, nullptr, x(), y(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WndWidget::changeEvent(QEvent* event)
{
    if (m_hwnd == nullptr || !m_bTopLevel)
        return;
    if (event->type() == QEvent::ActivationChange) {
        // The window manager activated this window: follow it, unless the window is
        // disabled (an owner under a modal dialog), which the system never activates.
        static bool following = false;
        if (!following && isActiveWindow() && GetActiveWindow() != m_hwnd && IsWindowEnabled(m_hwnd)) {
            following = true;
            SetActiveWindow(m_hwnd);
            following = false;
        } else if (!isActiveWindow() && GetActiveWindow() == m_hwnd && !WillFollowActivation(QApplication::activeWindow())) {
            // Lost to a window outside the layer (a message box, another program): the
            // window shows itself inactive. A window of the layer taking over activates
            // itself, which deactivates this one.
            wnd::DeactivateActiveWindow();
        }
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange) {
        PalettePropagated(m_hwnd);
    } else if (event->type() == QEvent::WindowTitleChange) {
        const WindowRecord* rec = wnd::Find(m_hwnd);
        const QByteArray title = windowTitle().toLatin1();
        if (rec != nullptr && rec->text != title.toStdString())
            SetWindowText(m_hwnd, title.constData());
    }
}

void WndWidget::closeEvent(QCloseEvent* event)
{
    // The window manager's close button: the window decides through WM_SYSCOMMAND.
    event->ignore();
    if (m_hwnd != nullptr)
        PostMessage(m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void WndWidget::focusInEvent(QFocusEvent*)
{
    if (m_hwnd != nullptr && GetFocus() != m_hwnd)
        SetFocus(m_hwnd);
}

BOOL SaveWindowImageForTest(HWND hWnd, const char* path)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || rec->widget == nullptr)
        return FALSE;
    return rec->widget->grab().save(QString::fromLocal8Bit(path), "PNG");
}

void NotifySysColorChange()
{
    // The frames are painted again through the window procedure, so hooks see it.
    for (HWND hwnd : wnd::TopLevelWindows()) {
        SendMessage(hwnd, WM_SYSCOLORCHANGE, 0, 0);
        if (WindowRecord* rec = wnd::Find(hwnd)) {
            wnd::InvalidateFrame(*rec);
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
    }
}
