// The layout history: every layout command records the layout it replaced, so Undo and
// Redo step through them. Selection is not part of a layout.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"

#include <algorithm>

CStitchModel::LayoutState CStitchModel::Capture() const
{
    LayoutState state;
    for (const Piece& piece : m_pieces) {
        state.ids.push_back(piece.id);
        state.rects.push_back(piece.rect);
    }
    state.crop = m_rcOutputCrop;
    state.junctions = m_junctions;
    return state;
}

EChange CStitchModel::Record(LayoutState before, EChange changed)
{
    if (HasChange(changed, EChange::Layout | EChange::Order)) {
        m_undo.push_back(std::move(before));
        if (m_undo.size() > kHistoryDepth)
            m_undo.erase(m_undo.begin());
        m_redo.clear();
    }
    return changed;
}

EChange CStitchModel::Restore(const LayoutState& state)
{
    EChange changed = EChange::Layout;
    for (size_t i = 0; i < state.ids.size() && i < m_pieces.size(); ++i) {
        if (m_pieces[i].id == state.ids[i])
            continue;
        const auto found = std::find_if(m_pieces.begin() + static_cast<std::ptrdiff_t>(i), m_pieces.end(),
                                        [&](const Piece& piece) { return piece.id == state.ids[i]; });
        if (found != m_pieces.end()) {
            std::swap(m_pieces[i], *found);
            changed |= EChange::Order;
        }
    }
    for (size_t i = 0; i < state.rects.size() && i < m_pieces.size(); ++i)
        m_pieces[i].rect = state.rects[i];
    if (m_rcOutputCrop != state.crop)
        changed |= EChange::Crop;
    m_rcOutputCrop = state.crop;
    m_junctions = state.junctions;
    return changed;
}

EChange CStitchModel::Undo() { return StepHistory(m_undo, m_redo); }

EChange CStitchModel::Redo() { return StepHistory(m_redo, m_undo); }

// Restores the newest layout of `from`, keeping today's on `to` so the step can be reversed.
EChange CStitchModel::StepHistory(std::vector<LayoutState>& from, std::vector<LayoutState>& to)
{
    if (from.empty())
        return EChange::None;
    to.push_back(Capture());
    const LayoutState state = std::move(from.back());
    from.pop_back();
    return Restore(state);
}
