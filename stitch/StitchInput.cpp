#include "stitch/StitchInput.h"

#include "stitch/ReferencedFile.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomDir.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <strings.h>

namespace fs = std::filesystem;

namespace stitchinput {
namespace {

constexpr DWORD kImagePositionPatient = 0x00200032;

bool IsDicomDir(const fs::path& path) { return strcasecmp(path.filename().c_str(), "DICOMDIR") == 0; }

// The image a file holds, or nothing when it is no DICOM image.
std::optional<CFoundImage> ReadImage(const fs::path& path)
{
    LDicomDS ds(nullptr);
    if (ds.LoadDS(path.c_str(), LOADDS_PIXEL_DATA_ON_DEMAND) != DICOM_SUCCESS ||
        !imaging::HasAttribute(ds, TAG_PIXEL_DATA))
        return std::nullopt;
    CFoundImage image;
    image.path = path.string();
    image.seriesUid = imaging::ReadText(ds, TAG_SERIES_INSTANCE_UID).value_or("");
    image.seriesNumber = imaging::ReadLong(ds, TAG_SERIES_NUMBER);
    image.seriesDescription = imaging::ReadText(ds, TAG_SERIES_DESCRIPTION).value_or("");
    if (const auto number = imaging::ReadLong(ds, TAG_INSTANCE_NUMBER))
        image.instanceNumber = static_cast<int>(*number);
    pDICOMELEMENT position = ds.FindFirstElement(nullptr, kImagePositionPatient, FALSE);
    if (position && ds.GetCountValue(position) >= 3) {
        if (const double* xyz = ds.GetDoubleValue(position, 0, 3))
            image.longAxis = xyz[2];
    }
    return image;
}

// Every regular file below `folder`, in path order (a DICOMDIR itself is no image).
std::vector<fs::path> FilesBelow(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && !IsDicomDir(it->path()))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The File ID as the DICOMDIR records it, for messages.
std::string FileIdText(const std::vector<std::string>& components)
{
    std::string text;
    for (const std::string& component : components)
        text += (text.empty() ? "" : "\\") + component;
    return text;
}

// The images a DICOMDIR lists, under its series records; every referenced file must lie in
// the DICOMDIR's folder and exist before any is read. False with `error` otherwise.
bool CollectDicomDir(const std::string& dicomDir, std::vector<CFoundImage>& found, int& skipped, std::string& error)
{
    std::vector<imaging::DicomDirImage> records;
    if (!imaging::ReadDicomDirImages(dicomDir, records, error))
        return false;
    const std::string folder = fs::path(dicomDir).parent_path().string();
    std::vector<std::pair<std::string, const imaging::DicomDirImage*>> files;
    for (const imaging::DicomDirImage& record : records) {
        std::string path;
        switch (ResolveReferencedFile(folder, record.fileId, path)) {
        case EReferenceResult::Found:
            files.emplace_back(path, &record);
            break;
        case EReferenceResult::Outside:
            error = "'" + dicomDir + "' refers to '" + FileIdText(record.fileId) + "', outside its folder";
            return false;
        case EReferenceResult::Missing:
            error = "'" + dicomDir + "' refers to '" + FileIdText(record.fileId) + "', which does not exist";
            return false;
        }
    }
    for (const auto& [path, record] : files) {
        std::optional<CFoundImage> image = ReadImage(path);
        if (!image) {
            ++skipped;
            continue;
        }
        if (!record->seriesUid.empty())  // grouped as the DICOMDIR groups them
            image->seriesUid = record->seriesUid;
        if (record->seriesNumber)
            image->seriesNumber = record->seriesNumber;
        found.push_back(std::move(*image));
    }
    return true;
}

bool InstanceOrder(const CFoundImage& a, const CFoundImage& b)
{
    // Numbered images first, by number; then head first along the long axis; then by path.
    if (a.instanceNumber.has_value() != b.instanceNumber.has_value())
        return a.instanceNumber.has_value();
    if (a.instanceNumber && *a.instanceNumber != *b.instanceNumber)
        return *a.instanceNumber < *b.instanceNumber;
    if (a.longAxis.has_value() != b.longAxis.has_value())
        return a.longAxis.has_value();
    if (a.longAxis && *a.longAxis != *b.longAxis)
        return *a.longAxis > *b.longAxis;
    return a.path < b.path;
}

std::string Listing(const std::vector<std::vector<CFoundImage>>& series)
{
    std::string text;
    for (size_t i = 0; i < series.size(); ++i) {
        const CFoundImage& first = series[i].front();
        text += (i ? "; " : "") + std::to_string(i + 1) + ": " + first.seriesUid + " (number " +
                (first.seriesNumber ? std::to_string(*first.seriesNumber) : std::string("none")) + ", '" +
                first.seriesDescription + "', " + std::to_string(series[i].size()) + " images)";
    }
    return text;
}

}  // namespace

bool IsCollection(const std::string& argument)
{
    std::error_code ec;
    return fs::is_directory(argument, ec) || IsDicomDir(argument);
}

CStudyInput Arrange(std::vector<CFoundImage> images, const std::string& series, bool allSeries)
{
    CStudyInput input;
    std::map<std::string, std::vector<CFoundImage>> byUid;
    for (CFoundImage& image : images)
        byUid[image.seriesUid].push_back(std::move(image));
    std::vector<std::vector<CFoundImage>> groups;
    for (auto& [uid, members] : byUid) {
        std::sort(members.begin(), members.end(), InstanceOrder);
        groups.push_back(std::move(members));
    }
    // Listed by Series Number (unnumbered last), then UID.
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
        const auto& na = a.front().seriesNumber;
        const auto& nb = b.front().seriesNumber;
        if (na.has_value() != nb.has_value())
            return na.has_value();
        return na && *na < *nb;
    });
    size_t chosen = 0;
    if (!series.empty()) {
        const bool position = std::all_of(series.begin(), series.end(), [](char c) { return std::isdigit(c); });
        size_t found = groups.size();
        for (size_t i = 0; i < groups.size(); ++i) {
            if (position ? series == std::to_string(i + 1) : groups[i].front().seriesUid == series)
                found = i;
        }
        if (found == groups.size()) {
            input.error = "no series " + series + " in the input (" + Listing(groups) + ")";
            return input;
        }
        chosen = found;
    } else if (groups.size() > 1 && !allSeries) {
        input.error = "the input holds " + std::to_string(groups.size()) +
                      " series; choose one with --series N or UID: " + Listing(groups);
        return input;
    }
    for (size_t i = 0; i < groups.size(); ++i) {
        if (allSeries || i == chosen) {
            for (const CFoundImage& image : groups[i])
                input.files.push_back(image.path);
        }
    }
    return input;
}

