// Save: the crop handed to the model in image pixels, the model's save, and its outcome
// told the way the dialog tells it.
#include "workspace/CViewStitchDicom.h"

#include "image/CBaseImageData.h"
#include "platform/MessageBox.h"
#include "stitch/StitchMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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

namespace {

// value x numerator / denominator, rounded to the nearest integer.
LONG ScaleRounded(std::int64_t value, std::int64_t numerator, std::int64_t denominator)
{
    if (denominator <= 0)
        return 0;
    return static_cast<LONG>(std::llround(static_cast<double>(value) * static_cast<double>(numerator) /
                                          static_cast<double>(denominator)));
}

}  // namespace

// The frame in pixels of the stitched image. Each edge is mapped through the piece it lies
// on (rows) and the widest piece (columns), rounded to the nearest pixel, so that a frame
// on the column's edges gives exactly the image's edges: one scale factor for the whole
// column would lose the last column and add rows, since each piece's shown height is
// rounded on its own.
CRect CViewStitchDicom::GetPixelCropRect() const
{
    const CBaseImageData* first = m_listDisplay.GetAt(0);
    if (first == nullptr)
        return CRect();
    int shownWidth = 0;
    int pixelWidth = 0;
    for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
        if (const CBaseImageData* image = m_listDisplay.GetAt(i)) {
            shownWidth = std::max(shownWidth, image->m_nDstWidth);
            pixelWidth = std::max(pixelWidth, image->GetWidth());
        }
    }
    const auto column = [&](LONG x) { return ScaleRounded(x - kColumnLeft, pixelWidth, shownWidth); };
    const auto row = [&](LONG y) {
        std::int64_t rowsBefore = 0;
        const CBaseImageData* last = nullptr;
        for (int i = 0; i < m_listDisplay.GetCount(); ++i) {
            const CBaseImageData* image = m_listDisplay.GetAt(i);
            if (image == nullptr || image->m_nDstHeight <= 0)
                continue;
            if (y < image->m_nDstY + image->m_nDstHeight || (last == nullptr && y < image->m_nDstY))
                return static_cast<LONG>(rowsBefore) +
                       ScaleRounded(y - image->m_nDstY, image->GetHeight(), image->m_nDstHeight);
            rowsBefore += image->GetHeight();
            last = image;
        }
        if (last == nullptr)
            return LONG{0};
        // Below the column: on the last piece's scale, from the image's bottom.
        return static_cast<LONG>(rowsBefore) +
               ScaleRounded(y - (last->m_nDstY + last->m_nDstHeight), last->GetHeight(), last->m_nDstHeight);
    };
    return CRect(column(m_rcCrop.left), row(m_rcCrop.top), column(m_rcCrop.right), row(m_rcCrop.bottom));
}
