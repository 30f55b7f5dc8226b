// Reading a DICOMDIR's directory records: the images it lists, under their series. No
// file the DICOMDIR refers to is opened here; the caller decides which may be read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace imaging {

// One IMAGE record and the SERIES record above it.
struct DicomDirImage {
    std::vector<std::string> fileId;  // Referenced File ID components, as recorded
    std::string seriesUid;            // the series record's Series Instance UID
    std::optional<long> seriesNumber;
    std::optional<long> instanceNumber;
};

// The IMAGE records of the DICOMDIR at `path`, in record order (patients, studies, series,
// images as the DICOMDIR lists them). Image records outside a series, and records of other
// kinds, are passed over. False with a one-line reason when the file is no readable
// DICOMDIR. The file is never written.
bool ReadDicomDirImages(const std::string& path, std::vector<DicomDirImage>& images, std::string& reason);

}  // namespace imaging
