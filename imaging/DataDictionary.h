// The toolkit's data dictionary, built into the layer: DCMTK parses its installed text
// files (about 8,000 lines) at the first look-up, which took longer than the rest of a
// small stitch. The same entries, read from those files by DCMTK's own parser when the
// layer is built, are handed to the dictionary instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

// Creates the toolkit's dictionary from the built-in table, unless DCMDICTPATH names
// dictionary files (then the toolkit reads those, as it always did). Called once by
// EnsureToolkitReady, before any look-up; later calls change nothing.
void LoadBuiltinDictionary();

// The dictionary's entry for a tag as "VR Name VM" (VM "1", "1-3" or "1-n"); "" when the
// dictionary does not know the tag. A private tag is looked up under its creator.
std::string DescribeTag(std::uint16_t group, std::uint16_t element, const char* privateCreator = nullptr);

// The number of entries the dictionary holds.
std::size_t DictionaryEntryCount();

}  // namespace imaging
