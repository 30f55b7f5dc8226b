// Menus and popup tracking on QMenu.
#include "platform/Menu.h"

#include "platform/CmdUI.h"
#include "platform/Resources.h"
#include "platform/WndInternal.h"

#include <QMenu>

#include <map>
#include <memory>

namespace {

struct MenuData;

struct MenuItem {
    std::string text;
    UINT id = 0;
    UINT flags = 0;  // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
    std::unique_ptr<MenuData> popup;
};

struct MenuData {
    std::vector<MenuItem> items;
    std::unique_ptr<CMenu> wrapper;  // the object FromHandle hands out for this menu
};

// Menus alive: the top menus own their popups.
std::map<HMENU, std::unique_ptr<MenuData>>& TopMenus()
{
    static std::map<HMENU, std::unique_ptr<MenuData>> menus;
    return menus;
}

std::function<UINT(const std::vector<PopupMenuItem>&)>& Hook()
{
    static std::function<UINT(const std::vector<PopupMenuItem>&)> hook;
    return hook;
}

MenuData* Data(HMENU hMenu) { return reinterpret_cast<MenuData*>(hMenu); }
HMENU Handle(MenuData* data) { return reinterpret_cast<HMENU>(data); }

std::unique_ptr<MenuData> Build(const std::vector<MenuItemTemplate>& items)
{
    auto data = std::make_unique<MenuData>();
    for (const MenuItemTemplate& t : items) {
        MenuItem item{t.text, t.id, t.flags, nullptr};
        if (!t.popup.empty() || (t.flags & MF_POPUP))
            item.popup = Build(t.popup);
        data->items.push_back(std::move(item));
    }
    return data;
}

MenuItem* FindItem(HMENU hMenu, UINT nID, UINT nFlags)
{
    MenuData* data = Data(hMenu);
    if (data == nullptr)
        return nullptr;
    if (nFlags & MF_BYPOSITION)
        return nID < data->items.size() ? &data->items[nID] : nullptr;
    for (MenuItem& item : data->items) {
        if (!item.popup && !(item.flags & MF_SEPARATOR) && item.id == nID)
            return &item;
        if (item.popup)
            if (MenuItem* inner = FindItem(Handle(item.popup.get()), nID, nFlags))
                return inner;
    }
    return nullptr;
}

// A menu item's update: Enable and SetCheck change the item.
class CMenuCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck) override { m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED)); }
};

std::vector<PopupMenuItem> Describe(const MenuData& data)
{
    std::vector<PopupMenuItem> items;
    for (const MenuItem& item : data.items)
        items.push_back(PopupMenuItem{item.id, item.text, (item.flags & (MF_GRAYED | MF_DISABLED)) == 0,
                                      (item.flags & MF_CHECKED) != 0, (item.flags & MF_SEPARATOR) != 0});
    return items;
}

UINT RunQtMenu(const MenuData& data, int x, int y)
{
    QMenu menu;
    for (const MenuItem& item : data.items) {
        if (item.flags & MF_SEPARATOR) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromLatin1(item.text.c_str()).replace('&', "&&"));
        action->setData(item.id);
        action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
        action->setCheckable((item.flags & MF_CHECKED) != 0);
        action->setChecked((item.flags & MF_CHECKED) != 0);
    }
    const wnd::ModalScope scope;
    QAction* chosen = menu.exec(QPoint(x, y));
    return chosen != nullptr ? chosen->data().toUInt() : 0;
}

}  // namespace

void SetPopupMenuHookForTest(std::function<UINT(const std::vector<PopupMenuItem>&)> hook) { Hook() = std::move(hook); }

CMenu::~CMenu()
{
    if (m_hMenu != nullptr && TopMenus().count(m_hMenu) != 0)
        DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    const std::vector<MenuItemTemplate>* tmpl = FindMenuTemplate(nIDResource);
    if (tmpl == nullptr || m_hMenu != nullptr)
        return FALSE;
    std::unique_ptr<MenuData> data = Build(*tmpl);
    m_hMenu = Handle(data.get());
    TopMenus()[m_hMenu] = std::move(data);
    return TRUE;
}

BOOL CMenu::CreatePopupMenu()
{
    if (m_hMenu != nullptr)
        return FALSE;
    auto data = std::make_unique<MenuData>();
    m_hMenu = Handle(data.get());
    TopMenus()[m_hMenu] = std::move(data);
    return TRUE;
}

