// CFileDialog on QFileDialog (Qt's own widgets, never the desktop's native dialog).
#include "platform/FileDialog.h"

#include "platform/WndInternal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cstdint>

namespace {

std::function<void()>& Driver()
{
    static std::function<void()> driver;
    return driver;
}

// The dialog DoModal is running, for the test hooks.
QPointer<QFileDialog>& Showing()
{
    static QPointer<QFileDialog> showing;
    return showing;
}

// "label|pattern|...||" into Qt's "label (patterns);;...".
QStringList NameFilters(const CString& filter)
{
    const QStringList parts = QString::fromLocal8Bit(static_cast<LPCTSTR>(filter)).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
    }
    return filters;
}

QWidget* WidgetOf(CWnd* wnd)
{
    const WindowRecord* rec = wnd != nullptr ? wnd::Find(wnd->m_hWnd) : nullptr;
    return rec != nullptr ? rec->widget : nullptr;
}

CString ToCString(const QString& text) { return CString(text.toLocal8Bit().constData()); }

// A key as the window system hands it over: to an open popup (the file name completer's
// list) before the field, which the popup passes it on to.
void SendKey(QWidget* field, int key, const QString& text)
{
    QWidget* popup = QApplication::activePopupWidget();
    QPointer<QWidget> target = popup != nullptr ? popup : field;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    if (target != nullptr) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &release);
    }
}

// How long a driven dialog may stay open after its driver returned: a step that did not
// take (a name typed before the folder was listed, under load) fails the test instead of
// leaving it waiting forever.
constexpr int kDrivenDialogLimitMs = 20000;

// The dialog lists folders from a thread of its own: lets it catch up until the folder
// shown has entries that stayed the same for a while (an empty folder waits the bound out).
void SettleFor(QFileDialog* dialog, int milliseconds)
{
    constexpr int kStableMs = 200;
    constexpr int kBoundMs = 5000;
    QListView* view = dialog != nullptr ? dialog->findChild<QListView*>("listView") : nullptr;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer stable;
    stable.start();
    int rows = -1;
    while (dialog != nullptr && clock.elapsed() < kBoundMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const int now = view != nullptr && view->model() != nullptr ? view->model()->rowCount(view->rootIndex()) : 0;
        if (now != rows) {
            rows = now;
            stable.restart();
        }
        if (clock.elapsed() >= milliseconds && rows > 0 && stable.elapsed() >= kStableMs)
            break;
    }
}

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(lpszDefExt != nullptr ? lpszDefExt : ""),
      m_strFileName(lpszFileName != nullptr ? lpszFileName : ""),
      m_strFilter(lpszFilter != nullptr ? lpszFilter : ""),
      m_pParentWnd(pParentWnd)
{
    m_ofn.Flags = dwFlags;
}

INT_PTR CFileDialog::DoModal()
{
    m_chosen.clear();
    m_bFolderChosen = FALSE;
    QFileDialog dialog(WidgetOf(m_pParentWnd));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(!m_ofn.lpstrTitle.IsEmpty() ? QString::fromLocal8Bit(static_cast<LPCTSTR>(m_ofn.lpstrTitle))
                                                      : QString(m_bOpenFileDialog ? "Open" : "Save As"));
    dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(!m_bOpenFileDialog                          ? QFileDialog::AnyFile
                       : (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0 ? QFileDialog::ExistingFiles
                                                                   : QFileDialog::ExistingFile);
    if (!m_strDefExt.IsEmpty())
        dialog.setDefaultSuffix(QString::fromLocal8Bit(static_cast<LPCTSTR>(m_strDefExt)));
    if (const QStringList filters = NameFilters(m_strFilter); !filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!m_ofn.lpstrInitialDir.IsEmpty())
        dialog.setDirectory(QString::fromLocal8Bit(static_cast<LPCTSTR>(m_ofn.lpstrInitialDir)));
    if (!m_strFileName.IsEmpty())
        dialog.selectFile(QString::fromLocal8Bit(static_cast<LPCTSTR>(m_strFileName)));
    if (m_bOpenFileDialog && m_bPickFolderToo) {
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* folder = buttons->addButton("Choose Folder", QDialogButtonBox::ActionRole);
            QObject::connect(folder, &QPushButton::clicked, &dialog, [this, &dialog] {
                m_bFolderChosen = TRUE;
                static_cast<QDialog&>(dialog).done(QDialog::Accepted);  // public there
            });
        }
    }
    Showing() = &dialog;
    if (Driver())
        QTimer::singleShot(0, &dialog, [&dialog] {
            if (Driver())
                Driver()();
            QTimer::singleShot(kDrivenDialogLimitMs, &dialog, &QDialog::reject);
        });
    const int result = dialog.exec();
    Showing() = nullptr;
    m_strFolder = ToCString(dialog.directory().absolutePath());
    if (result != QDialog::Accepted)
        return IDCANCEL;
    if (m_bFolderChosen) {
        m_chosen.push_back(m_strFolder);
    } else {
        for (const QString& file : dialog.selectedFiles())
            m_chosen.push_back(ToCString(file));
    }
    return m_chosen.empty() ? IDCANCEL : IDOK;
}

