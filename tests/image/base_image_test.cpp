#include "image/CBaseImageData.h"
#include "platform/DC.h"
#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

// Fills a bitmap of the given depth with value(row, column) (8 or 16 bits per pixel).
void MakeBitmap(CBaseImage& image, int width, int height, int bitsPerPixel,
                const std::function<int(int, int)>& value, BOOL isSigned = FALSE)
{
    ASSERT_EQ(SUCCESS, image.m_bitmap.Create(width, height, bitsPerPixel, isSigned));
    BYTE* pixels = image.m_bitmap.GetPixels();
    const int line = image.m_bitmap.GetBytesPerLine();
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const int v = value(r, c);
            if (bitsPerPixel == 8) {
                pixels[r * line + c] = static_cast<BYTE>(v);
            } else {
                pixels[r * line + 2 * c] = static_cast<BYTE>(v & 0xFF);
                pixels[r * line + 2 * c + 1] = static_cast<BYTE>((v >> 8) & 0xFF);
            }
        }
    }
    image.m_bitmap.PixelsChanged();
    image.ResetSize();
}

int Pixel8(const CBaseImage& image, int row, int column)
{
    return image.m_bitmap.GetPixels()[row * image.m_bitmap.GetBytesPerLine() + column];
}

}  // namespace

TEST(BaseImageTest, ConstructionDefaults)
{
    CBaseImageData image;
    EXPECT_EQ(0x000000u, image.m_crLutStart);
    EXPECT_EQ(0xFFFFFFu, image.m_crLutEnd);
    EXPECT_FLOAT_EQ(1.0f, image.m_scale.GetFactor());
    EXPECT_EQ(0, image.m_nDstWidth);
    EXPECT_EQ(0, image.m_nSrcHeight);
    EXPECT_FALSE(image.IsAllocated());
    EXPECT_NE(nullptr, image.m_pLUT.get());
    EXPECT_TRUE(image.m_strFileName.IsEmpty());
}

TEST(BaseImageTest, WindowRangeConvertsTheCentreToStoredValues)
{
    CBaseImageData image;
    int low = 0;
    int high = 0;
    // Unsigned data, intercept -1024: centre 40 is stored 1064; both ends carry +1.
    image.m_attr.m_nPixelRepresentation = 0;
    image.m_attr.m_dRescaleIntercept = -1024.0;
    image.CalcWindowRange(&low, &high, 400, 40, 0, 4095);
    EXPECT_EQ(865, low);
    EXPECT_EQ(1265, high);
    // Clamped to the bitmap's value range.
    image.CalcWindowRange(&low, &high, 400, 40, 900, 1200);
    EXPECT_EQ(900, low);
    EXPECT_EQ(1200, high);

    // Signed data is addressed at value + 32768.
    image.m_attr.m_nPixelRepresentation = 1;
    image.m_attr.m_dRescaleIntercept = 0.0;
    image.CalcWindowRange(&low, &high, 80, 40, 0, 65535);
    EXPECT_EQ(32769, low);
    EXPECT_EQ(32849, high);

    // A missing Pixel Representation (-1) reads as unsigned, as the pixels are decoded.
    image.m_attr.m_nPixelRepresentation = -1;
    image.CalcWindowRange(&low, &high, 1, 40, 0, 65535);
    EXPECT_EQ(41, low);
    EXPECT_EQ(41, high);
}

// The window is in rescaled units: stored = (value - intercept) / slope, the width
// divided by the slope; worked out by hand.
TEST(BaseImageTest, WindowRangeFollowsSlopeAndIntercept)
{
    struct RescaleCase {
        int representation;
        double slope, intercept;
        int width, center;
        int low, high;
    };
    const RescaleCase cases[] = {
        {0, 2.0, -1024.0, 400, 40, 433, 633},     // centre 532, width 200
        {0, 0.0, 0.0, 400, 40, -159, 241},        // no slope: as stored
        {1, 1.0, 0.0, 400, -600, 31969, 32369},   // negative centre: stored -600
        {1, 0.5, 100.0, 100, -600, 31269, 31469},  // centre -1400, width 200
    };
    for (const RescaleCase& c : cases) {
        CBaseImageData image;
        image.m_attr.m_nPixelRepresentation = c.representation;
        image.m_attr.m_dRescaleSlope = c.slope;
        image.m_attr.m_dRescaleIntercept = c.intercept;
        int low = 0;
        int high = 0;
        image.CalcWindowRange(&low, &high, c.width, c.center, INT32_MIN, INT32_MAX);
        EXPECT_EQ(c.low, low) << c.slope << " " << c.intercept << " " << c.center;
        EXPECT_EQ(c.high, high) << c.slope << " " << c.intercept << " " << c.center;
    }
}

