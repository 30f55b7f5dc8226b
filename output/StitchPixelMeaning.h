// One meaning for the stitched samples: the grey file items converted to the reference
// item's meaning, and that meaning written as the stitched file's description.
#pragma once

#include "imaging/PixelMeaning.h"
#include "output/CStitchDicomItem.h"

#include <memory>
#include <optional>
#include <vector>

class LDicomDS;

namespace output {

// The meaning of the item at `referenceItem` (the first item with one when it is out of
// range or has none). Nullopt when no item has a meaning (bitmaps, colour).
std::optional<imaging::PixelMeaning> ReferenceMeaning(const std::vector<std::unique_ptr<CStitchDicomItem>>& items,
                                                      int referenceItem);

// Converts every item that has a meaning of its own to `reference` (imaging::FindConversion),
// in place; the item then carries the reference's meaning. False, with nothing more
// converted, at the first item whose values cannot be converted without loss.
bool ConvertItems(std::vector<std::unique_ptr<CStitchDicomItem>>& items, const imaging::PixelMeaning& reference);

// Describes the samples as `meaning` says: Bits Stored, High Bit, Pixel Representation,
// MONOCHROME1 or MONOCHROME2, and the rescale (set where the template has it or the
// meaning is not the identity).
void DescribeSamples(LDicomDS& ds, const imaging::PixelMeaning& meaning);

}  // namespace output