BOOL CMenu::DestroyMenu()
{
    const HMENU hMenu = m_hMenu;
    m_hMenu = nullptr;
    auto it = TopMenus().find(hMenu);
    if (it == TopMenus().end())
        return FALSE;
    // Out of the table before it is freed: the object FromHandle made for this menu holds
    // the same handle, and its destructor must find the menu gone rather than destroy it
    // a second time from inside the erase.
    const std::unique_ptr<MenuData> data = std::move(it->second);
    TopMenus().erase(it);
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    MenuData* data = Data(m_hMenu);
    if (data == nullptr)
        return FALSE;
    data->items.push_back(MenuItem{lpszNewItem != nullptr ? lpszNewItem : "", static_cast<UINT>(nIDNewItem), nFlags, nullptr});
    return TRUE;
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    MenuData* data = Data(hMenu);
    if (data == nullptr)
        return nullptr;
    if (data->wrapper == nullptr) {
        data->wrapper = std::make_unique<CMenu>();
        data->wrapper->m_hMenu = hMenu;
    }
    return data->wrapper.get();
}

CMenu* CMenu::GetSubMenu(int nPos) const
{
    MenuData* data = Data(m_hMenu);
    if (data == nullptr || nPos < 0 || static_cast<std::size_t>(nPos) >= data->items.size() || !data->items[static_cast<std::size_t>(nPos)].popup)
        return nullptr;
    return FromHandle(Handle(data->items[static_cast<std::size_t>(nPos)].popup.get()));
}

UINT CMenu::GetMenuItemCount() const
{
    const MenuData* data = Data(m_hMenu);
    return data != nullptr ? static_cast<UINT>(data->items.size()) : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    MenuItem* item = FindItem(m_hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (item == nullptr)
        return 0;
    return item->popup ? static_cast<UINT>(-1) : item->id;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    MenuItem* item = FindItem(m_hMenu, nIDItem, nFlags);
    rString = item != nullptr ? item->text.c_str() : "";
    return item != nullptr ? static_cast<int>(item->text.size()) : 0;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    MenuItem* item = FindItem(m_hMenu, nIDEnableItem, nEnable);
    if (item == nullptr)
        return static_cast<UINT>(-1);
    const UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    MenuItem* item = FindItem(m_hMenu, nIDCheckItem, nCheck);
    if (item == nullptr)
        return static_cast<UINT>(-1);
    const UINT previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
    return previous;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    MenuItem* item = FindItem(m_hMenu, nID, nFlags);
    return item != nullptr ? (item->flags & ~MF_POPUP) : static_cast<UINT>(-1);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT)
{
    MenuData* data = Data(m_hMenu);
    if (data == nullptr || pWnd == nullptr || !IsWindow(pWnd->m_hWnd))
        return FALSE;
    const HWND owner = pWnd->m_hWnd;
    ::SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_hMenu), MAKELPARAM(0, FALSE));
    if (Data(m_hMenu) != data || !IsWindow(owner))
        return FALSE;
    UINT chosen = Hook() ? Hook()(Describe(*data)) : RunQtMenu(*data, x, y);
    if (chosen != 0) {
        MenuItem* item = FindItem(m_hMenu, chosen, MF_BYCOMMAND);
        if (item == nullptr || (item->flags & (MF_GRAYED | MF_DISABLED)))
            chosen = 0;
    }
    if (nFlags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen != 0 && IsWindow(owner))
        ::PostMessage(owner, WM_COMMAND, chosen, 0);
    return chosen != 0;
}

// The default processing of WM_INITMENUPOPUP: every command item of the popup takes its
// state from this window's command-state handlers.
void CWnd::OnInitMenuPopup(HMENU hPopupMenu, UINT, BOOL bSysMenu)
{
    CMenu* pMenu = CMenu::FromHandle(hPopupMenu);
    if (pMenu != nullptr && !bSysMenu) {
        const UINT count = pMenu->GetMenuItemCount();
        for (UINT i = 0; i < count; ++i) {
            const UINT id = pMenu->GetMenuItemID(static_cast<int>(i));
            if (id == 0 || id == static_cast<UINT>(-1))
                continue;
            CMenuCmdUI state;
            state.m_pMenu = pMenu;
            state.m_nID = id;
            state.m_nIndex = i;
            state.m_nIndexMax = count;
            state.DoUpdate(this, FALSE);
        }
    }
    Default();
}
