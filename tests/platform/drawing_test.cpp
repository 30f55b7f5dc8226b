#include "platform/DC.h"
#include "platform/Surface.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Smallest rectangle around the pixels of one colour; empty when there are none.
CRect BoundsOf(const CSurface& surface, COLORREF color)
{
    CRect bounds;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            if (surface.GetPixel(x, y) == color) {
                CRect pixel(x, y, x + 1, y + 1);
                bounds.UnionRect(bounds, pixel);
            }
    return bounds;
}

int CountOf(const CSurface& surface, COLORREF color)
{
    int count = 0;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            count += surface.GetPixel(x, y) == color;
    return count;
}

std::vector<COLORREF> Pixels(const CSurface& surface)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            pixels.push_back(surface.GetPixel(x, y));
    return pixels;
}

// A surface with a different colour in every pixel, so that misplaced pixels show.
void PaintGradient(CSurface& surface)
{
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            surface.SetPixel(x, y, RGB(x * 7, y * 5, (x + y) * 3));
}

// A 32-bit device-independent bitmap header.
BITMAPINFO DibInfo(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

TEST(DrawSurface, PixelsSizeAndResize)
{
    CSurface surface(4, 3);
    EXPECT_EQ(surface.GetPixel(0, 0), kWhite);
    EXPECT_EQ(surface.GetPixel(4, 0), CLR_INVALID);
    surface.SetPixel(1, 2, RGB(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(1, 2), RGB(1, 2, 3));
    surface.Resize(2, 5);
    EXPECT_EQ(surface.Width(), 2);
    EXPECT_EQ(surface.GetPixel(1, 2), RGB(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(1, 4), kWhite);
}

TEST(DrawSurface, DrawingReportsTheChangedClippedArea)
{
    CSurface surface(50, 40);
    std::vector<CRect> changes;
    surface.SetChangeHandler([&](const CRect& rc) { changes.push_back(rc); });
    CDC dc(&surface);
    dc.SetDeviceOrigin(10, 5);
    dc.SetDeviceClip(CRect(0, 0, 20, 20));
    dc.FillSolidRect(15, 15, 30, 30, kRed);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], CRect(25, 20, 30, 25));
    EXPECT_EQ(BoundsOf(surface, kRed), changes[0]);
}

TEST(DrawShapes, RectangleExcludesRightAndBottomEdges)
{
    CSurface surface(40, 30);
    CDC dc(&surface);
    CPen pen(PS_SOLID, 1, kRed);
    CBrush brush(kBlue);
    dc.SelectObject(&pen);
    dc.SelectObject(&brush);
    dc.Rectangle(10, 10, 20, 16);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(10, 10, 20, 16));
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(11, 11, 19, 15));
    EXPECT_EQ(CountOf(surface, kBlue), 8 * 4);

    // Without a pen GDI fills one pixel less in each direction.
    surface.Fill(kWhite);
    dc.SelectStockObject(NULL_PEN);
    dc.Rectangle(10, 10, 20, 16);
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(10, 10, 19, 15));

    // A stock null brush leaves the inside alone.
    surface.Fill(kWhite);
    dc.SelectObject(&pen);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(10, 10, 20, 16);
    EXPECT_EQ(CountOf(surface, kRed), 2 * 10 + 2 * 4);
    EXPECT_EQ(surface.GetPixel(12, 12), kWhite);
}

TEST(DrawShapes, LineToLeavesOutItsEndPoint)
{
    CSurface surface(20, 20);
    CDC dc(&surface);
    dc.MoveTo(2, 5);
    dc.LineTo(8, 5);
    dc.LineTo(8, 9);
    EXPECT_EQ(BoundsOf(surface, kBlack), CRect(2, 5, 9, 9));
    EXPECT_EQ(CountOf(surface, kBlack), 6 + 4);
    EXPECT_EQ(surface.GetPixel(8, 9), kWhite);
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(8, 9));
}

