// Saving: every piece's kept rows composed, cropped and written, with a typed result.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "output/CStitchDicomFile.h"

void CStitchModel::ReleaseFilePixels()
{
    if (m_bBitmapSource)
        return;
    for (Piece& piece : m_pieces)
        piece.image->m_bitmap.Free();
}

CStitchSaveResult CStitchModel::Save(const char* refPath, const char* savePath) const
{
    return SavePieces(refPath, savePath, false);
}

CStitchSaveResult CStitchModel::SaveReleasingPixels(const char* refPath, const char* savePath)
{
    return SavePieces(refPath, savePath, !m_bBitmapSource);
}

// With `fromDecoded`, file pieces give their kept rows from their decoded pixels, each
// freed as soon as its rows are taken; otherwise the rows are read from the files again.
CStitchSaveResult CStitchModel::SavePieces(const char* refPath, const char* savePath, bool fromDecoded) const
{
    CStitchSaveResult result;
    result.pieces.resize(m_pieces.size());
    result.pieceRows.assign(m_pieces.size(), 0);
    CStitchDicomFile file;
    std::string templatePath = GetFileName(0);
    // Which piece each item of the file came from.
    std::vector<size_t> itemPiece;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece& piece = m_pieces[i];
        BOOL added = FALSE;
        if (!m_bBitmapSource && fromDecoded) {
            added = file.AddDecodedFileItem(piece.fileName.c_str(), piece.image.get(), piece.rect);
            piece.image->m_bitmap.Free();
        } else if (!m_bBitmapSource) {
            added = file.AddFileItem(piece.fileName.c_str(), piece.rect);
        } else {
            const CPoint window = i < m_arrWindowLevel.size() ? m_arrWindowLevel[i] : CPoint(0, 0);
            added = file.AddBitmapItem(piece.image.get(), piece.rect, window.x, window.y, piece.pictureLeft,
                                       piece.pictureRight);
        }
        if (added) {
            // The piece loaded first is the one the gate checked the others against.
            if (piece.id == 0)
                file.m_nReferenceItem = static_cast<int>(file.m_arrItems.size()) - 1;
            itemPiece.push_back(i);
            result.pieceRows[i] = file.m_arrItems.back()->m_nRows;
        } else {
            result.pieces[i].failure = file.m_eItemFailure;
        }
    }
    if (refPath != nullptr && *refPath != '\0')
        templatePath = refPath;
    file.m_rcOutputCrop = m_rcOutputCrop;
    result.written = file.Compose(templatePath.c_str(), savePath) != FALSE;
    result.failure = file.m_eFailure;
    result.detail = file.m_strError.str();
    for (size_t k = 0; k < itemPiece.size() && k < file.m_arrItemUsed.size(); ++k)
        result.pieces[itemPiece[k]].used = result.written && file.m_arrItemUsed[k];
    if (result.written) {
        result.path = savePath;
        result.columns = file.m_nOutputColumns;
        result.rows = file.m_nOutputRows;
    }
    return result;
}
