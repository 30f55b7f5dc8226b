// Shared pieces of the benchmarks: the synthetic studies (written once into a cache
// folder of the build) and the workspace view in a 1280 x 900 frame, built the way
// tessor stitch builds it.
#pragma once

#include "platform/Win32Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CWnd;
class CViewStitchDicom;

namespace bench {

constexpr int kRows = 3000;
constexpr int kCols = 2500;
// Decoded bytes of one 16-bit piece.
constexpr std::int64_t kPieceBytes = std::int64_t{kRows} * kCols * 2;
constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 900;

// The files piece-1.dcm .. piece-N.dcm of a 3000 x 2500 16-bit study in `syntax`
// (raw, jpeg-lossless, jpeg-ls, rle). Written by `tessor sample` on first use; an empty
// list when that fails (the reason is on stderr).
std::vector<std::string> Study(const std::string& syntax, int pieces);

// Resident set of this process now, in MiB (0 when /proc cannot tell).
double ResidentMiB();

// A folder for files the benchmarks write; created on first use.
std::string ScratchDir();

// The workspace view inside a 1280 x 900 popup frame. Hidden, as tessor stitch keeps it,
// unless `visible`: painting reaches the surface only in a visible window (the offscreen
// platform shows nothing either way).
class HeadlessView {
public:
    explicit HeadlessView(bool visible = false);
    ~HeadlessView();
    HeadlessView(const HeadlessView&) = delete;
    HeadlessView& operator=(const HeadlessView&) = delete;

    CViewStitchDicom& View() { return *m_pView; }
    BOOL Load(const std::vector<std::string>& files);

private:
    std::unique_ptr<CWnd> m_pHost;
    CViewStitchDicom* m_pView = nullptr;  // deletes itself with its window
};

}  // namespace bench