TEST(DrawShapes, EllipseAndPolygonStayInsideTheirBounds)
{
    CSurface surface(40, 40);
    CDC dc(&surface);
    CPen pen(PS_SOLID, 1, kRed);
    CBrush brush(kBlue);
    dc.SelectObject(&pen);
    dc.SelectObject(&brush);
    dc.Ellipse(5, 6, 25, 20);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(5, 6, 25, 20));
    EXPECT_EQ(surface.GetPixel(15, 13), kBlue);
    EXPECT_EQ(surface.GetPixel(5, 6), kWhite);  // corners stay outside

    surface.Fill(kWhite);
    const POINT triangle[] = {{10, 10}, {30, 10}, {10, 30}};
    dc.Polygon(triangle, 3);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(10, 10, 31, 31));
    EXPECT_EQ(surface.GetPixel(14, 14), kBlue);
    EXPECT_EQ(surface.GetPixel(28, 28), kWhite);
}

TEST(DrawAreas, FillSolidRectPatBltAndFrames)
{
    CSurface surface(30, 30);
    CDC dc(&surface);
    dc.FillSolidRect(CRect(2, 3, 12, 8), kRed);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(2, 3, 12, 8));
    EXPECT_EQ(dc.GetBkColor(), kRed);  // the framework fills through the background colour

    dc.PatBlt(0, 0, 30, 2, BLACKNESS);
    EXPECT_EQ(BoundsOf(surface, kBlack), CRect(0, 0, 30, 2));
    dc.PatBlt(0, 0, 30, 2, DSTINVERT);
    EXPECT_EQ(surface.GetPixel(29, 1), kWhite);

    // FillRect uses its brush as a pattern copy, whatever the drawing mode.
    CBrush blue(kBlue);
    dc.SetROP2(R2_XORPEN);
    dc.FillRect(CRect(20, 20, 25, 22), &blue);
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(20, 20, 25, 22));

    surface.Fill(kWhite);
    dc.Draw3dRect(CRect(5, 5, 15, 10), kRed, kBlue);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(5, 5, 14, 9));
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(5, 5, 15, 10));
    EXPECT_EQ(surface.GetPixel(14, 5), kBlue);
    EXPECT_EQ(surface.GetPixel(5, 9), kBlue);
}

TEST(DrawXor, DrawingTwiceRestoresTheSurface)
{
    CSurface surface(60, 50);
    PaintGradient(surface);
    const std::vector<COLORREF> before = Pixels(surface);
    CDC dc(&surface);
    CPen wide(PS_SOLID, 2, kRed);
    dc.SelectObject(&wide);
    dc.SelectStockObject(NULL_BRUSH);
    dc.SetROP2(R2_XORPEN);
    dc.Rectangle(5, 6, 40, 30);
    EXPECT_NE(Pixels(surface), before);
    // One pixel of the frame: the colour XOR red, alpha untouched.
    EXPECT_EQ(surface.GetPixel(5, 6), before[6 * 60 + 5] ^ kRed);
    dc.Rectangle(5, 6, 40, 30);
    EXPECT_EQ(Pixels(surface), before);

    CRect focus(3, 3, 20, 20);
    dc.DrawFocusRect(focus);
    dc.InvertRect(CRect(10, 10, 50, 40));
    dc.DrawFocusRect(focus);
    dc.InvertRect(CRect(10, 10, 50, 40));
    EXPECT_EQ(Pixels(surface), before);
}

TEST(DrawCoordinates, ViewportOriginAndDeviceOriginShiftDrawing)
{
    CSurface surface(40, 40);
    CDC dc(&surface);
    dc.SetViewportOrg(-5, -3);  // as a scroll view scrolled by (5, 3)
    dc.FillSolidRect(10, 10, 2, 2, kRed);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(5, 7, 7, 9));
    EXPECT_EQ(dc.OffsetViewportOrg(5, 3), CPoint(-5, -3));
    EXPECT_EQ(dc.GetPixel(5, 7), kRed);

    dc.SetDeviceOrigin(20, 20);  // a client area placed inside the window's surface
    dc.FillSolidRect(1, 1, 1, 1, kBlue);
    EXPECT_EQ(surface.GetPixel(21, 21), kBlue);
}

