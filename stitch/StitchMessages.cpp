#include "stitch/StitchMessages.h"

namespace stitchtext {

std::vector<std::string> PieceMessages(EPieceFailure failure, int index)
{
    std::vector<std::string> texts;
    switch (failure) {
    case EPieceFailure::None: return texts;
    case EPieceFailure::NoMemory: texts.emplace_back("Fail to initialize stitching dicom"); break;
    case EPieceFailure::PixelDataUnreadable: texts.emplace_back("Fail to get binary image data"); break;
    case EPieceFailure::BitmapRowsUnreadable: texts.emplace_back("Fail to get image pixel data."); break;
    case EPieceFailure::Unreadable: break;
    }
    texts.push_back("Fail to stitching image: " + std::to_string(index));
    return texts;
}

const char* RefusalText(ESaveFailure failure)
{
    switch (failure) {
    case ESaveFailure::NoImage: return "Cannot save: no image could be stitched.";
    case ESaveFailure::MixedDepths: return "Cannot save: the images differ in bits per pixel.";
    case ESaveFailure::MeaningDiffers:
        return "Cannot save: the images' pixel values differ in meaning and cannot be converted without loss.";
    case ESaveFailure::NoRows: return "Cannot save: the stitched image has no rows.";
    case ESaveFailure::CropOutside: return "Cannot save: the crop keeps no pixel of the stitched image.";
    case ESaveFailure::TooLarge: return "Cannot save: the stitched image is larger than 65535 x 65535 pixels.";
    case ESaveFailure::TooManyBytes: return "Cannot save: the stitched image is larger than 4 GB.";
    case ESaveFailure::DepthMismatch:
        return "Cannot save: the stitched pixels do not match the template's bits allocated.";
    case ESaveFailure::None:
    case ESaveFailure::NoMemory:
    case ESaveFailure::WriteFailed: return nullptr;
    }
    return nullptr;
}

std::string SaveFailureReason(const CStitchSaveResult& result)
{
    if (result.written)
        return std::string();
    if (const char* refusal = RefusalText(result.failure))
        return refusal;
    if (result.failure == ESaveFailure::NoMemory)
        return "Fail to allocate memory";
    return result.detail;
}

std::string LoadFailureReason(const CStitchLoadResult& result)
{
    switch (result.failure) {
    case ELoadFailure::None: return std::string();
    case ELoadFailure::NoSources: return "no input files";
    case ELoadFailure::BitmapCopy: return "cannot take the bitmaps";
    case ELoadFailure::Inconsistent: return result.detail;
    case ELoadFailure::Unreadable: break;
    }
    return result.detail.empty() ? "cannot decode the pixel data" : result.detail;
}

std::string GateFailureReason(const CStitchGateResult& result, const std::vector<std::string>& names)
{
    const auto name = [&names](int index) {
        return index >= 0 && static_cast<size_t>(index) < names.size() ? names[static_cast<size_t>(index)]
                                                                       : std::string("?");
    };
    switch (result.failure) {
    case EGateFailure::None: return std::string();
    case EGateFailure::Unreadable: return "Cannot stitch: cannot read " + name(result.first) + ": " + result.detail;
    case EGateFailure::SameInstance:
        return "Cannot stitch: " + name(result.first) + " and " + name(result.other) +
               " are the same image (SOP Instance UID " + result.firstValue + ").";
    case EGateFailure::PatientDiffers:
    case EGateFailure::StudyDiffers: break;
    case EGateFailure::PhotometricDiffers:
    case EGateFailure::PixelRepresentationDiffers:
    case EGateFailure::BitsStoredDiffers:
    case EGateFailure::RescaleDiffers:
    case EGateFailure::SpacingDiffers:
        return std::string("Cannot stitch: ") + result.attribute + " differs: '" + result.firstValue + "' in " +
               name(result.first) + ", '" + result.otherValue + "' in " + name(result.other) +
               (result.failure == EGateFailure::SpacingDiffers ? " (more than 1 %)."
                                                               : ", and cannot be converted without loss.");
    }
    return std::string("Cannot stitch: ") + result.attribute + " differs: '" + result.firstValue + "' in " +
           name(result.first) + ", '" + result.otherValue + "' in " + name(result.other) + ".";
}

}  // namespace stitchtext
