// Study input: files, folders (searched recursively) and DICOMDIR files (their records), mixed, turned
// into the ordered list of images to stitch. Files named one by one keep the order typed;
// the images found in folders are grouped by series, one series is chosen, and its images
// are ordered by Instance Number, then along the patient's long axis (head first).
#pragma once

#include <optional>
#include <string>
#include <vector>

// One image found in a folder, with what orders and groups it.
struct CFoundImage {
    std::string path;
    std::string seriesUid;
    std::optional<int> seriesNumber;
    std::string seriesDescription;
    std::optional<int> instanceNumber;
    std::optional<double> longAxis;  // Image Position (Patient) z: larger is nearer the head
};

struct CStudyInput {
    std::vector<std::string> files;  // in stitching order
    int skipped = 0;                 // files in folders that are no DICOM image
    std::string error;               // one line; empty when the input is usable
    bool Ok() const { return error.empty(); }
};

namespace stitchinput {

// True when the argument names a folder or a DICOMDIR file (a file named DICOMDIR, in any
// case): its images are found, not named.
bool IsCollection(const std::string& argument);

// Orders the images of one series; groups several series and picks `series` among them:
// its position in the listing (1, 2, ...) or its Series Instance UID. With several series
// and no choice, `error` lists them (unless `allSeries`, which keeps every series, one
// after the other).
CStudyInput Arrange(std::vector<CFoundImage> images, const std::string& series, bool allSeries);

// The whole input: named files in the order typed, the images of every folder and
// DICOMDIR arranged as above at the place of the first collection named. A DICOMDIR gives
// the images its records list (grouped by its series records); a record naming a file
// outside the DICOMDIR's folder or a missing one is an error, and nothing is read then.
CStudyInput Resolve(const std::vector<std::string>& arguments, const std::string& series, bool allSeries = false);

}  // namespace stitchinput
