// LBitmapBase: allocation, loading, copying and row access; LBuffer; LBitmapList.
#include "imaging/BitmapInternal.h"

#include "imaging/LDicomDS.h"
#include "platform/ImageFile.h"

#include <cstring>
#include <new>

namespace imaging {

SharedPixels::SharedPixels(platform::PixelBuffer&& bytes)
{
    auto block = std::make_shared<platform::PixelBuffer>(std::move(bytes));
    m_data = block->data();
    m_size = block->size();
    m_block = std::move(block);
}

namespace {
platform::PixelBuffer Checked(platform::PixelBuffer&& bytes, size_t expected)
{
    if (bytes.size() != expected)
        throw std::bad_alloc();
    return std::move(bytes);
}
}  // namespace

SharedPixels SharedPixels::Zeroed(size_t count)
{
    return SharedPixels(Checked(platform::PixelBuffer::Zeroed(count), count));
}

SharedPixels SharedPixels::Slice(const SharedPixels& whole, size_t offset, size_t count)
{
    SharedPixels part;
    part.m_block = whole.m_block;
    part.m_data = whole.m_data + offset;
    part.m_size = count;
    return part;
}

BYTE* SharedPixels::WritableData()
{
    if (m_block && m_block.use_count() > 1)
        *this = SharedPixels(Checked(platform::PixelBuffer::CopyOf(m_data, m_size), m_size));
    return m_data;
}

BYTE* SharedPixels::DataForOverwrite()
{
    if (m_block && m_block.use_count() > 1)
        *this = Zeroed(m_size);
    return m_data;
}

platform::PixelBuffer SharedPixels::TakeBytes()
{
    platform::PixelBuffer bytes;
    if (m_block && m_block.use_count() == 1 && m_data == m_block->data() && m_size == m_block->size())
        // Made as a mutable buffer (the constructor above); nobody else can see it.
        bytes = std::move(*std::const_pointer_cast<platform::PixelBuffer>(m_block));
    else if (m_size > 0)
        bytes = platform::PixelBuffer::CopyOf(m_data, m_size);
    *this = SharedPixels();
    return bytes;
}

}  // namespace imaging

std::int64_t LBitmapBase::Impl::Sample(size_t index) const
{
    const BYTE* p = pixels.data() + index * BytesPerPixel();
    switch (bitsPerPixel) {
    case 8:
        return isSigned ? std::int64_t(std::int8_t(*p)) : std::int64_t(*p);
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return isSigned ? std::int64_t(std::int16_t(v)) : std::int64_t(v);
    }
    default: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return isSigned ? std::int64_t(std::int32_t(v)) : std::int64_t(v);
    }
    }
}

int LBuffer::Reallocate(size_t bytes)
{
    const size_t kept = m_bytes.size();
    if (!m_bytes.Resize(bytes))
        return ERROR_NO_MEMORY;
    if (bytes > kept)
        std::memset(m_bytes.data() + kept, 0, bytes - kept);
    return SUCCESS;
}

LBitmapBase::LBitmapBase() : m_impl(std::make_unique<Impl>()) {}
LBitmapBase::~LBitmapBase() = default;

int LBitmapBase::Load(LPCTSTR path, int bitsPerPixel, int order, void* /*loadOptions*/, void* /*fileInfo*/)
{
    LDicomDS dataset(nullptr);
    return Load(path, dataset, bitsPerPixel, order);
}

int LBitmapBase::Load(LPCTSTR path, LDicomDS& dataset, int bitsPerPixel, int order)
{
    // The frame is read from the file straight into the bitmap.
    if (const int code = dataset.LoadDS(path, LOADDS_PIXEL_DATA_ON_DEMAND); code != DICOM_SUCCESS)
        return m_impl->Fail(code, dataset.GetLastError());
    pDICOMELEMENT pixels = dataset.FindFirstElement(nullptr, 0x7FE00010, FALSE);
    if (!pixels)
        return m_impl->Fail(ERROR_DICOM_NO_PIXELS, std::string("'") + path + "' holds no image (no Pixel Data)");
    if (const int code = dataset.GetImage(pixels, this, 0, bitsPerPixel, order, 0, nullptr, nullptr);
        code != DICOM_SUCCESS)
        return m_impl->Fail(code, dataset.GetLastError());
    m_impl->lastError.clear();
    return SUCCESS;
}

int LBitmapBase::Save(LPCTSTR path, int format, int /*bitsPerPixel*/, int /*quality*/, UINT /*flags*/,
                      void* /*saveOptions*/)
{
    if (!IsAllocated())
        return m_impl->Fail(ERROR_NO_BITMAP, "the bitmap holds no pixels");
    if (format != 0 && format != 6)
        return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED, "only PNG files are written");
    const std::vector<DWORD>& rendition = GetRendition();
    if (!SaveRgb32AsPng(path, rendition.data(), m_impl->width, m_impl->height))
        return m_impl->Fail(ERROR_FILE_OPEN, std::string("cannot write '") + (path ? path : "") + "'");
    return SUCCESS;
}

int LBitmapBase::Create(int width, int height, int bitsPerPixel, BOOL isSigned)
{
    if (width <= 0 || height <= 0 || !imaging::IsSupportedDepth(bitsPerPixel))
        return m_impl->Fail(ERROR_INV_PARAMETER, "a bitmap needs a positive size and 8, 16, 24 or 32 bits per pixel");
    const size_t bytes = size_t(width) * size_t(height) * size_t(bitsPerPixel / 8);
    platform::PixelBuffer pixels = platform::PixelBuffer::Zeroed(bytes);
    if (pixels.empty()) {
        return m_impl->Fail(ERROR_NO_MEMORY, "no memory for a " + std::to_string(width) + " x " +
                                                 std::to_string(height) + " bitmap");
    }
    return AttachPixels(width, height, bitsPerPixel, isSigned, ORDER_BGR, std::move(pixels));
}

