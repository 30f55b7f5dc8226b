#include "imaging/Codecs.h"
#include "imaging/DataDictionary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// The built-in table stands for the installed dictionary files, the private one included:
// the same entries, repeating groups and private creators, as DCMTK's parser reads them.
TEST(DataDictionary, TheBuiltInTableDescribesStandardRepeatingAndPrivateTags)
{
    ASSERT_TRUE(imaging::EnsureToolkitReady());
    struct Case {
        std::uint16_t group;
        std::uint16_t element;
        const char* creator;
        std::string expected;
    };
    const Case cases[] = {
        {0x0010, 0x0010, nullptr, "PN PatientName 1"},
        {0x0028, 0x0010, nullptr, "US Rows 1"},
        {0x0008, 0x0008, nullptr, "CS ImageType 2-n"},
        {0x0028, 0x1050, nullptr, "DS WindowCenter 1-n"},
        {0x7FE0, 0x0010, nullptr, "px PixelData 1"},
        {0x6000, 0x0010, nullptr, "US OverlayRows 1"},  // the first and last groups of 6000-60FF
        {0x60FE, 0x0010, nullptr, "US OverlayRows 1"},
        {0x6001, 0x0010, nullptr, "LO PrivateCreator 1"},  // an odd group is private
        {0x0019, 0x101B, "GEMS_ACQU_01", "DS LastScanLocation 1"},
        {0x0029, 0x1008, "SIEMENS CSA HEADER", "CS CSAImageHeaderType 1"},
        {0x0019, 0x101B, "NO SUCH CREATOR", ""},
        {0x0009, 0x0010, nullptr, "LO PrivateCreator 1"},
        {0xFFFE, 0xE000, nullptr, "na Item 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(imaging::DescribeTag(c.group, c.element, c.creator), c.expected)
            << std::hex << c.group << "," << c.element;
    // DCMTK 3.6.7's dicom.dic and private.dic with the toolkit's own skeleton entries.
    EXPECT_GT(imaging::DictionaryEntryCount(), 7800u);
}
