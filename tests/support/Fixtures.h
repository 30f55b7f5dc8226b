// Shared fixtures: a fresh folder for each test, and the message-box texts a test caused.
#pragma once

#include "tests/support/DicomFactory.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace testfiles {

// "Suite.Test" of the running test (parameterised names included).
std::string CurrentTestName();

// While alive, message boxes record their text here instead of showing; compare `texts` as a
// whole (an empty list where no message may appear).
class MessageBoxTexts {
public:
    MessageBoxTexts();
    ~MessageBoxTexts();
    MessageBoxTexts(const MessageBoxTexts&) = delete;
    MessageBoxTexts& operator=(const MessageBoxTexts&) = delete;
    std::vector<std::string> texts;
};

// A test with an empty folder of its own, named after the test, and its message-box texts.
class FolderTest : public testing::Test {
protected:
    // Writes the image as `name` in the folder; a failure to write fails the test.
    std::filesystem::path Write(const SyntheticImage& image, const std::string& name) const;

    const std::filesystem::path dir = FreshDir(CurrentTestName());
    MessageBoxTexts messages;
};

}  // namespace testfiles
