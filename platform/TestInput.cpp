// Test support through Qt itself: key events to Qt's focus widget, the modal window Qt
// shows over the layer's windows (a message box), a window outside the layer, the screen.
#include "platform/WndInternal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace {

QString CharacterOf(int vk, WPARAM modifiers)
{
    if ((vk >= '0' && vk <= '9') || vk == VK_SPACE)
        return QString(QChar(vk));
    if (vk >= 'A' && vk <= 'Z')
        return QString(QChar((modifiers & MK_SHIFT) ? vk : vk + 32));
    if (vk == VK_RETURN)
        return QStringLiteral("\r");
    if (vk == VK_ESCAPE)
        return QString(QChar(0x1B));
    return QString();
}

Qt::KeyboardModifiers ModifiersOf(WPARAM modifiers)
{
    Qt::KeyboardModifiers mods;
    if (modifiers & MK_SHIFT)
        mods |= Qt::ShiftModifier;
    if (modifiers & MK_CONTROL)
        mods |= Qt::ControlModifier;
    if (modifiers & MK_ALT)
        mods |= Qt::AltModifier;
    return mods;
}

std::unique_ptr<QWidget>& ForeignWindow()
{
    static std::unique_ptr<QWidget> window;
    return window;
}

}  // namespace

BOOL SendQtKeyForTest(int nVirtKey, WPARAM modifiers)
{
    // Qt hands keys to an open popup (a menu) before the focus widget.
    QWidget* target = QApplication::activePopupWidget() != nullptr ? QApplication::activePopupWidget()
                                                                   : QApplication::focusWidget();
    if (target == nullptr)
        return FALSE;
    const Qt::KeyboardModifiers mods = ModifiersOf(modifiers);
    int qtKey = wndinput::QtKeyFromVirtualKey(nVirtKey);
    if (qtKey == Qt::Key_Tab && (mods & Qt::ShiftModifier))
        qtKey = Qt::Key_Backtab;  // as Qt reports Shift+Tab
    const QString text = CharacterOf(nVirtKey, modifiers);
    QPointer<QWidget> receiver = target;
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QCoreApplication::sendEvent(receiver, &press);
    if (receiver != nullptr) {
        QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
        QCoreApplication::sendEvent(receiver, &release);
    }
    return TRUE;
}

HWND GetQtFocusWindowForTest()
{
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget())
        if (auto* ww = dynamic_cast<WndWidget*>(w); ww != nullptr && ww->Handle() != nullptr) {
            if (const WindowRecord* rec = wnd::Find(ww->Handle()))
                for (HWND child : rec->children)
                    if (const WindowRecord* c = wnd::Find(child);
                        c != nullptr && c->native != nullptr && (c->native == focus || c->native->focusProxy() == focus))
                        return child;
            return ww->Handle();
        }
    return nullptr;
}

ModalWindowState GetModalWindowForTest()
{
    ModalWindowState state;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return state;
    state.bShown = TRUE;
    state.bEnabled = modal->isEnabled();
    QWidget* focus = QApplication::focusWidget();
    state.bHasFocus = focus != nullptr && focus->window() == modal;
    state.strTitle = modal->windowTitle().toStdString();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        state.strText = box->text().toStdString();
    return state;
}

BOOL ClickModalButtonForTest(const char* pszText)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || pszText == nullptr)
        return FALSE;
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().remove(QLatin1Char('&')) != QString::fromLatin1(pszText))
            continue;
        const QPointF centre(button->width() / 2.0, button->height() / 2.0);
        const QPointF global = button->mapToGlobal(centre);
        QPointer<QAbstractButton> receiver = button;
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &press);
        if (receiver != nullptr) {
            QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(receiver, &release);
        }
        return TRUE;
    }
    return FALSE;
}

BOOL EndModalWindowForTest()
{
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr)
        return FALSE;
    dialog->reject();
    return TRUE;
}

void ShowForeignWindowForTest(BOOL bShow)
{
    std::unique_ptr<QWidget>& window = ForeignWindow();
    if (!bShow) {
        window.reset();
        return;
    }
    if (window == nullptr) {
        window = std::make_unique<QLabel>(QStringLiteral("another program"));
        window->setGeometry(5, 5, 160, 40);
    }
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
}

BOOL SaveScreenImageForTest(const char* path)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return FALSE;
    return screen->grabWindow(0).save(QString::fromLocal8Bit(path), "PNG");
}

std::string GetWindowSystemTitleForTest(HWND hWnd)
{
    const WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || rec->widget == nullptr)
        return std::string();
    return rec->widget->windowHandle() != nullptr ? rec->widget->windowHandle()->title().toStdString()
                                                  : rec->widget->windowTitle().toStdString();
}
