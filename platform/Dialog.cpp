// Dialogs: creation from templates, the modal loop with idle processing, dialog keys.
#include "platform/Dialog.h"

#include "platform/DC.h"
#include "platform/GdiObjects.h"
#include "platform/Resources.h"
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"
#include "platform/WndQueue.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

// The dialog class: closing a dialog means cancelling it.
LRESULT DialogDefProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        SendMessage(hWnd, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

const bool g_registered = [] {
    wnd::RegisterClass("#32770", wnd::WindowClass{DialogDefProc, COLOR_3DFACE, nullptr});
    return true;
}();

bool IsInDialog(HWND hDlg, HWND hWnd) { return hWnd == hDlg || IsChild(hDlg, hWnd); }

// Tab-stop controls of a dialog in creation order, descending into child windows.
void CollectTabStops(HWND hwnd, std::vector<HWND>& out)
{
    const WindowRecord* rec = wnd::Find(hwnd);
    if (rec == nullptr)
        return;
    for (HWND child : rec->children) {
        const WindowRecord* c = wnd::Find(child);
        if (c == nullptr || (c->style & WS_VISIBLE) == 0 || (c->style & WS_DISABLED) != 0)
            continue;
        if (c->style & WS_TABSTOP)
            out.push_back(child);
        else
            CollectTabStops(child, out);
    }
}

}  // namespace

CSize GetDialogBaseUnits(const char* fontName, int pointSize)
{
    CSurface scratch(1, 1);
    CDC dc(&scratch);
    CFont font;
    font.CreatePointFont(pointSize * 10, fontName);
    CFont* old = dc.SelectObject(&font);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const CSize extent = dc.GetTextExtent(kAlphabet, 52);
    TEXTMETRIC tm{};
    dc.GetTextMetrics(&tm);
    dc.SelectObject(old);
    return CSize((extent.cx / 26 + 1) / 2, tm.tmHeight);
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
    lpRect->left = MulDiv(lpRect->left, m_sizeBaseUnits.cx, 4);
    lpRect->right = MulDiv(lpRect->right, m_sizeBaseUnits.cx, 4);
    lpRect->top = MulDiv(lpRect->top, m_sizeBaseUnits.cy, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, m_sizeBaseUnits.cy, 8);
}

BOOL CDialog::CreateFromTemplate(const DialogTemplate& tmpl, CWnd* pParentWnd)
{
    m_pFont = std::make_unique<CFont>();
    m_pFont->CreatePointFont(tmpl.pointSize * 10, tmpl.fontName.c_str());
    m_sizeBaseUnits = GetDialogBaseUnits(tmpl.fontName.c_str(), tmpl.pointSize);

    CRect rc(0, 0, tmpl.cx, tmpl.cy);
    MapDialogRect(&rc);
    AdjustWindowRectEx(&rc, tmpl.style, FALSE, tmpl.exStyle);
    CRect anchor(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (pParentWnd != nullptr)
        pParentWnd->GetWindowRect(&anchor);
    CRect offset(tmpl.x, tmpl.y, 0, 0);
    MapDialogRect(&offset);
    int x = anchor.left + offset.left;
    int y = anchor.top + offset.top;
    if (tmpl.style & DS_CENTER) {
        x = (anchor.left + anchor.right) / 2 - rc.Width() / 2;
        y = (anchor.top + anchor.bottom) / 2 - rc.Height() / 2;
    }
    const DWORD style = tmpl.style & ~WS_VISIBLE;
    if (!CreateEx(tmpl.exStyle, "#32770", tmpl.title.c_str(), style, x, y, rc.Width(), rc.Height(),
                  pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, nullptr))
        return FALSE;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(*m_pFont)), FALSE);
    CreateControls(tmpl);
    if (!IsWindow(m_hWnd))
        return FALSE;
    if (SendMessage(WM_INITDIALOG, 0, 0) != 0 && IsWindow(m_hWnd)) {
        std::vector<HWND> stops;
        CollectTabStops(m_hWnd, stops);
        ::SetFocus(stops.empty() ? m_hWnd : stops.front());
    }
    if (IsWindow(m_hWnd) && (tmpl.style & WS_VISIBLE))
        ShowWindow(SW_SHOW);
    return IsWindow(m_hWnd);
}

void CDialog::CreateControls(const DialogTemplate& tmpl)
{
    for (const DialogItemTemplate& item : tmpl.items) {
        CRect rc(item.x, item.y, item.x + item.cx, item.y + item.cy);
        MapDialogRect(&rc);
        HWND hwnd = CreateWindowInternal(nullptr, item.exStyle, item.className.c_str(), item.text.c_str(),
                                         item.style | WS_CHILD, rc.left, rc.top, rc.Width(), rc.Height(), m_hWnd,
                                         item.id, nullptr);
        if (hwnd != nullptr)
            ::SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(*m_pFont)), FALSE);
    }
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    const DialogTemplate* tmpl = FindDialogTemplate(nIDTemplate);
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return tmpl != nullptr && CreateFromTemplate(*tmpl, pParentWnd);
}

