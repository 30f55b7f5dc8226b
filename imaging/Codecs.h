// Process-wide set-up of the DICOM toolkit: decoders registered once, the data
// dictionary checked, the toolkit's own logging quietened.
#pragma once

#include <string>

namespace imaging {
// Idempotent. False (with a reason) when the data dictionary is missing.
bool EnsureToolkitReady(std::string* reason = nullptr);
}  // namespace imaging
