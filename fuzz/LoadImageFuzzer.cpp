// Loading a source image from arbitrary bytes: the bitmap decode (every transfer
// syntax, our JPEG-LS and JPEG 2000 decoders included) and both attribute records.
#include "fuzz/FuzzInput.h"

#include "image/CBaseImageData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    const std::string& path = fuzz::WriteInput(data, size);
    if (path.empty())
        return 0;
    CBaseImageData image;
    if (image.Load(path.c_str())) {
        int width = 0, height = 0, bitsPerPixel = 0;
        image.GetImageInfo(&width, &height, &bitsPerPixel);
    }
    return 0;
}
