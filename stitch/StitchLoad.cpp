// Loading the pieces: files read as source images, or copies of a host's bitmaps.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"
#include "imaging/StoredValue.h"
#include "stitch/StitchGate.h"
#include "stitch/StitchMessages.h"
#include "stitch/StitchParallel.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Bitmaps narrower than the widest are centred between black bands in the widest one's
// width, so that every piece of a bitmap source has the same width. Until the output is
// known the bands hold the MONOCHROME2 black of the bitmap's depth and sign; the save
// writes them with the output's own black. Returns each bitmap's picture columns
// [left, right).
std::vector<std::pair<int, int>> WidenToCommonWidth(const std::vector<LBitmap*>& bitmaps)
{
    int widest = 0;
    for (const LBitmap* bitmap : bitmaps)
        widest = std::max(widest, bitmap->GetWidth());
    std::vector<std::pair<int, int>> pictures;
    for (LBitmap* bitmap : bitmaps) {
        const int width = bitmap->GetWidth();
        const int left = (widest - width) / 2;
        pictures.emplace_back(left, left + width);
        if (width == widest)
            continue;
        // Resized (which keeps the bitmap's other properties), filled, and the original
        // put in at its place, replacing the band's value.
        LBitmap copy;
        copy.Copy(*bitmap);
        bitmap->Resize(widest, copy.GetHeight());
        const int bytesPerSample = bitmap->GetBitsPerPixel() / 8;
        bitmap->Fill(imaging::BlackSample(false, bytesPerSample, bitmap->IsSigned() != FALSE));
        bitmap->Combine(left, 0, width, copy.GetHeight(), copy, 0, 0, CB_OP_REPLACE);
    }
    return pictures;
}

struct ReadImage {
    std::unique_ptr<CBaseImageData> image = std::make_unique<CBaseImageData>();
    bool loaded = false;  // false: the bitmap's last error says why
};

// Decodes every file, on all cores; one result per path, in order.
std::vector<ReadImage> ReadImages(const std::vector<std::string>& paths)
{
    std::vector<ReadImage> images(paths.size());
    stitchparallel::ForEachIndex(paths.size(),
                                 [&](size_t i) { images[i].loaded = images[i].image->Load(paths[i].c_str()) != FALSE; });
    return images;
}

}  // namespace

CStitchLoadResult CStitchModel::LoadFiles(const std::vector<std::string>& paths, const std::string& templatePath)
{
    CStitchLoadResult result;
    if (paths.empty()) {
        result.failure = ELoadFailure::NoSources;
        return result;
    }
    // An unreadable file is left to the image load below, which names it with its reason.
    const CStitchGateResult gate = stitchgate::CheckFiles(paths, templatePath);
    if (!gate.Ok() && gate.failure != EGateFailure::Unreadable) {
        std::vector<std::string> names = paths;
        names.push_back(templatePath);
        result.failure = ELoadFailure::Inconsistent;
        result.detail = stitchtext::GateFailureReason(gate, names);
        return result;
    }
    // The first file that failed is reported, and the ones before it stay, whichever
    // thread read which.
    std::vector<ReadImage> images = ReadImages(paths);
    for (size_t i = 0; i < images.size(); ++i) {
        if (!images[i].loaded) {
            result.failure = ELoadFailure::Unreadable;
            result.failedIndex = static_cast<int>(i);
            result.detail = images[i].image->m_bitmap.GetLastError();
            return result;
        }
        AddPiece(std::move(images[i].image));
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
    const std::vector<std::pair<int, int>> pictures = WidenToCommonWidth(copies);
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        Piece& piece = m_pieces[i];
        piece.rect = CRect(0, 0, piece.image->GetWidth(), piece.image->GetHeight());
        piece.pictureLeft = pictures[i].first;
        piece.pictureRight = pictures[i].second;
    }
    return result;
}
