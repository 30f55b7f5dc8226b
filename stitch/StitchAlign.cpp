// Align: the trim pass, then every adjacent pair registered (in parallel) and the aligned
// junctions placed by cutting at the middle of the rows both pieces show as content.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <future>

namespace {

// Display values: rescaled, MONOCHROME1 inverted, so brighter is denser in every piece.
// Colour pieces count by the mean of their three samples.
CRegPlane PlaneOf(CBaseImageData& image, const CRect& content)
{
    CRegPlane plane;
    int width = 0;
    int height = 0;
    int bits = 0;
    image.GetImageInfo(&width, &height, &bits);
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 16 && bits != 24))
        return plane;
    const int bytes = bits / 8;
    std::vector<BYTE> raw(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(bytes));
    image.GetRows(raw.data(), 0, 0, width, height);
    const bool isSigned = image.m_bitmap.IsSigned() != FALSE;
    const double slope = image.m_attr.m_dRescaleSlope != 0.0 ? image.m_attr.m_dRescaleSlope : 1.0;
    const double sign = image.m_attr.m_nPhotometric == PHOTOMETRIC_MONOCHROME1 ? -1.0 : 1.0;
    const float scale = static_cast<float>(sign * slope);
    const float shift = static_cast<float>(sign * image.m_attr.m_dRescaleIntercept);
    plane.width = width;
    plane.height = height;
    plane.values.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const size_t count = plane.values.size();
    for (size_t i = 0; i < count; ++i) {
        float stored = 0.0f;
        if (bytes == 1) {
            stored = raw[i];
        } else if (bytes == 2) {
            uint16_t word;
            std::memcpy(&word, &raw[2 * i], 2);
            stored = isSigned ? static_cast<float>(static_cast<int16_t>(word)) : static_cast<float>(word);
        } else {
            stored = (raw[3 * i] + raw[3 * i + 1] + raw[3 * i + 2]) / 3.0f;
        }
        plane.values[i] = stored * scale + shift;
    }
    plane.contentTop = std::clamp<int>(content.top, 0, height);
    plane.contentBottom = std::clamp<int>(content.bottom, plane.contentTop, height);
    return plane;
}

}  // namespace

EChange CStitchModel::Align()
{
    const LayoutState before = Capture();
    EChange changed = TrimPieces();
    const int count = GetCount();
    std::vector<std::future<CRegPlane>> planes;
    for (int i = 0; i < count; ++i) {
        Piece& piece = m_pieces[static_cast<size_t>(i)];
        planes.push_back(std::async(std::launch::async, [&piece] { return PlaneOf(*piece.image, piece.rect); }));
    }
    std::vector<CRegPlane> ready;
    for (auto& plane : planes)
        ready.push_back(plane.get());
    std::vector<std::future<CJunction>> pairs;
    for (int j = 0; j + 1 < count; ++j)
        pairs.push_back(std::async(std::launch::async, [&ready, j] {
            return RegisterPair(ready[static_cast<size_t>(j)], ready[static_cast<size_t>(j + 1)]);
        }));
    m_junctions.clear();
    for (auto& pair : pairs)
        m_junctions.push_back(pair.get());
    changed |= PlaceJunctions();
    return Record(before, changed);
}

// Trimmed rectangles stay the content bounds; an aligned junction cuts at the middle of
// the rows both pieces show as content: A keeps rows up to the cut, B starts at the cut
// minus the offset. Sideways shifts accumulate from the first piece.
EChange CStitchModel::PlaceJunctions()
{
    std::vector<CRect> content;
    for (const Piece& piece : m_pieces)
        content.push_back(piece.rect);
    EChange changed = EChange::None;
    LONG left = 0;
    for (size_t j = 0; j < m_junctions.size() && j + 1 < m_pieces.size(); ++j) {
        CJunction& junction = m_junctions[j];
        const CRect& a = content[j];
        const CRect& b = content[j + 1];
        Piece& upper = m_pieces[j];
        Piece& lower = m_pieces[j + 1];
        const LONG top = std::max<LONG>(a.top, b.top + junction.offset);
        const LONG bottom = std::min<LONG>(a.bottom, b.bottom + junction.offset);
        const LONG cut = (top + bottom) / 2;
        // A cut above the upper piece's own first kept row (a very tall overlap on both
        // sides of one piece) cannot be placed without losing the piece.
        if (junction.aligned && (bottom - top < 2 || cut <= upper.rect.top || cut - junction.offset >= lower.rect.bottom)) {
            junction.aligned = false;
            junction.reason = EJunctionReason::TooSmall;
        }
        if (junction.aligned) {
            upper.rect.bottom = cut;
            lower.rect.top = cut - junction.offset;
            left -= junction.dx;
        }
        lower.rect.left = left;
        Normalize(lower.rect, lower.image->GetWidth());
    }
    for (size_t i = 0; i < m_pieces.size(); ++i)
        if (m_pieces[i].rect != content[i])
            changed = EChange::Layout;
    return changed | DropCrop();
}

std::vector<std::string> CStitchModel::DescribeJunctions() const
{
    std::vector<std::string> lines;
    for (size_t j = 0; j < m_junctions.size(); ++j)
        if (!m_junctions[j].aligned)
            lines.push_back("junction " + std::to_string(j + 1) + ": " + JunctionReasonText(m_junctions[j].reason) + ", left as trimmed");
    return lines;
}

std::string CStitchModel::AlignStatus() const
{
    if (m_junctions.empty())
        return std::string();
    int aligned = 0;
    for (const CJunction& junction : m_junctions)
        aligned += junction.aligned;
    std::string text = std::to_string(aligned) + " of " + std::to_string(m_junctions.size()) + " junctions aligned";
    for (const std::string& line : DescribeJunctions())
        text += "; " + line;
    return text;
}