TEST(BaseImageTest, WindowConversionsAreInverse)
{
    CBaseImageData image;
    image.m_attr.m_nPixelRepresentation = 1;
    image.m_attr.m_dRescaleIntercept = -1024.7;  // truncated to -1024
    int width = 400;
    int center = 40;
    image.WindowToStored(&width, &center);
    EXPECT_EQ(400, width);
    EXPECT_EQ(40 + 32768 + 1024, center);
    image.WindowToModality(&width, &center);
    EXPECT_EQ(40, center);

    // A plain image leaves the centre alone; huge values clamp instead of overflowing.
    CBaseImage plain;
    int low = 0;
    int high = 0;
    plain.CalcWindowRange(&low, &high, 2, 1064, 0, 4095);
    EXPECT_EQ(1064, low);
    EXPECT_EQ(1066, high);
    plain.CalcWindowRange(&low, &high, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX);
    EXPECT_EQ(INT32_MAX, high);
}

TEST(BaseImageTest, SetWindowLevelFillsTheTableAndKeepsTheWindowAsPassed)
{
    CBaseImageData image;
    image.m_attr.m_nPixelRepresentation = 0;
    MakeBitmap(image, 4, 2, 16, [](int r, int c) { return r * 1000 + c * 100; });
    image.SetWindowLevel(200, 150);  // stored range 51 .. 251
    int width = 0;
    int center = 0;
    image.GetWindow(&width, &center);
    EXPECT_EQ(200, width);
    EXPECT_EQ(150, center);
    EXPECT_TRUE(image.m_bitmap.HasWindow());
    const RGBQUAD* lut = image.m_pLUT.get();
    EXPECT_EQ(0, lut[51].rgbRed);
    EXPECT_EQ(255, lut[251].rgbRed);
    EXPECT_EQ(255, lut[1300].rgbGreen);
    EXPECT_GT(lut[151].rgbBlue, 100);
    EXPECT_LT(lut[151].rgbBlue, 155);

    // SetWindow records without rendering.
    image.SetWindow(10, 20);
    image.GetWindow(&width, &center);
    EXPECT_EQ(10, width);
    EXPECT_EQ(20, center);
}

TEST(BaseImageTest, FitToWidthAndHeightScaleKeepingTheAspect)
{
    CBaseImage image;
    MakeBitmap(image, 2000, 3000, 8, [](int, int) { return 0; });
    EXPECT_EQ(CSize(500, 750), image.FitToWidth(500));
    EXPECT_FLOAT_EQ(4.0f, image.m_scale.GetFactor());
    image.m_nDstX = 8;
    EXPECT_EQ(CSize(500, 750), image.FitToHeight(750));
    EXPECT_EQ(4.0f, image.m_scale.GetFactor());
    EXPECT_EQ(0, image.m_nDstX);
    EXPECT_EQ(2000, image.m_nSrcWidth);
    EXPECT_EQ(3000, image.m_nSrcHeight);

    CBaseImage odd;
    MakeBitmap(odd, 1000, 1001, 8, [](int, int) { return 0; });
    EXPECT_EQ(CSize(300, 300), odd.FitToWidth(300));  // 300.3 rounds to 300
    EXPECT_EQ(1000.0f / 300.0f, odd.m_scale.GetFactor());

    odd.ResetSize();
    EXPECT_EQ(1000, odd.m_nDstWidth);
    EXPECT_EQ(1001, odd.m_nDstHeight);
    EXPECT_EQ(1.0f, odd.m_scale.GetFactor());

    // A width of nothing keeps the real size instead of an infinite factor.
    EXPECT_EQ(CSize(1000, 1001), odd.FitToWidth(0));
    EXPECT_EQ(1.0f, odd.m_scale.GetFactor());
}

TEST(BaseImageTest, GetRowsCopiesABandWithoutPadding)
{
    CBaseImage image;
    MakeBitmap(image, 5, 4, 16, [](int r, int c) { return 0x100 * r + c; });
    std::vector<BYTE> band(2 * 3 * 2, 0xAA);
    EXPECT_EQ(band.data(), image.GetRows(band.data(), 0, 1, 3, 2));
    const std::vector<BYTE> expected = {0, 1, 1, 1, 2, 1, 0, 2, 1, 2, 2, 2};
    EXPECT_EQ(expected, band);

    // From column 2; a row past the bottom comes back zeroed.
    std::vector<BYTE> shifted(2 * 2 * 2, 0xAA);
    image.GetRows(shifted.data(), 2, 3, 2, 2);
    const std::vector<BYTE> expectedShifted = {2, 3, 3, 3, 0, 0, 0, 0};
    EXPECT_EQ(expectedShifted, shifted);

    // No rows: the buffer is untouched.
    BYTE untouched = 0x55;
    image.GetRows(&untouched, 0, 0, 1, 0);
    EXPECT_EQ(0x55, untouched);
}

