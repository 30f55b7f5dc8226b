// Dialog initialisation: icon, view check, loading the sources, the bottom line, and the
// placement (stored position, centring on the host).
#include "dialog/CDlgStitchDicom.h"

#include "caption/Caption.h"
#include "config/CDisplayConfig.h"
#include "platform/Resources.h"
#include "platform/SystemMetrics.h"
#include "resources/ResourceIds.h"
#include "workspace/CViewStitchDicom.h"

BOOL CDlgStitchDicom::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bPlaced = FALSE;
    SetDialogIcon();
    const bool bViewValid = m_pView != nullptr && IsWindow(m_pView->m_hWnd);
    if (!bViewValid) {
        // The posted cancel ends the run as soon as the modal loop starts.
        m_strError = "The image display view is not valid";
        PostMessage(WM_COMMAND, IDCANCEL, 0);
    }
    if (bViewValid && !LoadSources()) {
        m_strError = "Fail to load dicom files";
        PostMessage(WM_COMMAND, IDCANCEL, 0);
        return FALSE;
    }
    PlaceBottomLine();
    WidenToToolBar();
    LoadPosition();
    CenterOnHost();
    m_bPlaced = TRUE;
    return TRUE;
}

// The small icon 208 goes to the caption painter in custom colour mode, else to the window.
void CDlgStitchDicom::SetDialogIcon()
{
    auto hIcon = static_cast<HICON>(LoadImage(AfxGetInstanceHandle(), MAKEINTRESOURCE(IDI_STITCH), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_DEFAULTCOLOR));
    if (hIcon == nullptr)
        return;
    if (CDisplayConfig::m_bCustomColorMode) {
        if (m_pCaption != nullptr)
            m_pCaption->SetIcon(hIcon);
        return;
    }
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
}

// Files win over bitmaps; with neither the workspace stays empty.
BOOL CDlgStitchDicom::LoadSources()
{
    if (m_arrFiles.GetSize() > 0)
        return m_pView->LoadFiles(m_arrFiles);
    if (m_bitmapList.GetItemsCount() > 0)
        return m_pView->LoadBitmaps(m_strRefPath, m_bitmapList, m_arrWindowLevel);
    return TRUE;
}

void CDlgStitchDicom::PlaceBottomLine()
{
    CWnd* pLine = GetDlgItem(IDC_BOTTOM_LINE);
    if (pLine == nullptr)
        return;
    CRect client;
    GetClientRect(&client);
    pLine->MoveWindow(0, client.Height() - 2, client.Width(), 2, TRUE);
    pLine->ShowWindow(SW_SHOW);
}
