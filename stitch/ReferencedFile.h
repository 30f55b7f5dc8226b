// Where a DICOMDIR's Referenced File ID points: a path below the DICOMDIR's own folder,
// never outside it, found also when the media's file names changed letter case on copying.
#pragma once

#include <string>
#include <vector>

namespace stitchinput {

enum class EReferenceResult {
    Found,
    Outside,  // an empty, "." or ".." component, a slash in one, or a link leading out
    Missing,
};

// Resolves `components` below `folder` into `path` (Found only).
EReferenceResult ResolveReferencedFile(const std::string& folder, const std::vector<std::string>& components,
                                       std::string& path);

}  // namespace stitchinput