int LBitmapBase::AttachPixels(int width, int height, int bitsPerPixel, BOOL isSigned, int order,
                              platform::PixelBuffer&& pixels)
{
    Impl& impl = *m_impl;
    if (width <= 0 || height <= 0 || !imaging::IsSupportedDepth(bitsPerPixel) ||
        pixels.size() != size_t(width) * size_t(height) * size_t(bitsPerPixel / 8))
        return impl.Fail(ERROR_INV_PARAMETER, "the pixels do not match the bitmap's size");
    impl.width = width;
    impl.height = height;
    impl.bitsPerPixel = bitsPerPixel;
    impl.isSigned = isSigned && bitsPerPixel != 24;
    impl.order = order == ORDER_RGB ? ORDER_RGB : ORDER_BGR;
    impl.pixels = imaging::SharedPixels(std::move(pixels));
    impl.hasWindow = false;
    impl.invertedGrey = false;
    impl.lut.clear();
    impl.ResetRects();
    impl.Invalidate();
    impl.lastError.clear();
    return SUCCESS;
}

platform::PixelBuffer LBitmapBase::TakePixels()
{
    platform::PixelBuffer bytes = m_impl->pixels.TakeBytes();
    Free();
    return bytes;
}

void LBitmapBase::Free()
{
    const std::string reason = m_impl->lastError;
    *m_impl = Impl{};
    m_impl->lastError = reason;
}

BOOL LBitmapBase::IsAllocated() const { return m_impl->pixels.empty() ? FALSE : TRUE; }
int LBitmapBase::GetWidth() const { return m_impl->width; }
int LBitmapBase::GetHeight() const { return m_impl->height; }
int LBitmapBase::GetBitsPerPixel() const { return m_impl->bitsPerPixel; }
int LBitmapBase::GetBytesPerLine() const { return int(m_impl->RowBytes()); }
BOOL LBitmapBase::IsSigned() const { return m_impl->isSigned ? TRUE : FALSE; }
int LBitmapBase::GetSamplesPerPixel() const { return m_impl->bitsPerPixel == 24 ? 3 : 1; }
int LBitmapBase::GetColorOrder() const { return m_impl->order; }
const std::string& LBitmapBase::GetLastError() const { return m_impl->lastError; }

void LBitmapBase::SetSigned(BOOL isSigned)
{
    m_impl->isSigned = isSigned && m_impl->bitsPerPixel != 24;
    m_impl->Invalidate();
}

int LBitmapBase::Copy(const LBitmapBase& source)
{
    if (&source == this)
        return SUCCESS;
    try {
        *m_impl = *source.m_impl;
    } catch (const std::bad_alloc&) {
        Free();
        return m_impl->Fail(ERROR_NO_MEMORY, "no memory for the copy");
    }
    m_impl->lastError.clear();
    return SUCCESS;
}

int LBitmapBase::GetRow(LBuffer& buffer, int row, size_t bytes) const
{
    if (buffer.GetSize() < bytes)
        return ERROR_INV_PARAMETER;
    return GetRow(buffer.Lock(), row, bytes);
}

int LBitmapBase::GetRow(BYTE* buffer, int row, size_t bytes) const
{
    if (!IsAllocated())
        return ERROR_NO_BITMAP;
    if (!buffer || row < 0 || row >= m_impl->height || bytes > m_impl->RowBytes())
        return ERROR_INV_PARAMETER;
    std::memcpy(buffer, m_impl->pixels.data() + size_t(row) * m_impl->RowBytes(), bytes);
    return SUCCESS;
}

BYTE* LBitmapBase::GetPixels()
{
    m_impl->Invalidate();
    if (m_impl->pixels.empty())
        return nullptr;
    try {
        return m_impl->pixels.WritableData();
    } catch (const std::bad_alloc&) {
        m_impl->lastError = "no memory for the bitmap's own pixels";
        return nullptr;
    }
}

const BYTE* LBitmapBase::GetPixels() const
{
    const Impl& impl = *m_impl;
    return impl.pixels.empty() ? nullptr : impl.pixels.data();
}

void LBitmapBase::PixelsChanged() { m_impl->Invalidate(); }

LBitmapList::LBitmapList() = default;
LBitmapList::~LBitmapList() = default;

ULONG LBitmapList::GetItemsCount() const { return ULONG(m_items.size()); }

int LBitmapList::InsertItem(const LBitmapBase& bitmap)
{
    auto copy = std::make_unique<LBitmap>();
    if (const int code = copy->Copy(bitmap); code != SUCCESS)
        return code;
    m_items.push_back(std::move(copy));
    return SUCCESS;
}

int LBitmapList::CopyItems(const LBitmapList& source, ULONG index, ULONG count)
{
    if (&source == this)
        return SUCCESS;
    if (index > source.m_items.size())
        return ERROR_INV_PARAMETER;
    const size_t available = source.m_items.size() - index;
    const size_t n = count == ULONG(-1) ? available : std::min<size_t>(count, available);
    std::vector<std::unique_ptr<LBitmapBase>> items;
    for (size_t i = 0; i < n; ++i) {
        auto copy = std::make_unique<LBitmap>();
        if (const int code = copy->Copy(*source.m_items[index + i]); code != SUCCESS)
            return code;
        items.push_back(std::move(copy));
    }
    m_items.swap(items);
    return SUCCESS;
}

int LBitmapList::GetItem(ULONG index, LBitmapBase& bitmap) const
{
    if (index >= m_items.size())
        return ERROR_INV_PARAMETER;
    return bitmap.Copy(*m_items[index]);
}

void LBitmapList::Clear() { m_items.clear(); }
