// The I/O floor of a stitch: reads every input file completely and writes as many bytes
// as the stitched output holds, with nothing in between. No program that reads its inputs
// and writes its output durably through the file system can be faster.
//   io_floor OUT BYTES FILE...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kChunk = size_t{1} << 20;

// Reads the whole file in chunks into `buffer`'s first chunk; the bytes read, or -1.
std::int64_t ReadAll(const char* path, std::vector<char>& buffer)
{
    const int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    std::int64_t total = 0;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), kChunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return n < 0 ? -1 : total;
        }
        total += n;
    }
}

bool WriteBytes(const char* path, std::int64_t bytes, const std::vector<char>& buffer)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    while (bytes > 0) {
        const size_t size = static_cast<size_t>(std::min<std::int64_t>(bytes, kChunk));
        const ssize_t n = write(fd, buffer.data(), size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return false;
        }
        bytes -= n;
    }
    // Flushed to the disk, as tessor flushes its output before renaming it into place.
    const bool flushed = fsync(fd) == 0;
    return close(fd) == 0 && flushed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: io_floor OUT BYTES FILE...\n", stderr);
        return 2;
    }
    char* stop = nullptr;
    const long long bytes = std::strtoll(argv[2], &stop, 10);
    if (*stop != '\0' || bytes < 0) {
        std::fputs("io_floor: BYTES must be a whole number\n", stderr);
        return 2;
    }
    std::vector<char> buffer(kChunk, 0);
    for (int i = 3; i < argc; ++i) {
        if (ReadAll(argv[i], buffer) < 0) {
            std::fprintf(stderr, "io_floor: cannot read %s: %s\n", argv[i], std::strerror(errno));
            return 1;
        }
    }
    if (!WriteBytes(argv[1], bytes, buffer)) {
        std::fprintf(stderr, "io_floor: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
