// Preparing a file item of a save from arbitrary bytes: the source is read again,
// decoded when compressed, and its kept rows placed into the item.
#include "fuzz/FuzzInput.h"

#include "output/CStitchDicomFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    const std::string& path = fuzz::WriteInput(data, size);
    if (path.empty())
        return 0;
    CStitchDicomFile file;
    // Shifted one column, rows 2 to 129: exercises both the shift and the bottom edge.
    file.AddFileItem(path.c_str(), CRect(1, 2, 0, 130));
    return 0;
}
