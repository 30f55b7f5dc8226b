// The "Stitch Images" dialog and the module's two entry calls. One StitchDicom call is one
// stitching run: it stores the sources and the output settings, runs the dialog modally
// and returns 1 unless the run was cancelled. The dialog carries a toolbar with the
// moving-step combo box, hosts the workspace view (which does the stitching work) and
// forwards the toolbar's commands to it.
#pragma once

#include "imaging/LBitmap.h"
#include "platform/Collections.h"
#include "platform/ComboBox.h"
#include "platform/Dialog.h"
#include "platform/ToolBar.h"
#include "workspace/MovingStepSource.h"

#include <memory>

class CCmdUI;
class CSingleLineCaption;
class CViewStitchDicom;

class CDlgStitchDicom : public CDialog, public CMovingStepSource {
    DECLARE_DYNAMIC(CDlgStitchDicom)
public:
    // Builds the dialog on template 9000; creates no window. A null parent leaves the
    // owner to the framework's default (the active window).
    explicit CDlgStitchDicom(CWnd* pParent = nullptr);
    ~CDlgStitchDicom() override;

    // File entry: stitches the DICOM files at the given paths into pszSavePath.
    // Returns 0 when the run was cancelled (Close, Esc, a failed initialisation), else 1.
    int StitchDicom(CStringArray& arrFiles, const char* pszSavePath, CString strInstanceUID,
                    CString strManufacturer, CString strModelName, int nInstanceNumber, CRect& rcHost);
    // Bitmap entry: decoded bitmaps with one window (x width, y centre) each; the data set
    // of pszRefPath is the template of the output.
    int StitchDicom(LBitmapList& bitmapList, CArray<CPoint, CPoint>& arrWindowLevel, const char* pszRefPath,
                    const char* pszSavePath, CString strInstanceUID, CString strManufacturer,
                    CString strModelName, int nInstanceNumber, CRect& rcHost);

    // Pixels per move or size step: the combo box's value (at least 1), doubled while
    // Ctrl is down. The view asks for it on arrow keys.
    int GetMovingPixelCount() override;
    // Restores the placement stored in the application profile ("DIALOG"/"POS").
    BOOL LoadPosition();

    // Command handlers.
    void OnAutoStitch();
    void OnAlign();
    void OnUndo();
    void OnRedo();
    void OnReset();
    void OnMoveUp();
    void OnMoveDown();
    void OnMoveLeft();
    void OnMoveRight();
    void OnSizeInc();
    void OnSizeDec();
    void OnCropImage();
    void OnRealSize();
    void OnSave();
    void OnCancel() override;
    void OnMoveUpSeq();
    void OnMoveDnSeq();
    // Command-state handlers.
    void OnUpdateAutoStitch(CCmdUI* pCmdUI);
    void OnUpdateAlign(CCmdUI* pCmdUI);
    void OnUpdateUndo(CCmdUI* pCmdUI);
    void OnUpdateRedo(CCmdUI* pCmdUI);
    void OnUpdateReset(CCmdUI* pCmdUI);
    void OnUpdateMoveUp(CCmdUI* pCmdUI);
    void OnUpdateMoveDown(CCmdUI* pCmdUI);
    void OnUpdateMoveLeft(CCmdUI* pCmdUI);
    void OnUpdateMoveRight(CCmdUI* pCmdUI);
    void OnUpdateSizeInc(CCmdUI* pCmdUI);
    void OnUpdateSizeDec(CCmdUI* pCmdUI);
    void OnUpdateCropImage(CCmdUI* pCmdUI);
    void OnUpdateRealSize(CCmdUI* pCmdUI);
    void OnUpdateSave(CCmdUI* pCmdUI);
    void OnUpdateCancel(CCmdUI* pCmdUI);
    void OnUpdateMoveUpSeq(CCmdUI* pCmdUI);
    void OnUpdateMoveDnSeq(CCmdUI* pCmdUI);

    BOOL OnInitDialog() override;
    // Enter does nothing: the dialog has no OK button, and ending with the OK result would
    // report a file as written that never was. Save ends the dialog through CDialog::OnOK.
    void OnOK() override;
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam) override;
    // Every key-down goes to the view first; Ctrl+1... pick a moving step; the wheel
    // always goes to the view.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    CString m_strError;          // text of the last failure (a refusal of the sources is also shown)
    CString m_strSavePath;       // where the stitched file is written
    CRect m_rcHost;              // screen rectangle to centre on; empty: no centring
    CToolBar m_wndToolBar;
    CViewStitchDicom* m_pView = nullptr;  // child window that deletes itself; not owned
    std::unique_ptr<CSingleLineCaption> m_pCaption;  // custom colour mode only
    CComboBox m_cbPixel;         // moving-step choices, over toolbar item 7
    CStringArray m_arrFiles;     // file entry sources
    LBitmapList m_bitmapList;    // bitmap entry sources
    CArray<CPoint, CPoint> m_arrWindowLevel;  // one (width, centre) per bitmap
    CString m_strRefPath;        // bitmap entry: template data set of the output
    BOOL m_bPlaced = FALSE;      // initialised and placed: its placement is worth storing

    // The dialog's top-left corner when centred on rcHost: each coordinate the host's
    // centre less half the size, divisions truncating toward zero.
    static CPoint CenteredOrigin(const CRect& rcHost, int nWidth, int nHeight);

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
    void OnDestroy() override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI) override;

private:
    int RunModal(CString strInstanceUID, CString strManufacturer, CString strModelName, int nInstanceNumber,
                 const CRect& rcHost);
    BOOL CreateToolBar();
    void CreatePixelCombo();
    void AttachCaption();
    void CreateView();
    void SetDialogIcon();
    BOOL LoadSources();
    void PlaceBottomLine();
    void WidenToToolBar();
    void CenterOnHost();
    void StorePosition();
    // True when the view exists and its selection designates one of its source images.
    BOOL HasSelectedImage() const;
    BOOL HandleKeyDown(const MSG& msg);
};
