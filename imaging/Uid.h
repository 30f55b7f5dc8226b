// Fresh DICOM unique identifiers.
#pragma once

#include <string>

namespace imaging {
// A new globally unique UID under the toolkit's instance root (at most 64 characters).
std::string GenerateUniqueUID();
}  // namespace imaging
