#include "output/StitchPixelMeaning.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"

namespace output {
namespace {

bool IsIdentityRescale(const imaging::PixelMeaning& meaning)
{
    return meaning.rescaleSlope == 1.0 && meaning.rescaleIntercept == 0.0;
}

void WriteRescale(LDicomDS& ds, const imaging::PixelMeaning& meaning)
{
    const bool present =
        imaging::HasAttribute(ds, TAG_RESCALE_SLOPE) || imaging::HasAttribute(ds, TAG_RESCALE_INTERCEPT);
    if (!present && IsIdentityRescale(meaning))
        return;
    ds.SetDoubleValue(imaging::FindOrInsert(ds, TAG_RESCALE_INTERCEPT), &meaning.rescaleIntercept, 1);
    ds.SetDoubleValue(imaging::FindOrInsert(ds, TAG_RESCALE_SLOPE), &meaning.rescaleSlope, 1);
}

}  // namespace

std::optional<imaging::PixelMeaning> ReferenceMeaning(const std::vector<std::unique_ptr<CStitchDicomItem>>& items,
                                                      int referenceItem)
{
    if (referenceItem >= 0 && static_cast<size_t>(referenceItem) < items.size() &&
        items[static_cast<size_t>(referenceItem)]->m_meaning)
        return items[static_cast<size_t>(referenceItem)]->m_meaning;
    for (const auto& item : items) {
        if (item->m_meaning)
            return item->m_meaning;
    }
    return std::nullopt;
}

bool ConvertItems(std::vector<std::unique_ptr<CStitchDicomItem>>& items, const imaging::PixelMeaning& reference)
{
    for (const auto& item : items) {
        if (!item->m_meaning)
            continue;
        imaging::SampleConversion conversion;
        if (imaging::FindConversion(*item->m_meaning, reference, conversion) != imaging::EConversionRefusal::None)
            return false;
        const int bitsAllocated = item->m_meaning->layout.bitsAllocated;
        if (item->m_pPixels && bitsAllocated == item->m_nBytesPerPixel * 8)
            imaging::ConvertSamples(item->m_pPixels.data(), item->GetSize() / static_cast<size_t>(item->m_nBytesPerPixel),
                                    bitsAllocated, item->m_bSigned, conversion);
        item->m_meaning = reference;
        item->m_bSigned = reference.layout.isSigned;
    }
    return true;
}

void DescribeSamples(LDicomDS& ds, const imaging::PixelMeaning& meaning)
{
    imaging::UpdateShort(ds, TAG_BITS_STORED, meaning.layout.bitsStored);
    imaging::UpdateShort(ds, TAG_HIGH_BIT, meaning.layout.highBit);
    imaging::UpdateShort(ds, TAG_PIXEL_REPRESENTATION, meaning.layout.isSigned ? 1 : 0);
    imaging::UpdateText(ds, TAG_PHOTOMETRIC_INTERPRETATION, meaning.monochrome1 ? "MONOCHROME1" : "MONOCHROME2");
    WriteRescale(ds, meaning);
}

}  // namespace output
