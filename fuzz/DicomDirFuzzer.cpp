// Reading a DICOMDIR's directory records from arbitrary bytes: the toolkit's record tree
// (offsets, nesting, record kinds) and our walk over it.
#include "fuzz/FuzzInput.h"

#include "imaging/DicomDir.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    const std::string& path = fuzz::WriteInput(data, size);
    if (path.empty())
        return 0;
    std::vector<imaging::DicomDirImage> images;
    std::string reason;
    imaging::ReadDicomDirImages(path, images, reason);
    return 0;
}
