// The combo box control on QComboBox, with its edit field as a child window, and the
// static control wrapper. Keys typed into the edit field are queued as messages for the
// edit window first, so dialogs filter them like every other key; the field receives them
// when the message is dispatched to it.
#include "platform/ComboBox.h"

#include "platform/DC.h"
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"
#include "platform/WndQueue.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>

#include <cstring>
#include <map>

IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)

namespace {

bool g_passingKey = false;  // a queued key is being handed to the edit field

// Qt key events waiting in the queue as messages, by the serial in their lParam.
struct EditState : ControlState {
    std::map<BYTE, std::unique_ptr<QKeyEvent>> pending;
    BYTE nextSerial = 1;
};

// Up, Down, Page Up and Page Down (without Alt) step a combo box's choice or its line
// edit's completion. Arrow keys belong to the dialog's view, which receives every key
// first; typed into the step box they must not also change the step behind the user's back.
bool StepsTheChoice(const QKeyEvent& key)
{
    if ((key.modifiers() & Qt::AltModifier) != 0)
        return false;
    const int k = key.key();
    return k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp || k == Qt::Key_PageDown;
}

// Installed on the line edit and on the combo box: the combo box is the line edit's focus
// proxy, so Qt hands it the keys typed into the field and it passes them to the line edit
// directly, past any filter there.
class EditKeyFilter : public QObject {
public:
    EditKeyFilter(HWND edit, QObject* parent) : QObject(parent), m_edit(edit) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        if (g_passingKey)  // a key the line edit left unused, on its way up to the combo box
            return StepsTheChoice(*static_cast<QKeyEvent*>(event));
        WindowRecord* rec = wnd::Find(m_edit);
        if (rec == nullptr)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto& state = static_cast<EditState&>(*rec->control);
        const BYTE serial = state.nextSerial;
        state.nextSerial = static_cast<BYTE>(serial == 255 ? 1 : serial + 1);
        state.pending[serial] = std::unique_ptr<QKeyEvent>(key->clone());
        if (GetFocus() != m_edit)
            SetFocus(m_edit);
        wndinput::PostKeyTo(m_edit, event->type() == QEvent::KeyPress, wndinput::VirtualKeyFromQt(key->key()),
                            key->modifiers(), key->isAutoRepeat(), serial);
        return true;
    }

private:
    HWND m_edit;
};

// The wheel over a combo box is queued like any wheel message (for the focus window), so
// that dialogs filter it; a combo box with the focus then steps its selection.
class WheelFilter : public QObject {
public:
    WheelFilter(HWND combo, QObject* parent) : QObject(parent), m_combo(combo) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || wnd::Find(m_combo) == nullptr)
            return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPointF p = wheel->globalPosition();
        wndinput::DeliverMouse(m_combo, QEvent::Wheel, CPoint(static_cast<int>(p.x()), static_cast<int>(p.y())), Qt::NoButton,
                               wheel->buttons(), wheel->modifiers(), wheel->angleDelta().y());
        return true;
    }

private:
    HWND m_combo;
};

QLineEdit* LineEditOf(const WindowRecord& rec) { return qobject_cast<QLineEdit*>(rec.native.data()); }
QComboBox* ComboOf(const WindowRecord& rec) { return qobject_cast<QComboBox*>(rec.native.data()); }

LRESULT EditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* rec = wnd::Find(hWnd);
    QLineEdit* edit = rec != nullptr ? LineEditOf(*rec) : nullptr;
    if (edit == nullptr)
        return DefWindowProc(hWnd, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
        // The key reaches the edit field only now, after the filters had their turn.
        auto& state = static_cast<EditState&>(*rec->control);
        auto it = state.pending.find(static_cast<BYTE>((lParam >> 16) & 0xFF));
        if (it == state.pending.end())
            return 0;
        std::unique_ptr<QKeyEvent> key = std::move(it->second);
        state.pending.erase(it);
        if (StepsTheChoice(*key))
            return 0;
        g_passingKey = true;
        QCoreApplication::sendEvent(edit, key.get());
        g_passingKey = false;
        return 0;
    }
    case WM_SETTEXT: edit->setText(QString::fromLatin1(reinterpret_cast<LPCTSTR>(lParam))); return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: rec->text = edit->text().toLatin1().toStdString(); break;
    default: break;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

void NotifyParent(HWND combo, int code)
{
    if (WindowRecord* rec = wnd::Find(combo))
        SendMessage(rec->parent, WM_COMMAND, static_cast<WPARAM>(rec->id) | (static_cast<WPARAM>(code) << 16),
                    reinterpret_cast<LPARAM>(combo));
}

void CreateCombo(WindowRecord& rec)
{
    auto* combo = new QComboBox(rec.widget);  // owned by the window's widget
    rec.controlScrollBars = true;
    const bool editable = (rec.style & 0x3) == CBS_DROPDOWN || (rec.style & 0x3) == CBS_SIMPLE;
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    combo->setMaxVisibleItems(12);
    rec.native = combo;
    combo->show();
    const HWND hwnd = rec.hwnd;
    QObject::connect(combo, &QComboBox::activated, [hwnd](int) { NotifyParent(hwnd, CBN_SELCHANGE); });
    combo->installEventFilter(new WheelFilter(hwnd, combo));  // owned by the combo box
    if (!editable)
        return;
    HWND edit = CreateWindowInternal(nullptr, 0, "Edit", "", WS_CHILD, 0, 0, 0, 0, hwnd, IDC_COMBO_EDIT, nullptr);
    WindowRecord* editRec = wnd::Find(edit);
    if (editRec == nullptr)
        return;
    delete editRec->widget.data();  // the Qt line edit shows the field
    editRec->native = combo->lineEdit();
    editRec->control = std::make_unique<EditState>();
    combo->lineEdit()->installEventFilter(new EditKeyFilter(edit, combo->lineEdit()));  // owned by the line edit
    combo->installEventFilter(new EditKeyFilter(edit, combo));                        // owned by the combo box
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, [hwnd](const QString&) { NotifyParent(hwnd, CBN_EDITCHANGE); });
}

