// Process-wide set-up of the DICOM toolkit: decoders registered once, the data
// dictionary created, the toolkit's own logging quietened.
#pragma once

#include <string>

namespace imaging {
// Idempotent. False (with a reason) when the dictionary files DCMDICTPATH names cannot be
// read; otherwise the dictionary is the built-in one (imaging/DataDictionary.h).
bool EnsureToolkitReady(std::string* reason = nullptr);
}  // namespace imaging
