// Bitmaps holding one decoded frame with stored values unchanged, lists of them, row
// buffers and the painter. Bits per pixel 8, 16, 24 or 32; rows top-down, no padding.
// Signed 16-bit data keeps its two's-complement values; the lookup table addresses a
// signed value v at v + 32768.
#pragma once

#include "imaging/LTypes.h"
#include "platform/PixelBuffer.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CDC;
class LDicomDS;

// A row buffer: the pixel buffer behind the row-access interface.
class LBuffer {
public:
    LBuffer() = default;
    explicit LBuffer(size_t bytes) { Reallocate(bytes); }
    // Keeps the first min(old, new) bytes; bytes beyond them are zero. SUCCESS or
    // ERROR_NO_MEMORY (the buffer unchanged).
    int Reallocate(size_t bytes);
    BYTE* Lock() { return m_bytes.data(); }
    void Unlock() {}
    size_t GetSize() const { return m_bytes.size(); }
    void Free() { m_bytes.Free(); }

private:
    platform::PixelBuffer m_bytes;
};

class LBitmapBase {
public:
    LBitmapBase();
    virtual ~LBitmapBase();
    LBitmapBase(const LBitmapBase&) = delete;
    LBitmapBase& operator=(const LBitmapBase&) = delete;

    // Loads frame 0 of a DICOM file as LDicomDS::GetImage decodes it (bitsPerPixel 0: the
    // image's own; 24-bit colour blue first unless ORDER_RGB); signed from Pixel
    // Representation. SUCCESS or a failure code (reason in GetLastError()); a failure
    // leaves the bitmap as it was.
    int Load(LPCTSTR path, int bitsPerPixel = 0, int order = ORDER_BGRORGRAY, void* loadOptions = nullptr,
             void* fileInfo = nullptr);
    // The same, reading the file into `dataset`, which the caller keeps for the file's other
    // elements: one reading of the file serves both. The data set is loaded with
    // LOADDS_PIXEL_DATA_ON_DEMAND: read it, do not save it.
    int Load(LPCTSTR path, LDicomDS& dataset, int bitsPerPixel = 0, int order = ORDER_BGRORGRAY);
    // Writes the rendered bitmap (window applied) as an image file; format 6 and 0 are PNG.
    int Save(LPCTSTR path, int format, int bitsPerPixel, int quality, UINT flags, void* saveOptions = nullptr);

    // Allocates width x height zeroed pixels; `isSigned` marks 16-bit two's-complement data.
    // SUCCESS, ERROR_INV_PARAMETER or ERROR_NO_MEMORY.
    int Create(int width, int height, int bitsPerPixel, BOOL isSigned = FALSE);
    // Takes over decoded rows (width x height x bitsPerPixel / 8 bytes, no padding).
    // `order` tells how 24-bit pixels are stored: ORDER_RGB, otherwise blue first.
    // Drops the window; painting rectangles become the whole bitmap.
    int AttachPixels(int width, int height, int bitsPerPixel, BOOL isSigned, int order, platform::PixelBuffer&& pixels);
    // Hands the rows over (GetHeight() x GetBytesPerLine() bytes) and frees the bitmap: the
    // block itself when no copy of the bitmap shares it, else a copy; empty when the
    // bitmap holds none or memory runs out.
    platform::PixelBuffer TakePixels();
    void Free();
    BOOL IsAllocated() const;
    int GetWidth() const;
    int GetHeight() const;
    int GetBitsPerPixel() const;
    int GetBytesPerLine() const;
    BOOL IsSigned() const;
    void SetSigned(BOOL isSigned);
    // Samples per pixel of the decoded data (1 grey, 3 colour).
    int GetSamplesPerPixel() const;
    // Byte order of 24-bit pixels: ORDER_BGR (blue first, as a DIB) or ORDER_RGB.
    int GetColorOrder() const;

    // Copy, applied window and colour table included. The pixel rows are shared until
    // either bitmap changes them, so a copy costs no pixel copy. SUCCESS or a failure code.
    int Copy(const LBitmapBase& source);
    // Replaces this bitmap by the rectangle (x, y, width, height) of `source`, window
    // included. Parts of the rectangle outside the source are 0 (black); the result
    // always has the requested size. A band of whole rows shares the source's rows.
    // ERROR_INV_PARAMETER when the rectangle is empty or does not meet the source.
    int CopyRect(const LBitmapBase& source, int x, int y, int width, int height);
    // Resizes to width x height (nearest sample). SUCCESS or a failure code.
    int Resize(int width, int height);
    // Sets every pixel to `value` (its low bytes; a COLORREF for 24-bit bitmaps).
    int Fill(DWORD value = 0);
    // Combines `source` from (xSrc, ySrc) into this bitmap from (xDst, yDst) over at most
    // width x height, within both bitmaps (negative coordinates clip). Flags: CB_OP_REPLACE
    // (0x320) copies, CB_OP_OR ORs (after clearing with CB_DST_0), CB_DST_0 alone copies;
    // other operations give ERROR_FEATURE_NOT_SUPPORTED, different depths
    // ERROR_INV_PARAMETER.
    int Combine(int xDst, int yDst, int width, int height, const LBitmapBase& source, int xSrc, int ySrc, UINT flags);

