// Save: every source read again at its native size, composed and written.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "output/CStitchDicomFile.h"
#include "platform/MessageBox.h"

BOOL CViewStitchDicom::SaveStitchedFile(const char* refPath, const char* savePath)
{
    CStitchDicomFile file;
    CString templatePath;
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        CBaseImageData* source = m_listSource.GetAt(i);
        if (source == nullptr)
            continue;
        if (i == 0)
            templatePath = source->m_strFileName;
        const CRect adjust = m_arrAdjust[i];
        BOOL added = FALSE;
        if (!m_bBitmapSource) {
            added = file.AddFileItem(source->m_strFileName, adjust);
        } else {
            const CPoint window = i < m_arrWindowLevel.GetSize() ? m_arrWindowLevel[i] : CPoint(0, 0);
            added = file.AddBitmapItem(source, adjust, window.x, window.y);
        }
        if (!added) {
            CString message;
            message.Format("Fail to stitching image: %d", i);
            AfxMessageBox(message, MB_OK);
        }
    }
    if (refPath != nullptr && *refPath != '\0')
        templatePath = refPath;
    if (m_bCropMode)
        file.m_rcOutputCrop = GetPixelCropRect();
    m_strLastSaveError.Empty();
    const BOOL saved = file.Compose(templatePath, savePath);
    if (!saved)
        m_strLastSaveError = file.m_strError;
    return saved;
}

CRect CViewStitchDicom::GetPixelCropRect() const
{
    const CBaseImageData* first = m_listDisplay.GetAt(0);
    if (first == nullptr)
        return CRect();
    CRect crop = m_rcCrop;
    crop.OffsetRect(-kColumnLeft, 0);
    return first->m_scale.ScaleRect(crop);
}
