// Small DICOM files made in code for tests, written through the imaging layer.
#pragma once

#include "platform/Win32Types.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testfiles {

struct SyntheticImage {
    int rows = 0;
    int columns = 0;
    int bitsAllocated = 16;
    int bitsStored = 12;
    int samplesPerPixel = 1;
    int pixelRepresentation = 0;
    std::optional<int> highBit;           // Bits Stored - 1 when unset
    bool hasPixelRepresentation = true;   // false: the element is left out
    std::string photometric = "MONOCHROME2";
    std::vector<BYTE> pixels;  // rows x columns x samples, little-endian stored values
    std::optional<double> windowCenter;
    std::optional<double> windowWidth;
    std::optional<double> rescaleIntercept;
    std::optional<double> rescaleSlope;
    std::optional<int> smallestPixelValue;
    std::optional<int> largestPixelValue;
    std::string transferSyntax = "1.2.840.10008.1.2.1";
    // Empty: a fresh UID for every file written, as every real instance has its own.
    std::string sopInstanceUID;
};

// An image whose stored value at (row, column) is value(row, column), 8 or 16 bits.
SyntheticImage MakeGrey(int rows, int columns, int bitsAllocated, const std::function<int(int, int)>& value);

// Writes the image; returns an empty string on success, else the reason.
std::string WriteSynthetic(const SyntheticImage& image, const std::filesystem::path& path);

// The 16-bit little-endian value at (row, column) of a raster `columns` pixels wide.
int Sample16(const std::vector<BYTE>& raster, int columns, int row, int column);

}  // namespace testfiles
