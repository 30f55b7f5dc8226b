// The entry calls: one call is one stitching run with its own sources, save path and
// output settings, around a modal run of the dialog.
#include "dialog/CDlgStitchDicom.h"

#include "caption/Caption.h"
#include "config/CDisplayConfig.h"
#include "output/OutputSettings.h"
#include "platform/MessageBox.h"
#include "resources/ResourceIds.h"
#include "stitch/StitchGate.h"
#include "stitch/StitchMessages.h"

#include <string>
#include <vector>

IMPLEMENT_DYNAMIC(CDlgStitchDicom, CDialog)

CDlgStitchDicom::CDlgStitchDicom(CWnd* pParent) : CDialog(IDD_STITCH_DICOM, pParent) {}

CDlgStitchDicom::~CDlgStitchDicom()
{
    // The caption painter goes first, before the window members it may still refer to.
    m_pCaption.reset();
}

int CDlgStitchDicom::StitchDicom(CStringArray& arrFiles, const char* pszSavePath, CString strInstanceUID,
                                 CString strManufacturer, CString strModelName, int nInstanceNumber, CRect& rcHost)
{
    m_arrFiles.Copy(arrFiles);
    // A reference path left by an earlier bitmap run would make another study's data set
    // the template: the file entry's template is its first file.
    m_strRefPath.Empty();
    m_strSavePath = pszSavePath;
    // Files that may not become one image are refused before the dialog opens, with the
    // same line tessor stitch prints.
    std::vector<std::string> paths;
    for (INT_PTR i = 0; i < m_arrFiles.GetSize(); ++i)
        paths.push_back(m_arrFiles[i].str());
    const CStitchGateResult gate = stitchgate::CheckFiles(paths);
    if (!gate.Ok() && gate.failure != EGateFailure::Unreadable) {
        m_strError = stitchtext::GateFailureReason(gate, paths).c_str();
        AfxMessageBox(m_strError, MB_OK | MB_ICONSTOP);
        return 0;
    }
    return RunModal(strInstanceUID, strManufacturer, strModelName, nInstanceNumber, rcHost);
}

int CDlgStitchDicom::StitchDicom(LBitmapList& bitmapList, CArray<CPoint, CPoint>& arrWindowLevel,
                                 const char* pszRefPath, const char* pszSavePath, CString strInstanceUID,
                                 CString strManufacturer, CString strModelName, int nInstanceNumber, CRect& rcHost)
{
    // Files left by an earlier file run would win over these bitmaps.
    m_arrFiles.RemoveAll();
    m_bitmapList.CopyItems(bitmapList, 0, static_cast<ULONG>(-1));
    m_arrWindowLevel.SetSize(arrWindowLevel.GetSize());
    for (INT_PTR i = 0; i < arrWindowLevel.GetSize(); ++i)
        m_arrWindowLevel[i] = arrWindowLevel[i];
    m_strRefPath = pszRefPath;
    m_strSavePath = pszSavePath;
    return RunModal(strInstanceUID, strManufacturer, strModelName, nInstanceNumber, rcHost);
}

// The steps both entry calls share once their sources are stored.
int CDlgStitchDicom::RunModal(CString strInstanceUID, CString strManufacturer, CString strModelName,
                              int nInstanceNumber, const CRect& rcHost)
{
    // Loaded before the dialog exists (the caption reads it); destroying it writes the
    // layout section back.
    CDisplayConfig displayConfig;
    g_strInstanceUID = strInstanceUID;
    g_strManufacturer = strManufacturer;
    g_strModelName = strModelName;
    g_nInstanceNumber = nInstanceNumber;
    output::ReadOutputProfile();
    m_rcHost = rcHost;
    // Only a save ends the dialog with IDOK. A dialog that could not be created (-1) has
    // written nothing either, so it counts as not done rather than as success.
    return DoModal() == IDOK ? 1 : 0;
}
