// Owning handles for OpenJPEG's codec, stream and image objects, and its message callbacks,
// shared by the JPEG 2000 decoder and encoder.
#pragma once

#include <openjpeg.h>

#include <memory>
#include <string>

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

// Keeps OpenJPEG's first message, without its line end, in the std::string `user` points to:
// it becomes the reason of a failure.
inline void KeepMessage(const char* message, void* user)
{
    auto& text = *static_cast<std::string*>(user);
    if (text.empty() && message) {
        text = message;
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
    }
}
inline void IgnoreMessage(const char*, void*) {}

}  // namespace imaging::openjpeg