CStudyInput Resolve(const std::vector<std::string>& arguments, const std::string& series, bool allSeries)
{
    std::vector<CFoundImage> found;
    int skipped = 0;
    std::optional<size_t> collectionAt;
    std::vector<std::string> named;
    for (const std::string& argument : arguments) {
        if (!IsCollection(argument)) {
            named.push_back(argument);
            continue;
        }
        if (!collectionAt)
            collectionAt = named.size();
        if (IsDicomDir(argument)) {
            if (std::string error; !CollectDicomDir(argument, found, skipped, error)) {
                CStudyInput input;
                input.error = error;
                return input;
            }
            continue;
        }
        for (const fs::path& file : FilesBelow(fs::path(argument))) {
            if (std::optional<CFoundImage> image = ReadImage(file))
                found.push_back(std::move(*image));
            else
                ++skipped;
        }
    }
    if (!collectionAt) {
        CStudyInput input;
        input.files = named;
        return input;
    }
    if (found.empty()) {
        CStudyInput input;
        input.skipped = skipped;
        input.error = "no DICOM image in the folders given (" + std::to_string(skipped) + " other files)";
        return input;
    }
    CStudyInput input = Arrange(std::move(found), series, allSeries);
    input.skipped = skipped;
    if (input.Ok())
        input.files.insert(input.files.begin(), named.begin(), named.begin() + static_cast<long>(*collectionAt));
    if (input.Ok())
        input.files.insert(input.files.end(), named.begin() + static_cast<long>(*collectionAt), named.end());
    return input;
}

}  // namespace stitchinput
