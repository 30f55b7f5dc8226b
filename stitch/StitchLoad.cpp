// Loading the pieces: files read as source images, or copies of a host's bitmaps.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"

#include <algorithm>

namespace {

// Bitmaps narrower than the widest are centred between black bands, so that every piece
// of a bitmap source has the same width.
void WidenToCommonWidth(const std::vector<LBitmap*>& bitmaps)
{
    int widest = 0;
    for (const LBitmap* bitmap : bitmaps)
        widest = std::max(widest, bitmap->GetWidth());
    for (LBitmap* bitmap : bitmaps) {
        const int width = bitmap->GetWidth();
        if (width == widest)
            continue;
        // Resized (which keeps the bitmap's other properties), cleared to black, and the
        // original ORed in at its place. A combine with the clearing flag alone replaces
        // the part the copy covers instead of clearing, which left the picture stretched.
        LBitmap copy;
        copy.Copy(*bitmap);
        bitmap->Resize(widest, copy.GetHeight());
        bitmap->Fill(0);
        bitmap->Combine((widest - width) / 2, 0, width, copy.GetHeight(), copy, 0, 0, CB_OP_OR);
    }
}

}  // namespace

CStitchLoadResult CStitchModel::LoadFiles(const std::vector<std::string>& paths)
{
    CStitchLoadResult result;
    if (paths.empty()) {
        result.failure = ELoadFailure::NoSources;
        return result;
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        auto image = std::make_unique<CBaseImageData>();
        if (!image->Load(paths[i].c_str())) {
            result.failure = ELoadFailure::Unreadable;
            result.failedIndex = static_cast<int>(i);
            result.detail = image->m_bitmap.GetLastError();
            return result;
        }
        AddPiece(std::move(image));
    }
    return result;
}

CStitchLoadResult CStitchModel::LoadBitmaps(const LBitmapList& bitmaps, const CArray<CPoint, CPoint>& windows)
{
    m_bBitmapSource = true;
    CStitchLoadResult result;
    if (bitmaps.GetItemsCount() == 0) {
        result.failure = ELoadFailure::NoSources;
        return result;
    }
    m_arrWindowLevel.assign(static_cast<size_t>(windows.GetSize()), CPoint());
    for (int i = 0; i < windows.GetSize(); ++i)
        m_arrWindowLevel[static_cast<size_t>(i)] = windows[i];
    std::vector<LBitmap*> copies;
    for (ULONG i = 0; i < bitmaps.GetItemsCount(); ++i) {
        auto image = std::make_unique<CBaseImageData>();
        if (bitmaps.GetItem(i, image->m_bitmap) != SUCCESS) {
            result.failure = ELoadFailure::BitmapCopy;
            result.failedIndex = static_cast<int>(i);
            return result;
        }
        copies.push_back(&image->m_bitmap);
        AddPiece(std::move(image));
    }
    WidenToCommonWidth(copies);
    for (Piece& piece : m_pieces)
        piece.rect = CRect(0, 0, piece.image->GetWidth(), piece.image->GetHeight());
    return result;
}
