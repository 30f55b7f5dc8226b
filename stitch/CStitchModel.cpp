// The model's pieces, selection and layout commands.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "stitch/StitchParallel.h"
#include "stitch/StitchTrim.h"

#include <algorithm>

namespace {

const std::string kNoName;

CRect WholeRect(const CBaseImageData& image)
{
    return CRect(0, 0, image.GetWidth(), image.GetHeight());
}

// Every command keeps a non-empty band: 0 <= top < bottom <= height.
void ShiftLeft(CRect& rc, int n, int) { rc.left += n; }
void ShiftRight(CRect& rc, int n, int) { rc.left -= n; }
void CutTop(CRect& rc, int n, int) { rc.top = std::min<LONG>(rc.top + n, rc.bottom - 1); }
void RestoreTop(CRect& rc, int n, int) { rc.top -= n; }
void GrowBottom(CRect& rc, int n, int height) { rc.bottom = std::min<LONG>(rc.bottom + n, height); }
void ShrinkBottom(CRect& rc, int n, int height)
{
    const LONG floor = std::min<LONG>(10, height);
    rc.bottom = std::max<LONG>({rc.bottom - n, floor, rc.top + 1});
}

}  // namespace

CStitchModel::CStitchModel() = default;

CStitchModel::~CStitchModel() = default;

void CStitchModel::AddPiece(std::unique_ptr<CBaseImageData> image)
{
    Piece piece;
    piece.id = static_cast<int>(m_pieces.size());
    piece.rect = WholeRect(*image);
    piece.fileName = image->m_strFileName.str();
    piece.image = std::move(image);
    m_pieces.push_back(std::move(piece));
}

CBaseImageData* CStitchModel::GetImage(int index) const
{
    return index >= 0 && index < GetCount() ? m_pieces[static_cast<size_t>(index)].image.get() : nullptr;
}

CRect CStitchModel::GetRect(int index) const
{
    return index >= 0 && index < GetCount() ? m_pieces[static_cast<size_t>(index)].rect : CRect();
}

const std::string& CStitchModel::GetFileName(int index) const
{
    return index >= 0 && index < GetCount() ? m_pieces[static_cast<size_t>(index)].fileName : kNoName;
}

EChange CStitchModel::Select(int index)
{
    if (index == m_nSelected)
        return EChange::None;
    m_nSelected = index;
    return EChange::Selection;
}

EChange CStitchModel::SelectNext()
{
    int next = m_nSelected + 1;
    if (next >= GetCount() || next < 0)
        next = 0;
    return Select(next);
}

EChange CStitchModel::SelectPrevious()
{
    int previous = m_nSelected - 1;
    if (previous >= GetCount())
        previous = 0;
    if (previous < 0)
        previous = GetCount() - 1;
    return Select(previous);
}

// The shift keeps at least two columns of the piece in sight; the first kept row is not
// above the piece.
void CStitchModel::Normalize(CRect& rc, int width)
{
    rc.top = std::max<LONG>(rc.top, 0);
    if (rc.left >= width)
        rc.left = width - 2;
    else if (rc.left <= -width)
        rc.left = 2 - width;
}

EChange CStitchModel::DropCrop()
{
    if (m_rcOutputCrop == CRect())
        return EChange::None;
    m_rcOutputCrop = CRect();
    return EChange::Crop;
}

EChange CStitchModel::AdjustSelected(void (*change)(CRect&, int, int), int n)
{
    if (!HasSelection())
        return EChange::None;
    LayoutState state = Capture();
    Piece& piece = m_pieces[static_cast<size_t>(m_nSelected)];
    const CRect before = piece.rect;
    change(piece.rect, n, piece.image->GetHeight());
    Normalize(piece.rect, piece.image->GetWidth());
    const EChange changed = piece.rect == before ? EChange::None : EChange::Layout;
    return Record(std::move(state), changed | DropCrop());
}

EChange CStitchModel::MoveLeft(int n) { return AdjustSelected(ShiftLeft, n); }
EChange CStitchModel::MoveRight(int n) { return AdjustSelected(ShiftRight, n); }
EChange CStitchModel::MoveUp(int n) { return AdjustSelected(CutTop, n); }
EChange CStitchModel::MoveDown(int n) { return AdjustSelected(RestoreTop, n); }
EChange CStitchModel::SizeIncrease(int n) { return AdjustSelected(GrowBottom, n); }
EChange CStitchModel::SizeDecrease(int n) { return AdjustSelected(ShrinkBottom, n); }

EChange CStitchModel::SetRect(int index, int left, int top, int bottom)
{
    if (index < 0 || index >= GetCount())
        return EChange::None;
    LayoutState state = Capture();
    Piece& piece = m_pieces[static_cast<size_t>(index)];
    const int height = piece.image->GetHeight();
    CRect rc(left, top, piece.image->GetWidth(), bottom);
    rc.bottom = std::clamp<LONG>(rc.bottom, 1, std::max(height, 1));
    rc.top = std::clamp<LONG>(rc.top, 0, rc.bottom - 1);
    Normalize(rc, rc.right);
    const EChange changed = rc == piece.rect ? EChange::None : EChange::Layout;
    piece.rect = rc;
    return Record(std::move(state), changed | DropCrop());
}

EChange CStitchModel::Reset()
{
    LayoutState state = Capture();
    m_junctions.clear();
    EChange changed = EChange::None;
    for (Piece& piece : m_pieces) {
        const CRect whole = WholeRect(*piece.image);
        if (piece.rect != whole)
            changed = EChange::Layout;
        piece.rect = whole;
    }
    return Record(std::move(state), changed | DropCrop());
}

EChange CStitchModel::SwapSelectedWith(int other)
{
    if (!HasSelection() || other < 0 || other >= GetCount())
        return EChange::None;
    LayoutState state = Capture();
    std::swap(m_pieces[static_cast<size_t>(m_nSelected)], m_pieces[static_cast<size_t>(other)]);
    m_junctions.clear();
    EChange changed = EChange::Order | EChange::Layout | DropCrop();
    for (Piece& piece : m_pieces)
        piece.rect = WholeRect(*piece.image);
    return Record(std::move(state), changed);
}

EChange CStitchModel::MoveUpSequence() { return SwapSelectedWith(m_nSelected - 1); }
EChange CStitchModel::MoveDownSequence() { return SwapSelectedWith(m_nSelected + 1); }

EChange CStitchModel::AutoTrim()
{
    LayoutState state = Capture();
    m_junctions.clear();
    return Record(std::move(state), TrimPieces());
}

EChange CStitchModel::TrimPieces()
{
    std::vector<CRect> before(m_pieces.size());
    stitchparallel::ForEachIndex(m_pieces.size(), [this, &before](size_t i) {
        Piece& piece = m_pieces[i];
        before[i] = piece.rect;
        CStitchTrim::TrimRect(*piece.image, piece.rect);
    });
    EChange changed = EChange::None;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        if (m_pieces[i].rect != before[i])
            changed = EChange::Layout;
    }
    return changed | DropCrop();
}

EChange CStitchModel::SetCrop(const CRect& rc)
{
    if (rc == m_rcOutputCrop)
        return EChange::None;
    m_rcOutputCrop = rc;
    return EChange::Crop;
}