TEST(BaseImageTest, CopyRegionAndCombineMovePixels)
{
    CBaseImage source;
    MakeBitmap(source, 10, 10, 8, [](int r, int c) { return r * 10 + c; });

    CBaseImage region;
    EXPECT_EQ(SUCCESS, region.CopyRegion(&source, 2, 3, 4, 5));
    EXPECT_EQ(4, region.GetWidth());
    EXPECT_EQ(5, region.GetHeight());
    EXPECT_EQ(32, Pixel8(region, 0, 0));
    EXPECT_EQ(75, Pixel8(region, 4, 3));
    EXPECT_EQ(0, region.m_nSrcWidth);  // placement is not touched

    // Cutting a region out of the image itself.
    CBaseImage self;
    MakeBitmap(self, 10, 10, 8, [](int r, int c) { return r * 10 + c; });
    EXPECT_EQ(SUCCESS, self.CopyRegion(&self, 1, 1, 2, 2));
    EXPECT_EQ(11, Pixel8(self, 0, 0));
    EXPECT_EQ(22, Pixel8(self, 1, 1));

    CBaseImage target;
    MakeBitmap(target, 6, 6, 8, [](int, int) { return 200; });
    EXPECT_EQ(SUCCESS, target.Combine(&source, 1, 2, 4, 5));
    EXPECT_EQ(200, Pixel8(target, 1, 0));
    EXPECT_EQ(200, Pixel8(target, 2, 0));
    EXPECT_EQ(54, Pixel8(target, 2, 1));
    EXPECT_EQ(58, Pixel8(target, 2, 5));
    EXPECT_EQ(87, Pixel8(target, 5, 4));
}

TEST(BaseImageTest, CopyImageCarriesPlacementColoursScaleAndWindow)
{
    CBaseImageData source;
    source.m_attr.m_nPixelRepresentation = 0;
    MakeBitmap(source, 8, 6, 16, [](int r, int c) { return r * 100 + c; });
    source.m_crLutStart = 0xFFFFFF;
    source.m_crLutEnd = 0x000000;
    source.SetWindowLevel(300, 200);
    source.FitToWidth(4);
    source.m_nDstX = 8;
    source.m_nDstY = 30;
    source.m_strFileName = "a.dcm";
    source.m_study.m_strPatientID = "P-1";
    source.m_attr.m_nRows = 6;

    CBaseImageData copy;
    EXPECT_TRUE(copy.Copy(&source));
    EXPECT_EQ(8, copy.GetWidth());
    EXPECT_EQ(8, copy.m_nDstX);
    EXPECT_EQ(30, copy.m_nDstY);
    EXPECT_EQ(4, copy.m_nDstWidth);
    EXPECT_EQ(3, copy.m_nDstHeight);
    EXPECT_EQ(8, copy.m_nSrcWidth);
    EXPECT_EQ(2.0f, copy.m_scale.GetFactor());
    EXPECT_EQ(0xFFFFFFu, copy.m_crLutStart);
    EXPECT_EQ(0u, copy.m_crLutEnd);
    int width = 0;
    int center = 0;
    copy.GetWindow(&width, &center);
    EXPECT_EQ(300, width);
    EXPECT_EQ(200, center);
    EXPECT_EQ(source.m_bitmap.GetRendition(), copy.m_bitmap.GetRendition());
    EXPECT_EQ("a.dcm", copy.m_strFileName);
    EXPECT_EQ("P-1", copy.m_study.m_strPatientID);
    EXPECT_EQ(6, copy.m_attr.m_nRows);
}

TEST(BaseImageTest, DrawStretchesTheSourceOntoTheDestinationWithinTheClip)
{
    CBaseImage image;
    MakeBitmap(image, 2, 2, 8, [](int r, int c) { return r == 0 ? (c == 0 ? 0 : 255) : 255; });
    image.SetWindowLevel(200, 100);  // 0 below the window, 255 above it
    image.m_nDstX = 4;
    image.m_nDstY = 2;
    image.m_nDstWidth = 8;
    image.m_nDstHeight = 8;

    const COLORREF red = RGB(255, 0, 0);
    CSurface surface(20, 20);
    surface.Fill(red);
    CDC dc(&surface);
    image.SetClipRect(0, 0, 20, 20);
    image.Draw(&dc);
    EXPECT_EQ(RGB(0, 0, 0), surface.GetPixel(4, 2));
    EXPECT_EQ(RGB(0, 0, 0), surface.GetPixel(7, 5));
    EXPECT_EQ(RGB(255, 255, 255), surface.GetPixel(8, 2));
    EXPECT_EQ(RGB(255, 255, 255), surface.GetPixel(11, 9));
    EXPECT_EQ(red, surface.GetPixel(3, 2));
    EXPECT_EQ(red, surface.GetPixel(12, 2));
    EXPECT_EQ(red, surface.GetPixel(4, 10));

    // The clip rectangle limits what is painted.
    surface.Fill(red);
    image.SetClipRect(0, 0, 6, 20);
    image.Draw(&dc);
    EXPECT_EQ(RGB(0, 0, 0), surface.GetPixel(5, 2));
    EXPECT_EQ(red, surface.GetPixel(6, 2));
    EXPECT_EQ(red, surface.GetPixel(9, 8));
}
