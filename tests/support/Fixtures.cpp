#include "tests/support/Fixtures.h"

#include "platform/MessageBox.h"

namespace testfiles {

std::string CurrentTestName()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

MessageBoxTexts::MessageBoxTexts()
{
    SetMessageBoxSinkForTest([this](const char* text, UINT) {
        texts.emplace_back(text);
        return IDOK;
    });
}

MessageBoxTexts::~MessageBoxTexts() { SetMessageBoxSinkForTest(nullptr); }

std::filesystem::path FolderTest::Write(const SyntheticImage& image, const std::string& name) const
{
    const std::filesystem::path path = dir / name;
    EXPECT_EQ(WriteSynthetic(image, path), "") << path;
    return path;
}

}  // namespace testfiles