LRESULT ComboMessage(QComboBox& combo, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int count = combo.count();
    const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (message) {
    case CB_ADDSTRING: combo.addItem(QString::fromLatin1(reinterpret_cast<LPCTSTR>(lParam))); return count;
    case CB_INSERTSTRING: {
        const int at = index < 0 || index > count ? count : index;
        combo.insertItem(at, QString::fromLatin1(reinterpret_cast<LPCTSTR>(lParam)));
        return at;
    }
    case CB_DELETESTRING:
        if (index < 0 || index >= count)
            return CB_ERR;
        combo.removeItem(index);
        return count - 1;
    case CB_RESETCONTENT: combo.clear(); return 0;
    case CB_GETCOUNT: return count;
    case CB_GETCURSEL: return combo.currentIndex();
    case CB_SETCURSEL:
        if (index < 0 || index >= count) {
            combo.setCurrentIndex(-1);
            return CB_ERR;
        }
        combo.setCurrentIndex(index);
        return index;
    case CB_GETLBTEXTLEN: return index < 0 || index >= count ? CB_ERR : combo.itemText(index).size();
    case CB_GETLBTEXT: {
        if (index < 0 || index >= count || lParam == 0)
            return CB_ERR;
        const QByteArray text = combo.itemText(index).toLatin1();
        std::memcpy(reinterpret_cast<char*>(lParam), text.constData(), static_cast<std::size_t>(text.size()) + 1);
        return text.size();
    }
    case CB_FINDSTRINGEXACT: {
        const QString wanted = QString::fromLatin1(reinterpret_cast<LPCTSTR>(lParam));
        for (int i = 0; i < count; ++i) {
            const int at = (index + 1 + i) % count;
            if (combo.itemText(at).compare(wanted, Qt::CaseInsensitive) == 0)
                return at;
        }
        return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            combo.showPopup();
        else
            combo.hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE: return combo.view() != nullptr && combo.view()->isVisible();
    case CB_LIMITTEXT:
        if (combo.lineEdit() != nullptr)
            combo.lineEdit()->setMaxLength(wParam == 0 ? 32767 : static_cast<int>(wParam));
        return TRUE;
    default: return CB_ERR;
    }
}

LRESULT ComboProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* rec = wnd::Find(hWnd);
    QComboBox* combo = rec != nullptr ? ComboOf(*rec) : nullptr;
    if (combo == nullptr)
        return DefWindowProc(hWnd, message, wParam, lParam);
    if (message >= CB_LIMITTEXT && message <= CB_FINDSTRINGEXACT)
        return ComboMessage(*combo, message, wParam, lParam);
    switch (message) {
    case WM_SETTEXT:
        if (combo->lineEdit() != nullptr)
            combo->lineEdit()->setText(QString::fromLatin1(reinterpret_cast<LPCTSTR>(lParam)));
        return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        rec->text = combo->currentText().toLatin1().toStdString();
        break;
    case WM_SETFONT: {
        LOGFONT lf{};
        if (GetObject(reinterpret_cast<HGDIOBJ>(wParam), sizeof(lf), &lf) != 0) {
            QFont font(QString::fromLatin1(lf.lfFaceName));
            font.setPixelSize(std::max(1, static_cast<int>(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight)));
            font.setBold(lf.lfWeight >= FW_BOLD);
            combo->setFont(font);
        }
        break;
    }
    case WM_ENABLE: combo->setEnabled(wParam != 0); break;
    case WM_MOUSEWHEEL:
        if (GetFocus() == hWnd || IsChild(hWnd, GetFocus())) {
            const int step = static_cast<short>(HIWORD(wParam)) > 0 ? -1 : 1;
            const int next = std::clamp(combo->currentIndex() + step, 0, combo->count() - 1);
            if (combo->count() > 0 && next != combo->currentIndex()) {
                combo->setCurrentIndex(next);
                NotifyParent(hWnd, CBN_SELCHANGE);
            }
            return 0;
        }
        break;
    default: break;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

const bool g_registered = [] {
    wnd::RegisterClass("COMBOBOX", wnd::WindowClass{ComboProc, COLOR_WINDOW, CreateCombo});
    wnd::RegisterClass("Edit", wnd::WindowClass{EditProc, COLOR_WINDOW, nullptr});
    return true;
}();

}  // namespace

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CComboBox::AddString(LPCTSTR lpszString) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString))); }
int CComboBox::InsertString(int nIndex, LPCTSTR lpszString)
{
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex)); }
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }
int CComboBox::GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const
{
    return static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}
void CComboBox::GetLBText(int nIndex, CString& rString) const
{
    const int length = GetLBTextLen(nIndex);
    if (length < 0) {
        rString = "";
        return;
    }
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    GetLBText(nIndex, buffer.data());
    rString = buffer.c_str();
}
int CComboBox::GetLBTextLen(int nIndex) const { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex))); }
int CComboBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const
{
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), reinterpret_cast<LPARAM>(lpszFind)));
}
void CComboBox::ShowDropDown(BOOL bShowIt) { SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(bShowIt)); }
BOOL CComboBox::GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
BOOL CComboBox::LimitText(int nMaxChars) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars))); }

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}
