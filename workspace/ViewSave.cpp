// Save: the crop handed to the model in image pixels, the model's save, and its outcome
// told the way the dialog tells it.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/MessageBox.h"
#include "stitch/StitchMessages.h"

BOOL CViewStitchDicom::SaveStitchedFile(const char* refPath, const char* savePath)
{
    m_model.SetCrop(m_bCropMode ? GetPixelCropRect() : CRect());
    m_lastSave = m_model.Save(refPath, savePath);
    for (size_t i = 0; i < m_lastSave.pieces.size(); ++i) {
        for (const std::string& text : stitchtext::PieceMessages(m_lastSave.pieces[i].failure, static_cast<int>(i)))
            AfxMessageBox(text.c_str(), MB_OK);
    }
    if (const char* refusal = stitchtext::RefusalText(m_lastSave.failure))
        AfxMessageBox(refusal, MB_OK);
    m_strLastSaveError = stitchtext::SaveFailureReason(m_lastSave).c_str();
    return m_lastSave.written;
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
