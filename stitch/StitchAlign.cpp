// Align: the trim pass, then every adjacent pair registered (in parallel) and the aligned
// junctions placed by cutting at the middle of the rows both pieces show as content.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "platform/StageTrace.h"
#include "stitch/StitchParallel.h"

#include <algorithm>
#include <future>

namespace {

// Display values read from the decoded bitmap row by row, only the rows the registration
// asks for: rescaled, MONOCHROME1 inverted, so brighter is denser in every piece. Colour
// pieces count by the mean of their three samples. The bitmap is only read (its const
// row access), so both junctions of a middle piece may read it at once.
CRegRows RowsOfPiece(const CBaseImageData& image, const CRect& content)
{
    CRegRows rows;
    int width = 0;
    int height = 0;
    int bits = 0;
    image.GetImageInfo(&width, &height, &bits);
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 16 && bits != 24))
        return rows;
    const double slope = image.m_attr.m_dRescaleSlope != 0.0 ? image.m_attr.m_dRescaleSlope : 1.0;
    const double sign = image.m_attr.m_nPhotometric == PHOTOMETRIC_MONOCHROME1 ? -1.0 : 1.0;
    const CRegSampleFormat format{bits / 8, image.m_bitmap.IsSigned() != FALSE, static_cast<float>(sign * slope),
                                  static_cast<float>(sign * image.m_attr.m_dRescaleIntercept)};
    rows.width = width;
    rows.height = height;
    rows.contentTop = std::clamp<int>(content.top, 0, height);
    rows.contentBottom = std::clamp<int>(content.bottom, rows.contentTop, height);
    rows.read = [bitmap = &image.m_bitmap, format, width](int first, int count, float* out) {
        const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(format.bytes);
        // One row buffer per thread, kept: the fine levels read a few rows per call.
        thread_local std::vector<BYTE> stored;
        stored.resize(rowBytes);
        for (int r = 0; r < count; ++r) {
            if (bitmap->GetRow(stored.data(), first + r, rowBytes) != SUCCESS)
                std::fill(stored.begin(), stored.end(), BYTE{0});
            StoredToDisplay(stored.data(), width, format, out + static_cast<size_t>(r) * static_cast<size_t>(width));
        }
    };
    return rows;
}

}  // namespace

EChange CStitchModel::Align()
{
    const LayoutState before = Capture();
    EChange changed = TrimPieces();
    const int count = GetCount();
    const platform::StageScope stage(platform::Stage::Analyse);
    std::vector<CRegRows> rows;
    for (const Piece& piece : m_pieces)
        rows.push_back(RowsOfPiece(*piece.image, piece.rect));
    // Junctions are independent: each on its own thread. Each builds its two pyramids in
    // parallel as well only while the junctions leave cores idle; nesting beyond the cores
    // only oversubscribes them.
    const size_t junctions = static_cast<size_t>(std::max(count - 1, 0));
    const ERegThreads threads = 2 * junctions <= stitchparallel::ThreadsFor(2 * junctions) ? ERegThreads::Two : ERegThreads::One;
    std::vector<std::future<CJunction>> pairs;
    for (int j = 0; j + 1 < count; ++j)
        pairs.push_back(std::async(std::launch::async, [&rows, j, threads] {
            return RegisterPair(rows[static_cast<size_t>(j)], rows[static_cast<size_t>(j + 1)], threads);
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