TEST(DrawClipping, DeviceClipAndUserClipLimitDrawing)
{
    CSurface surface(40, 40);
    CDC dc(&surface);
    dc.SetDeviceClip(CRect(5, 5, 35, 35));
    dc.SetViewportOrg(-2, 0);
    dc.IntersectClipRect(0, 0, 20, 100);      // device x 0 .. 18
    dc.ExcludeClipRect(10, 10, 12, 12);       // device (8, 10) .. (10, 12)
    CRect box;
    EXPECT_EQ(dc.GetClipBox(&box), COMPLEXREGION);
    EXPECT_EQ(box, CRect(7, 5, 20, 35));
    dc.FillSolidRect(-100, -100, 300, 300, kRed);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(5, 5, 18, 35));
    EXPECT_EQ(CountOf(surface, kRed), 13 * 30 - 4);
    EXPECT_EQ(surface.GetPixel(9, 11), kWhite);
    EXPECT_EQ(dc.GetPixel(11, 11), CLR_INVALID);

    // Removing the user clip leaves the device clip.
    dc.SelectClipRgn(nullptr);
    dc.FillSolidRect(-100, -100, 300, 300, kBlue);
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(5, 5, 35, 35));

    CRgn region;
    region.CreateRectRgn(0, 0, 3, 3);
    dc.SelectClipRgn(&region);  // device coordinates
    dc.FillSolidRect(-100, -100, 300, 300, kBlack);
    EXPECT_EQ(BoundsOf(surface, kBlack), CRect());
}

TEST(DrawState, RestoreDCBringsBackObjectsClipAndOrigin)
{
    CSurface surface(40, 40);
    CDC dc(&surface);
    CPen red(PS_SOLID, 1, kRed);
    CPen blue(PS_SOLID, 1, kBlue);
    CPen* original = dc.SelectObject(&red);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(original->m_hObject, GetStockObject(BLACK_PEN));
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SelectObject(&blue);
    dc.IntersectClipRect(0, 0, 5, 5);
    dc.SetViewportOrg(10, 10);
    dc.SetROP2(R2_NOT);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_FALSE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetCurrentPen(), &red);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(20, 20, 30, 30);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(20, 20, 30, 30));
}

TEST(DrawObjects, HandlesMapBackAndSelectedObjectsOutliveTheirOwners)
{
    CPen pen(PS_DASH, 1, kRed);
    EXPECT_EQ(CPen::FromHandle(pen), &pen);
    EXPECT_EQ(CGdiObject::FromHandle(pen.m_hObject), &pen);
    EXPECT_EQ(CBrush::FromHandle(reinterpret_cast<HBRUSH>(pen.m_hObject)), nullptr);
    CBrush* stock = CBrush::FromHandle(reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(stock, CBrush::FromHandle(reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))));
    EXPECT_FALSE(DeleteObject(static_cast<HGDIOBJ>(nullptr)));

    CSurface surface(20, 20);
    CDC dc(&surface);
    HGDIOBJ handle;
    {
        CPen temporary(PS_SOLID, 1, kBlue);
        handle = temporary.m_hObject;
        dc.SelectObject(&temporary);
    }  // deleted while selected: kept until deselected
    EXPECT_EQ(CGdiObject::FromHandle(handle), nullptr);
    dc.MoveTo(0, 0);
    dc.LineTo(5, 0);
    EXPECT_EQ(CountOf(surface, kBlue), 5);
    dc.SelectStockObject(BLACK_PEN);

    CFont font;
    ASSERT_TRUE(font.CreatePointFont(80, "DejaVu Sans"));
    LOGFONT lf{};
    font.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_STREQ(lf.lfFaceName, "DejaVu Sans");
    CFont* previous = dc.SelectObject(&font);
    EXPECT_EQ(previous->m_hObject, GetStockObject(SYSTEM_FONT));
    TEXTMETRIC tm{};
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 11);
    EXPECT_LE(tm.tmHeight, 16);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_EQ(dc.GetTextExtent("Wide").cy, tm.tmHeight);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 20);
}

