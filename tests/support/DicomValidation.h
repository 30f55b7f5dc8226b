// dciodvfy (dicom3tools) as a test check: a written DICOM file may have no validator error
// that its template does not have already. Header-only, for every test that writes DICOM.
//
//   EXPECT_TRUE(testfiles::NoNewValidatorErrors(written, templatePath));
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace testfiles {

inline constexpr const char* kValidatorPath = "/usr/bin/dciodvfy";

// The "Error - ..." lines dciodvfy prints for the file, sorted; nullopt when the
// validator is not installed.
inline std::optional<std::vector<std::string>> ValidatorErrors(const std::filesystem::path& file)
{
    if (!std::filesystem::exists(kValidatorPath))
        return std::nullopt;
    std::string quoted;
    for (char c : file.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string command = std::string(kValidatorPath) + " '" + quoted + "' 2>&1";
    std::vector<std::string> errors;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string line;
    for (int c = std::fgetc(pipe);; c = std::fgetc(pipe)) {
        if (c == EOF || c == '\n') {
            if (line.rfind("Error", 0) == 0)
                errors.push_back(line);
            line.clear();
            if (c == EOF)
                break;
        } else {
            line += static_cast<char>(c);
        }
    }
    pclose(pipe);
    std::sort(errors.begin(), errors.end());
    return errors;
}

// The errors of `written` that `reference` does not have, each kept as often as it occurs
// more often (compared as text); an empty `reference` means none are expected.
inline std::optional<std::vector<std::string>> NewValidatorErrors(const std::filesystem::path& written,
                                                                  const std::filesystem::path& reference)
{
    auto errors = ValidatorErrors(written);
    if (!errors)
        return std::nullopt;
    std::vector<std::string> known;
    if (!reference.empty()) {
        auto referenceErrors = ValidatorErrors(reference);
        if (!referenceErrors)
            return std::nullopt;
        known = std::move(*referenceErrors);
    }
    std::vector<std::string> added;
    std::set_difference(errors->begin(), errors->end(), known.begin(), known.end(), std::back_inserter(added));
    return added;
}

// Success when dciodvfy finds no error in `written` beyond those of `reference`. A missing
// validator fails: the check must not pass silently on a machine without it.
inline testing::AssertionResult NoNewValidatorErrors(const std::filesystem::path& written,
                                                     const std::filesystem::path& reference = {})
{
    if (!std::filesystem::exists(written))
        return testing::AssertionFailure() << written << " was not written";
    const auto added = NewValidatorErrors(written, reference);
    if (!added)
        return testing::AssertionFailure() << "dciodvfy is not installed (Debian package dicom3tools)";
    if (added->empty())
        return testing::AssertionSuccess();
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << "dciodvfy finds " << added->size() << " new error(s) in " << written;
    if (!reference.empty())
        failure << " (template " << reference << ")";
    for (const std::string& error : *added)
        failure << "\n  " << error;
    return failure;
}

}  // namespace testfiles
