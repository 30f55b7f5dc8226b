// Owning handles for OpenJPEG's codec, stream and image objects, shared by the JPEG 2000
// decoder and encoder.
#pragma once

#include <openjpeg.h>

#include <memory>

namespace imaging::openjpeg {

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

using Codec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using Stream = std::unique_ptr<opj_stream_t, StreamDeleter>;
using Image = std::unique_ptr<opj_image_t, ImageDeleter>;

}  // namespace imaging::openjpeg