TEST(DrawObjects, StockObjectsAreSharedAndWrappersDeleteTheirHandle)
{
    CBrush first, second;
    EXPECT_TRUE(first.CreateStockObject(WHITE_BRUSH));
    EXPECT_TRUE(second.CreateStockObject(WHITE_BRUSH));
    EXPECT_TRUE(first.DeleteObject());
    EXPECT_EQ(GetObjectType(second.m_hObject), OBJ_BRUSH);

    HRGN handle = CreateRectRgn(0, 0, 4, 4);
    CRgn* wrapper = CRgn::FromHandle(handle);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_TRUE(wrapper->PtInRegion(3, 3));
    EXPECT_TRUE(wrapper->DeleteObject());
    EXPECT_EQ(CRgn::FromHandle(handle), nullptr);
}

TEST(DrawObjects, RegionsCombineRectangleSets)
{
    CRgn a, b, result;
    a.CreateRectRgn(0, 0, 10, 10);
    b.CreateRectRgn(5, 5, 15, 15);
    result.CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(result.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(result.PtInRegion(14, 14));
    EXPECT_FALSE(result.PtInRegion(14, 2));
    CRect box;
    result.GetRgnBox(&box);
    EXPECT_EQ(box, CRect(0, 0, 15, 15));
    EXPECT_EQ(result.CombineRgn(&a, &b, RGN_AND), SIMPLEREGION);
    result.GetRgnBox(&box);
    EXPECT_EQ(box, CRect(5, 5, 10, 10));
    EXPECT_EQ(result.CombineRgn(&a, &b, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(result.PtInRegion(7, 7));
    EXPECT_TRUE(result.PtInRegion(2, 7));
    EXPECT_EQ(CombineRgn(result, a, a, RGN_DIFF), NULLREGION);
}

TEST(DrawBlits, StretchDIBitsMapsNearestPixelsAndClips)
{
    // 2 x 2 source, rows top-down: red, blue / black, white (0x00RRGGBB values).
    const std::vector<DWORD> bits = {0xFF0000, 0x0000FF, 0x000000, 0xFFFFFF};
    BITMAPINFO info = DibInfo(2, -2);
    CSurface surface(10, 10);
    surface.Fill(RGB(1, 2, 3));
    CDC dc(&surface);
    EXPECT_EQ(dc.StretchDIBits(3, 3, 4, 4, 0, 0, 2, 2, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(3, 3, 5, 5));
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(5, 3, 7, 5));
    EXPECT_EQ(BoundsOf(surface, kBlack), CRect(3, 5, 5, 7));
    EXPECT_EQ(BoundsOf(surface, kWhite), CRect(5, 5, 7, 7));
    EXPECT_EQ(CountOf(surface, RGB(1, 2, 3)), 100 - 16);

    // Bottom-up rows: the first stored row is the bottom one.
    info = DibInfo(2, 2);
    surface.Fill(RGB(1, 2, 3));
    dc.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(surface.GetPixel(0, 1), kRed);
    EXPECT_EQ(surface.GetPixel(1, 0), kWhite);

    // Clipped, and a source sub-rectangle (the right column) stretched.
    info = DibInfo(2, -2);
    surface.Fill(RGB(1, 2, 3));
    dc.IntersectClipRect(0, 0, 10, 5);
    dc.StretchDIBits(2, 2, 3, 6, 1, 0, 1, 2, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(BoundsOf(surface, kBlue), CRect(2, 2, 5, 5));
    EXPECT_EQ(CountOf(surface, kWhite), 0);
    EXPECT_EQ(StretchDIBits(dc.GetSafeHdc(), 0, 0, 1, 1, 0, 0, 1, 1, bits.data(), nullptr, 0, SRCCOPY), 0);
}

TEST(DrawBlits, StretchDIBitsReadsPaddedPaletteAndColourRows)
{
    CSurface surface(6, 4);
    CDC dc(&surface);
    // 8 bits per pixel, 3 x 2, rows padded to 4 bytes, through a two-colour table.
    struct {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[2];
    } indexed{};
    indexed.bmiHeader = DibInfo(3, -2).bmiHeader;
    indexed.bmiHeader.biBitCount = 8;
    indexed.bmiHeader.biClrUsed = 2;
    indexed.bmiColors[1] = RGBQUAD{0, 0, 255, 0};  // red
    const BYTE indices[] = {1, 0, 1, 0xEE, 0, 1, 0, 0xEE};
    dc.StretchDIBits(0, 0, 3, 2, 0, 0, 3, 2, indices, reinterpret_cast<const BITMAPINFO*>(&indexed), DIB_RGB_COLORS,
                     SRCCOPY);
    EXPECT_EQ(surface.GetPixel(0, 0), kRed);
    EXPECT_EQ(surface.GetPixel(1, 0), kBlack);
    EXPECT_EQ(surface.GetPixel(1, 1), kRed);
    EXPECT_EQ(surface.GetPixel(2, 1), kBlack);

    // 24 bits per pixel, blue-green-red bytes, 3 x 2, rows padded from 9 to 12 bytes.
    BITMAPINFO info = DibInfo(3, -2);
    info.bmiHeader.biBitCount = 24;
    std::vector<BYTE> rows(24, 0);
    rows[2] = 255;       // (0, 0) red
    rows[12 + 6] = 255;  // (2, 1) blue
    dc.StretchDIBits(3, 0, 3, 2, 0, 0, 3, 2, rows.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(surface.GetPixel(3, 0), kRed);
    EXPECT_EQ(surface.GetPixel(5, 1), kBlue);
    EXPECT_EQ(surface.GetPixel(4, 1), kBlack);
}

TEST(DrawBlits, BitBltFromAMemoryDC)
{
    CSurface surface(30, 30);
    CDC dc(&surface);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&dc));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 8, 6));
    BITMAP info{};
    bitmap.GetBitmap(&info);
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 6);
    CBitmap* old = memory.SelectObject(&bitmap);
    ASSERT_NE(old, nullptr);
    memory.FillSolidRect(0, 0, 8, 6, kRed);
    memory.SetPixel(7, 5, kBlue);
    EXPECT_EQ(memory.GetPixel(7, 5), kBlue);

    EXPECT_TRUE(dc.BitBlt(10, 12, 8, 6, &memory, 0, 0, SRCCOPY));
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(10, 12, 18, 18));
    EXPECT_EQ(surface.GetPixel(17, 17), kBlue);

    const std::vector<COLORREF> before = Pixels(surface);
    dc.BitBlt(1, 1, 8, 6, &memory, 0, 0, SRCINVERT);
    dc.BitBlt(1, 1, 8, 6, &memory, 0, 0, SRCINVERT);
    EXPECT_EQ(Pixels(surface), before);

    // Within one surface, overlapping areas move as a whole (a scroll by 4 pixels).
    dc.BitBlt(14, 12, 8, 6, &dc, 10, 12, SRCCOPY);
    EXPECT_EQ(BoundsOf(surface, kRed), CRect(10, 12, 22, 18));
    EXPECT_EQ(surface.GetPixel(21, 17), kBlue);
    EXPECT_EQ(surface.GetPixel(17, 17), kRed);

    memory.SelectObject(old);
    EXPECT_EQ(memory.GetCurrentBitmap(), old);
}

