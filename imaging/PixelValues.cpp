// LDicomDS: raw values of binary elements (Pixel Data, OB, OW).
#include "imaging/DicomInternal.h"
#include "platform/StageTrace.h"

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcelem.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

bool IsBinary(DcmEVR vr) { return vr == EVR_PixelData || vr == EVR_OB || vr == EVR_OW || vr == EVR_UN; }

}  // namespace

BOOL LDicomDS::GetBinaryValue(pDICOMELEMENT handle, void* buffer, ULONG length)
{
    if (!buffer && length > 0)
        return m_impl->FailBool("no element or no buffer was given");
    const BYTE* bytes = GetBinaryValueData(handle, length);
    if (!bytes)
        return FALSE;
    if (length > 0)
        std::memcpy(buffer, bytes, length);
    return TRUE;
}

const BYTE* LDicomDS::GetBinaryValueData(pDICOMELEMENT handle, ULONG length)
{
    // Handed out for an empty request, where there is no value to point at.
    static const BYTE kNothing = 0;
    DcmElement* element = imaging::ToElement(handle);
    if (!element) {
        m_impl->FailBool("no element or no buffer was given");
        return nullptr;
    }
    if (element->ident() == EVR_PixelData && DcmXfer(m_impl->xfer).isEncapsulated()) {
        m_impl->FailBool("the pixel data is compressed; decode it instead");
        return nullptr;
    }
    if (element->getLength() < length) {
        m_impl->FailBool("the element holds " + std::to_string(element->getLength()) + " bytes, " +
                         std::to_string(length) + " were asked for");
        return nullptr;
    }
    if (length == 0)
        return &kNothing;
    // OW values are held in host byte order also for big-endian files, so the bytes
    // are the values in native little-endian order.
    Uint8* bytes = nullptr;
    if (element->getUint8Array(bytes).bad() || !bytes) {
        Uint16* words = nullptr;
        if (element->getUint16Array(words).bad() || !words) {
            m_impl->FailBool("the element has no raw value");
            return nullptr;
        }
        bytes = reinterpret_cast<Uint8*>(words);
    }
    m_impl->Succeed();
    return bytes;
}

BOOL LDicomDS::GetBinaryValuePart(pDICOMELEMENT handle, ULONG offset, void* buffer, ULONG length)
{
    const platform::StageScope trace(platform::Stage::Decode);
    DcmElement* element = imaging::ToElement(handle);
    if (!element || (!buffer && length > 0))
        return m_impl->FailBool("no element or no buffer was given");
    if (element->ident() == EVR_PixelData && DcmXfer(m_impl->xfer).isEncapsulated())
        return m_impl->FailBool("the pixel data is compressed; decode it instead");
    if (std::uint64_t(offset) + length > element->getLength())
        return m_impl->FailBool("the element holds " + std::to_string(element->getLength()) + " bytes, " +
                                std::to_string(std::uint64_t(offset) + length) + " were asked for");
    if (length == 0)
        return TRUE;
    // Values in the local byte order, as GetBinaryValue gives them.
    const OFCondition cond = element->getPartialValue(buffer, Uint32(offset), Uint32(length));
    if (cond.bad())
        return m_impl->FailBool(std::string("cannot read the value: ") + cond.text());
    m_impl->Succeed();
    return TRUE;
}

namespace {

// Whether the binary element holds 16-bit words: Pixel Data by the Bits Allocated beside
// it, other elements by their VR.
bool HoldsWords(DcmElement& element)
{
    if (element.ident() != EVR_PixelData)
        return element.getTag().getEVR() == EVR_OW;
    auto* item = dynamic_cast<DcmItem*>(element.getParent());
    Uint16 bitsAllocated = 0;
    return item && item->findAndGetUint16(DCM_BitsAllocated, bitsAllocated).good() && bitsAllocated > 8;
}

}  // namespace

BYTE* LDicomDS::CreateBinaryValue(pDICOMELEMENT handle, ULONG length)
{
    DcmElement* element = imaging::ToElement(handle);
    if (!element || length == 0) {
        m_impl->FailBool("no element or no length was given");
        return nullptr;
    }
    if (!IsBinary(element->ident())) {
        m_impl->FailBool("the element does not hold raw bytes");
        return nullptr;
    }
    const bool words = HoldsWords(*element);
    if (words && length % 2 != 0) {
        m_impl->FailBool("16-bit values need an even number of bytes");
        return nullptr;
    }
    BYTE* bytes = nullptr;
    OFCondition cond;
    try {
        if (words) {
            element->setVR(EVR_OW);
            Uint16* values = nullptr;
            cond = element->createUint16Array(Uint32(length / 2), values);
            bytes = reinterpret_cast<BYTE*>(values);
        } else {
            if (element->ident() == EVR_PixelData)
                element->setVR(EVR_OB);
            Uint8* values = nullptr;
            cond = element->createUint8Array(Uint32(length), values);
            bytes = values;
        }
    } catch (const std::bad_alloc&) {
        m_impl->FailBool("no memory for " + std::to_string(length) + " bytes");
        return nullptr;
    }
    if (cond.good() && bytes == nullptr)
        cond = EC_MemoryExhausted;
    if (cond.bad()) {
        m_impl->FailBool(std::string("cannot create the value: ") + cond.text());
        return nullptr;
    }
    if (element->ident() == EVR_PixelData && DcmXfer(m_impl->xfer).isEncapsulated())
        m_impl->xfer = EXS_LittleEndianExplicit;
    m_impl->Succeed();
    return bytes;
}

BOOL LDicomDS::SetBinaryValue(pDICOMELEMENT handle, const void* buffer, ULONG length)
{
    // Handing the composed raster to the output data set is the last step of composing.
    const platform::StageScope trace(platform::Stage::Compose);
    DcmElement* element = imaging::ToElement(handle);
    if (!element || (!buffer && length > 0))
        return m_impl->FailBool("no element or no buffer was given");
    if (!IsBinary(element->ident()))
        return m_impl->FailBool("the element does not hold raw bytes");
    const bool words = HoldsWords(*element);
    OFCondition cond;
    try {
        if (words) {
            if (length % 2 != 0)
                return m_impl->FailBool("16-bit values need an even number of bytes");
            // One copy straight into the element's own value, no temporary: aligned words
            // are handed over as they are; unaligned bytes go into a value DCMTK creates
            // (zeroed first, hence only for them).
            element->setVR(EVR_OW);
            if (reinterpret_cast<std::uintptr_t>(buffer) % alignof(Uint16) == 0) {
                cond = element->putUint16Array(static_cast<const Uint16*>(buffer), ULONG(length / 2));
            } else {
                Uint16* values = nullptr;
                cond = element->createUint16Array(Uint32(length / 2), values);
                if (cond.good() && values == nullptr)
                    cond = EC_MemoryExhausted;
                if (cond.good())
                    std::memcpy(values, buffer, length);
            }
        } else {
            if (element->ident() == EVR_PixelData)
                element->setVR(EVR_OB);
            cond = element->putUint8Array(static_cast<const Uint8*>(buffer), length);
        }
    } catch (const std::bad_alloc&) {
        return m_impl->FailBool("no memory for " + std::to_string(length) + " bytes");
    }
    if (cond.bad())
        return m_impl->FailBool(std::string("cannot store the bytes: ") + cond.text());
    // New pixels replace every compressed representation: the data set is held
    // uncompressed from now on and is written so unless re-encoded.
    if (element->ident() == EVR_PixelData && DcmXfer(m_impl->xfer).isEncapsulated())
        m_impl->xfer = EXS_LittleEndianExplicit;
    m_impl->Succeed();
    return TRUE;
}
