// LDicomDS: raw values of binary elements (Pixel Data, OB, OW).
#include "imaging/DicomInternal.h"

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcelem.h"

#include <cstring>
#include <new>

namespace {

bool IsBinary(DcmEVR vr) { return vr == EVR_PixelData || vr == EVR_OB || vr == EVR_OW || vr == EVR_UN; }

}  // namespace

BOOL LDicomDS::GetBinaryValue(pDICOMELEMENT handle, void* buffer, ULONG length)
{
    DcmElement* element = imaging::ToElement(handle);
    if (!element || (!buffer && length > 0))
        return m_impl->FailBool("no element or no buffer was given");
    if (element->ident() == EVR_PixelData && DcmXfer(m_impl->xfer).isEncapsulated())
        return m_impl->FailBool("the pixel data is compressed; decode it instead");
    if (element->getLength() < length)
        return m_impl->FailBool("the element holds " + std::to_string(element->getLength()) + " bytes, " +
                                std::to_string(length) + " were asked for");
    if (length == 0)
        return TRUE;
    // OW values are held in host byte order also for big-endian files, so the bytes
    // are the values in native little-endian order.
    Uint8* bytes = nullptr;
    if (element->getUint8Array(bytes).bad() || !bytes) {
        Uint16* words = nullptr;
        if (element->getUint16Array(words).bad() || !words)
            return m_impl->FailBool("the element has no raw value");
        bytes = reinterpret_cast<Uint8*>(words);
    }
    std::memcpy(buffer, bytes, length);
    m_impl->Succeed();
    return TRUE;
}

BOOL LDicomDS::SetBinaryValue(pDICOMELEMENT handle, const void* buffer, ULONG length)
{
    DcmElement* element = imaging::ToElement(handle);
    if (!element || (!buffer && length > 0))
        return m_impl->FailBool("no element or no buffer was given");
    if (!IsBinary(element->ident()))
        return m_impl->FailBool("the element does not hold raw bytes");
    auto* item = dynamic_cast<DcmItem*>(element->getParent());
    Uint16 bitsAllocated = 0;
    const bool words = element->ident() == EVR_PixelData
                           ? item && item->findAndGetUint16(DCM_BitsAllocated, bitsAllocated).good() && bitsAllocated > 8
                           : element->getTag().getEVR() == EVR_OW;
    OFCondition cond;
    try {
        if (words) {
            if (length % 2 != 0)
                return m_impl->FailBool("16-bit values need an even number of bytes");
            std::vector<Uint16> values(length / 2);
            std::memcpy(values.data(), buffer, length);
            element->setVR(EVR_OW);
            cond = element->putUint16Array(values.data(), ULONG(values.size()));
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