INT_PTR CDialog::DoModal()
{
    const DialogTemplate* tmpl = FindDialogTemplate(m_nIDTemplate);
    if (tmpl == nullptr)
        return -1;
    // Without a parent the owner is the framework's default: the active window, if any.
    CWnd* pParent = m_pParentWnd != nullptr ? m_pParentWnd->GetTopLevelParent() : CWnd::GetActiveWindow();
    if (pParent != nullptr && m_pParentWnd == nullptr && !pParent->IsWindowVisible())
        pParent = nullptr;
    const bool disableParent = pParent != nullptr && pParent->IsWindowEnabled();
    if (disableParent)
        pParent->EnableWindow(FALSE);

    m_bContinueModal = true;
    m_nModalResult = -1;
    if (CreateFromTemplate(*tmpl, pParent)) {
        if (m_bContinueModal)
            ShowWindow(SW_SHOWNORMAL);
        if (m_bContinueModal)
            RunModalLoop();
    } else {
        m_nModalResult = -1;
    }
    if (disableParent && IsWindow(pParent->m_hWnd)) {
        pParent->EnableWindow(TRUE);
        pParent->SetActiveWindow();
    }
    if (m_hWnd != nullptr) {
        ShowWindow(SW_HIDE);
        DestroyWindow();
    }
    return m_nModalResult;
}

int CDialog::RunModalLoop()
{
    QEventLoop loop;
    m_pLoop = &loop;
    unsigned lastCount = wndqueue::DispatchCount();
    bool idle = true;
    bool idlePosted = false;
    long idleCount = 0;
    const HWND hwnd = m_hWnd;
    const wnd::ModalScope scope;
    const int depth = wnd::ModalDepth();
    auto sendIdle = [&, hwnd]() {
        idlePosted = false;
        if (!m_bContinueModal || !IsWindow(hwnd) || !idle || !wndqueue::IsEmpty() || wnd::ModalDepth() != depth)
            return;
        if (::SendMessage(hwnd, WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++) == 0)
            idle = false;
    };
    auto* dispatcher = QAbstractEventDispatcher::instance();
    const auto connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, [&]() {
        if (wndqueue::DispatchCount() != lastCount) {
            lastCount = wndqueue::DispatchCount();
            idle = true;
            idleCount = 0;
        }
        // A message box or menu running inside this loop has the idle turns, not the dialog.
        if (idle && !idlePosted && m_bContinueModal && wndqueue::IsEmpty() && wnd::ModalDepth() == depth) {
            idlePosted = true;
            QTimer::singleShot(0, &loop, sendIdle);
        }
    });
    wnd::ScheduleProcessing();
    if (m_bContinueModal)
        loop.exec();
    QObject::disconnect(connection);
    m_pLoop = nullptr;
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_pLoop != nullptr)
        static_cast<QEventLoop*>(m_pLoop)->exit(0);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_GETFONT && m_pFont != nullptr && wnd::Get(m_hWnd).font == nullptr) {
        *pResult = reinterpret_cast<LRESULT>(static_cast<HFONT>(*m_pFont));  // already during WM_CREATE
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    if (message == WM_KICKIDLE) {
        *pResult = OnKickIdle(wParam, lParam);
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

LRESULT CDialog::OnKickIdle(WPARAM, LPARAM) { return 0; }

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (nCode == CN_COMMAND && nID == IDOK) {
        OnOK();
        return TRUE;
    }
    if (nCode == CN_COMMAND && nID == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message != WM_KEYDOWN || !IsInDialog(m_hWnd, pMsg->hwnd))
        return FALSE;
    switch (pMsg->wParam) {
    case VK_ESCAPE: SendMessage(WM_COMMAND, IDCANCEL, 0); return TRUE;
    case VK_RETURN: SendMessage(WM_COMMAND, IDOK, 0); return TRUE;
    case VK_TAB: MoveFocus(GetKeyState(VK_SHIFT) >= 0); return TRUE;
    default: return FALSE;
    }
}

void CDialog::MoveFocus(bool bForward)
{
    std::vector<HWND> stops;
    CollectTabStops(m_hWnd, stops);
    if (stops.empty())
        return;
    const HWND focus = ::GetFocus();
    auto it = std::find_if(stops.begin(), stops.end(), [focus](HWND h) { return h == focus || ::IsChild(h, focus); });
    std::size_t index = 0;
    if (it != stops.end()) {
        const std::size_t current = static_cast<std::size_t>(it - stops.begin());
        index = bForward ? (current + 1) % stops.size() : (current + stops.size() - 1) % stops.size();
    }
    ::SetFocus(stops[index]);
}