TEST(DrawText, DrawTextCentresAndElides)
{
    CSurface surface(200, 60);
    CDC dc(&surface);
    dc.SelectStockObject(DEFAULT_GUI_FONT);
    dc.SetTextColor(kRed);
    dc.SetBkMode(TRANSPARENT);
    CRect rc(20, 10, 180, 50);
    const CSize extent = dc.GetTextExtent("Centred");
    dc.DrawText("Centred", -1, rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const CRect ink = BoundsOf(surface, kRed);
    ASSERT_FALSE(ink.IsRectEmpty());
    const int cellLeft = rc.left + (rc.Width() - extent.cx) / 2;
    const int cellTop = rc.top + (rc.Height() - extent.cy) / 2;
    EXPECT_GE(ink.left, cellLeft);
    EXPECT_LE(ink.right, cellLeft + extent.cx);
    EXPECT_GE(ink.top, cellTop);
    EXPECT_LE(ink.bottom, cellTop + extent.cy);
    EXPECT_LE(std::abs((ink.left - rc.left) - (rc.right - ink.right)), 3);

    CRect calc(0, 0, 0, 0);
    EXPECT_EQ(dc.DrawText("Centred", -1, calc, DT_CALCRECT | DT_SINGLELINE), extent.cy);
    EXPECT_EQ(calc, CRect(0, 0, extent.cx, extent.cy));

    // Too long for its rectangle: the end becomes "...", whose dots sit at the baseline,
    // where clipped capitals would fill the whole cell.
    const char* longText = "WWWWWWWWWWWWWWWWWWWWWWWW";
    auto trailingInk = [&](UINT flags) {
        surface.Fill(kWhite);
        CRect narrow(10, 10, 90, 10 + extent.cy);
        dc.DrawText(longText, -1, narrow, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | flags);
        const CRect ink = BoundsOf(surface, kRed);
        EXPECT_LE(ink.right, 90);
        CRect bounds;  // ink of the last five columns
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = ink.right - 5; x < ink.right; ++x)
                if (surface.GetPixel(x, y) == kRed)
                    bounds.UnionRect(bounds, CRect(x, y, x + 1, y + 1));
        return bounds;
    };
    const CRect clipped = trailingInk(0);
    const CRect elided = trailingInk(DT_END_ELLIPSIS);
    ASSERT_FALSE(elided.IsRectEmpty());
    EXPECT_LT(elided.Height(), 4);
    EXPECT_GT(clipped.Height(), 6);
}

