// The module's own words for the model's codes, shared by the dialog's view (message
// boxes) and tessor stitch (stderr), so that both say the same.
#pragma once

#include "stitch/StitchGate.h"
#include "stitch/StitchTypes.h"

#include <string>
#include <vector>

namespace stitchtext {

// What the user is told about piece `index` (zero-based, stitching order) left out of a
// save, in order; nothing for a used piece.
std::vector<std::string> PieceMessages(EPieceFailure failure, int index);
// The message shown when a save is refused because the output could not describe it;
// null for the failures that are only kept as a reason.
const char* RefusalText(ESaveFailure failure);
// Why the save wrote nothing, in one line; empty when it wrote.
std::string SaveFailureReason(const CStitchSaveResult& result);
// Why a source did not load, in one line (the decoder's words when it gave any).
std::string LoadFailureReason(const CStitchLoadResult& result);

// Why the sources may not be stitched together, in one line naming the attribute and the
// two files (`names` in the order given, the template after the pieces); empty when they may.
std::string GateFailureReason(const CStitchGateResult& result, const std::vector<std::string>& names);

}  // namespace stitchtext
