// Locations of test inputs and outputs.
#pragma once

#include <filesystem>
#include <string>

namespace testfiles {
// A file of pydicom's test data ("CT_small.dcm"); empty path when not installed.
std::filesystem::path Pydicom(const std::string& name);
// A fresh, empty directory under the build tree for one test's files, apart from every
// other test's folders of the same name.
std::filesystem::path FreshDir(const std::string& name);
// Where tests save screenshots and other artefacts for a person to look at.
std::filesystem::path OutputDir();
}  // namespace testfiles