    int Access() { return SUCCESS; }
    int Release() { return SUCCESS; }
    // Copies `bytes` bytes of row `row` into `buffer`. SUCCESS or a failure code.
    int GetRow(LBuffer& buffer, int row, size_t bytes) const;
    int GetRow(BYTE* buffer, int row, size_t bytes) const;
    // Direct access to the pixel rows (width x bytes per pixel each, top-down). The
    // non-const access counts as a change of the pixels (the rendition is rebuilt) and
    // gives this bitmap rows of its own when it shares them with a copy (nullptr when
    // that copy cannot be made).
    BYTE* GetPixels();
    const BYTE* GetPixels() const;
    // Marks the pixels as changed (drops cached renditions).
    void PixelsChanged();

    // Lowest and highest bit in which the data varies.
    int GetMinMaxBits(int* lowBit, int* highBit) const;
    // Smallest and largest stored value (signed values as their signed value).
    int GetMinMaxVal(int* minValue, int* maxValue) const;
    // Both of the above in one pass over the pixels (what a window on loading needs).
    int GetMinMaxBitsAndVal(int* lowBit, int* highBit, int* minValue, int* maxValue) const;

    // Fills `count` entries: up to `low` the start colour, from `high` the end colour, a
    // linear ramp between. Indices are table indices (value + 32768 for signed data).
    static int WindowLevelFillLUT(RGBQUAD* table, ULONG count, COLORREF start, COLORREF end, int low, int high,
                                  int lowBit, int highBit, int minValue, int maxValue, UINT flags);
    // Renders through `table` from now on (the table is copied). SUCCESS or a failure code.
    int WindowLevel(int lowBit, int highBit, const RGBQUAD* table, ULONG count, UINT flags);
    BOOL HasWindow() const;
    // Unwindowed grey shows its largest value black and its smallest white (the
    // rendering of MONOCHROME1 without a window). New pixels clear it.
    void SetInvertedGrey(BOOL inverted);
    BOOL IsInvertedGrey() const;

    // Painting geometry, in the device's logical coordinates (destination) and bitmap
    // pixels (source).
    void SetSrcRect(const RECT& rc);
    void SetClipSrcRect(const RECT& rc);
    void SetDstRect(const RECT& rc);
    void SetClipDstRect(const RECT& rc);
    RECT GetSrcRect() const;
    RECT GetDstRect() const;
    RECT GetClipDstRect() const;
    // Palettes are not used on a true-colour surface: always nullptr.
    HPALETTE CreatePaintPalette(HDC hdc);

    // The rendition as 32-bit 0x00RRGGBB pixels, width x height, rebuilt only when the
    // pixels or the table changed. Without a window, 8-bit unsigned grey shows its values
    // and other grey data is scaled over its value range; 24-bit shows its colours.
    const std::vector<DWORD>& GetRendition() const;

    const std::string& GetLastError() const;

    struct Impl;

protected:
    std::unique_ptr<Impl> m_impl;
    friend class LDraw;
};

class LBitmap : public LBitmapBase {
public:
    using LBitmapBase::LBitmapBase;
};

// Paints a bitmap onto a device context: the source rectangle stretched onto the
// destination rectangle, limited by the destination clip rectangle.
class LDraw {
public:
    explicit LDraw(LBitmapBase& bitmap) : m_bitmap(bitmap) {}
    void SetDC(HDC hdc) { m_hdc = hdc; }
    HDC GetDC() const { return m_hdc; }
    int Paint(DWORD rop = SRCCOPY);

private:
    LBitmapBase& m_bitmap;
    HDC m_hdc = nullptr;
};

class LBitmapList {
public:
    LBitmapList();
    ~LBitmapList();
    LBitmapList(const LBitmapList&) = delete;
    LBitmapList& operator=(const LBitmapList&) = delete;

    ULONG GetItemsCount() const;
    // Appends a deep copy of `bitmap`. SUCCESS or a failure code.
    int InsertItem(const LBitmapBase& bitmap);
    // Replaces this list's items by deep copies of `count` items of `source` from `index`
    // (count (ULONG)-1: all). SUCCESS or a failure code.
    int CopyItems(const LBitmapList& source, ULONG index, ULONG count);
    // Deep copy of item `index` into `bitmap`. SUCCESS or a failure code.
    int GetItem(ULONG index, LBitmapBase& bitmap) const;
    void Clear();

private:
    std::vector<std::unique_ptr<LBitmapBase>> m_items;
};