CString CFileDialog::GetPathName() const { return m_chosen.empty() ? CString() : m_chosen.front(); }

// A position is the index of the next path plus one; null past the last.
POSITION CFileDialog::GetStartPosition() const
{
    return m_chosen.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const
{
    const std::uintptr_t index = reinterpret_cast<std::uintptr_t>(pos) - 1;
    if (pos == nullptr || index >= m_chosen.size()) {
        pos = nullptr;
        return CString();
    }
    pos = index + 1 < m_chosen.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
    return m_chosen[index];
}

CString CFileDialog::GetFolderPath() const { return m_strFolder; }

void SetFileDialogDriverForTest(std::function<void()> driver) { Driver() = std::move(driver); }

BOOL TypeIntoFileDialogForTest(const char* text)
{
    QFileDialog* dialog = Showing();
    QLineEdit* edit = dialog != nullptr ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
    if (edit == nullptr)
        return FALSE;
    SettleFor(dialog, 0);  // the folder a previous Enter opened is listed before typing on
    edit->setFocus();
    edit->clear();
    for (const QChar c : QString::fromLocal8Bit(text))
        SendKey(edit, c.unicode() < 128 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown), QString(c));
    SettleFor(dialog, 300);
    SendKey(edit, Qt::Key_Return, "\r");
    return TRUE;
}

BOOL SelectInFileDialogForTest(const std::vector<std::string>& names)
{
    QFileDialog* dialog = Showing();
    QListView* view = dialog != nullptr ? dialog->findChild<QListView*>("listView") : nullptr;
    if (view == nullptr || view->model() == nullptr || view->selectionModel() == nullptr)
        return FALSE;
    SettleFor(dialog, 300);
    view->setFocus();  // the field then takes the names of the selection
    view->selectionModel()->clearSelection();
    const QAbstractItemModel& model = *view->model();
    for (const std::string& name : names) {
        bool found = false;
        for (int row = 0; row < model.rowCount(view->rootIndex()) && !found; ++row) {
            const QModelIndex index = model.index(row, 0, view->rootIndex());
            if (model.data(index).toString() == QString::fromLocal8Bit(name.c_str())) {
                view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
                found = true;
            }
        }
        if (!found)
            return FALSE;
    }
    return TRUE;
}

BOOL ClickFileDialogButtonForTest(const char* text)
{
    QFileDialog* dialog = Showing();
    if (dialog == nullptr)
        return FALSE;
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text().remove('&') == QString::fromLocal8Bit(text) && button->isEnabled()) {
            button->click();
            return TRUE;
        }
    }
    return FALSE;
}

CString GetFileDialogFolderForTest()
{
    QFileDialog* dialog = Showing();
    return dialog != nullptr ? ToCString(dialog->directory().absolutePath()) : CString();
}

BOOL SaveFileDialogImageForTest(const char* path)
{
    QFileDialog* dialog = Showing();
    SettleFor(dialog, 300);  // the folder's entries listed first
    return dialog != nullptr && dialog->grab().save(QString::fromLocal8Bit(path), "PNG") ? TRUE : FALSE;
}
