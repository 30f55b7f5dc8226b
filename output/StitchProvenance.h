// The stitched file's record of where it came from: Image Type DERIVED, a derivation
// description and code, and a reference to every source file used.
#pragma once

#include "platform/CString.h"
#include "platform/Win32Types.h"

#include <vector>

class CStitchDicomItem;
class LDicomDS;

namespace output {

// Marks the data set as derived by stitching from `sources` (the items written, in
// stitching order): Image Type value 1 becomes DERIVED (the others kept; an absent Image
// Type becomes DERIVED\PRIMARY, a single value gets PRIMARY as value 2); Derivation
// Description "Stitched from N images"; Derivation Code Sequence (113090, DCM, "Image
// stitching"); Source Image Sequence with one item per source that has a SOP Instance
// UID, each with Purpose of Reference (121329, DCM, "Source image for montage"). Any
// of these the template had are replaced; without a referenced source (bitmap sources)
// the template's Source Image Sequence is removed and none is written. FALSE with
// `error` set when an element cannot be written.
BOOL WriteProvenance(LDicomDS& ds, const std::vector<const CStitchDicomItem*>& sources, CString& error);

}  // namespace output