TEST(DrawText, OpaqueBackgroundFillsTheTextCell)
{
    CSurface surface(100, 30);
    CDC dc(&surface);
    dc.SetTextColor(kRed);
    dc.SetBkColor(RGB(255, 255, 0));
    const CSize extent = dc.GetTextExtent("Notice");
    dc.TextOut(5, 4, "Notice");
    EXPECT_EQ(CountOf(surface, RGB(255, 255, 0)) + CountOf(surface, kRed), extent.cx * extent.cy);
    EXPECT_EQ(BoundsOf(surface, RGB(255, 255, 0)), CRect(5, 4, 5 + extent.cx, 4 + extent.cy));
}

TEST(DrawDemo, SavesAScreenshotOfTheDrawingCalls)
{
    CSurface surface(320, 200);
    CDC dc(&surface);
    dc.PatBlt(0, 0, 320, 200, BLACKNESS);
    std::vector<DWORD> ramp(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp[y * 64 + x] = static_cast<DWORD>((x * 4) << 16 | (y * 4) << 8 | 128);
    BITMAPINFO info = DibInfo(64, -64);
    dc.StretchDIBits(16, 16, 128, 160, 0, 0, 64, 64, ramp.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    CBrush bar(RGB(224, 224, 224));
    CPen black(PS_SOLID, 1, kBlack);
    dc.SelectObject(&black);
    dc.SelectObject(&bar);
    dc.Rectangle(8, 16, 16, 176);
    CPen frame(PS_SOLID, 2, kRed);
    dc.SelectObject(&frame);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(24, 30, 136, 160);
    dc.SelectStockObject(WHITE_PEN);
    dc.SelectObject(&bar);
    dc.Ellipse(170, 20, 240, 70);
    CPen dashed(PS_DASH, 1, RGB(0, 255, 0));
    dc.SelectObject(&dashed);
    dc.SetBkMode(TRANSPARENT);
    dc.MoveTo(170, 90);
    dc.LineTo(310, 120);
    dc.SetTextColor(kRed);
    dc.SetBkColor(RGB(255, 255, 0));
    dc.SetBkMode(OPAQUE);
    CRect notice(150, 130, 310, 190);
    dc.DrawText("Moved 10 pixels", -1, notice, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_TRUE(surface.SavePng((testfiles::OutputDir() / "drawing-demo.png").string()));
}
