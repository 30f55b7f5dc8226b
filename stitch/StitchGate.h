// The consistency gate: whether a set of source files may become one stitched image.
// It runs before anything is loaded for the dialog or written, so that pieces of another
// patient or study, or pieces whose stored values mean something else, are refused with
// one clear reason instead of being merged into a wrong image.
#pragma once

#include "imaging/PixelMeaning.h"

#include <optional>
#include <string>
#include <vector>

enum class EGateFailure {
    None,
    Unreadable,          // a file whose data set cannot be read
    SameInstance,        // one SOP Instance UID twice
    PatientDiffers,      // Patient ID with its issuer
    StudyDiffers,        // Study Instance UID
    PhotometricDiffers,  // no lossless conversion to the first piece's
    PixelRepresentationDiffers,
    BitsStoredDiffers,
    RescaleDiffers,
    SpacingDiffers,      // Pixel Spacing or Imager Pixel Spacing by more than 1 %
};

// What the gate compares of one source file.
struct CSourceFacts {
    std::string patientId;
    std::string issuerOfPatientId;
    std::string studyInstanceUid;
    std::string sopInstanceUid;
    std::string photometric;
    int bitsAllocated = -1;
    int bitsStored = -1;
    int pixelRepresentation = 0;
    double rescaleSlope = 1.0;      // absent: identity
    double rescaleIntercept = 0.0;
    std::optional<std::vector<double>> pixelSpacing;
    std::optional<std::vector<double>> imagerPixelSpacing;
};

struct CStitchGateResult {
    EGateFailure failure = EGateFailure::None;
    const char* attribute = "";  // the attribute as the user reads it ("Patient ID")
    int first = -1;              // the two sources that disagree, in the order given
    int other = -1;
    std::string firstValue;
    std::string otherValue;
    std::string detail;          // the library's words for an unreadable file
    bool Ok() const { return failure == EGateFailure::None; }
};

namespace stitchgate {

// Reads the facts of one file; false with the library's reason when it has no data set.
bool ReadFacts(const std::string& path, CSourceFacts& facts, std::string& reason);

// The meaning of a grey source's stored values, as the save converts them (High Bit at
// Bits Stored - 1: the stored values, wherever the file keeps their bits).
imaging::PixelMeaning MeaningOf(const CSourceFacts& facts);

// Compares every source with the first (identity with every earlier one). A later grey
// piece is accepted when its stored values convert exactly to the first piece's meaning
// (imaging::FindConversion): MONOCHROME1 against MONOCHROME2 inverted within the piece's
// range, fewer Bits Stored, unsigned values with room below the first's sign bit, another
// rescale by a whole factor and offset that keeps every value in the first's range. The
// save makes the same conversion. Pieces of another Bits Allocated are left to the save,
// which refuses mixed depths; other photometric interpretations must be equal.
CStitchGateResult Check(const std::vector<CSourceFacts>& sources);

// Reads and checks the files in the order given. A template other than the first file
// must belong to the same patient and study.
CStitchGateResult CheckFiles(const std::vector<std::string>& paths, const std::string& templatePath = {});

}  // namespace stitchgate
