// Typed attribute access over a data set built in memory: reads by type and scope,
// updates that touch only present elements, insertion and removal.
#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace {

using imaging::Scope;

constexpr DWORD kPatientId = 0x00100020;
constexpr DWORD kCodeValue = 0x00080100;
constexpr DWORD kAbsent = 0x00080080;  // Institution Name, never set here

class AttributeTest : public testing::Test {
protected:
    void SetUp() override
    {
        PutText(TAG_PATIENT_NAME, "Doe^Jane");
        ASSERT_NE(ds.InsertElement(nullptr, FALSE, kPatientId, 0, FALSE, 0), nullptr);  // present, empty
        const short rows = static_cast<short>(40000);
        ASSERT_TRUE(ds.SetShortValue(imaging::FindOrInsert(ds, TAG_ROWS), &rows, 1));
        PutText(TAG_INSTANCE_NUMBER, "12");
        PutText(TAG_SERIES_NUMBER, "1A");
        PutText(TAG_WINDOW_WIDTH, "400.5");
        PutText(TAG_WINDOW_CENTER, "1,5");
        PutText(TAG_PIXEL_SPACING, "0.25\\0.5");
        PutText(TAG_SLICE_THICKNESS, "0.3");
        PutText(TAG_STUDY_DATE, "20240229");
        PutText(TAG_STUDY_TIME, "101530");
        PutText(TAG_SERIES_DATE, "20230230");
        // A code value nested in a sequence item only.
        pDICOMELEMENT sequence = ds.InsertElement(nullptr, FALSE, TAG_DERIVATION_CODE_SEQUENCE, 0, FALSE, 0);
        pDICOMELEMENT item = ds.InsertElement(sequence, TRUE, TAG_ITEM, 0, FALSE, 0);
        ASSERT_TRUE(ds.SetStringValue(ds.InsertElement(item, TRUE, kCodeValue, 0, FALSE, 0), "113090", 1));
    }
    void PutText(DWORD tag, const char* text)
    {
        ASSERT_TRUE(ds.SetStringValue(imaging::FindOrInsert(ds, tag), text, 1)) << ds.GetLastError();
    }
    LDicomDS ds;
};

TEST_F(AttributeTest, ReadsConvertTheFirstValueOrGiveNothing)
{
    EXPECT_EQ(imaging::ReadText(ds, TAG_PATIENT_NAME), "Doe^Jane");
    EXPECT_EQ(imaging::ReadText(ds, kPatientId), "");  // present but empty
    EXPECT_EQ(imaging::ReadText(ds, kAbsent), std::nullopt);
    EXPECT_EQ(imaging::ReadShort(ds, TAG_ROWS), -25536);  // US 40000 keeps its bit pattern
    EXPECT_EQ(imaging::ReadShort(ds, kAbsent), std::nullopt);
    EXPECT_EQ(imaging::ReadLong(ds, TAG_INSTANCE_NUMBER), 12);
    EXPECT_EQ(imaging::ReadLong(ds, TAG_SERIES_NUMBER), std::nullopt);  // IS "1A"
    EXPECT_EQ(imaging::ReadDouble(ds, TAG_WINDOW_WIDTH), 400.5);
    EXPECT_EQ(imaging::ReadDouble(ds, TAG_WINDOW_CENTER), std::nullopt);  // DS "1,5"
    EXPECT_EQ(imaging::ReadDoublePair(ds, TAG_PIXEL_SPACING), std::pair(0.25, 0.5));
    EXPECT_EQ(imaging::ReadDoublePair(ds, TAG_SLICE_THICKNESS), std::pair(0.3, 0.0));  // one value
    EXPECT_EQ(imaging::ReadDoublePair(ds, kAbsent), std::nullopt);

    const auto date = imaging::ReadDate(ds, TAG_STUDY_DATE);
    ASSERT_TRUE(date);
    EXPECT_EQ((std::array{date->nYear, date->nMonth, date->nDay}), (std::array<USHORT, 3>{2024, 2, 29}));
    EXPECT_EQ(imaging::ReadDate(ds, TAG_SERIES_DATE).has_value(), false);  // 30 February
    const auto time = imaging::ReadTime(ds, TAG_STUDY_TIME);
    ASSERT_TRUE(time);
    EXPECT_EQ((std::array{time->nHours, time->nMinutes, time->nSeconds}), (std::array<USHORT, 3>{10, 15, 30}));
}

TEST_F(AttributeTest, OnlyATreeReadLooksIntoSequences)
{
    EXPECT_FALSE(imaging::HasAttribute(ds, kCodeValue));
    EXPECT_EQ(imaging::ReadText(ds, kCodeValue), std::nullopt);
    EXPECT_TRUE(imaging::HasAttribute(ds, kCodeValue, Scope::Tree));
    EXPECT_EQ(imaging::ReadText(ds, kCodeValue, Scope::Tree), "113090");
}

TEST_F(AttributeTest, UpdatesChangePresentElementsAndNeverAddOnes)
{
    EXPECT_TRUE(imaging::UpdateShort(ds, TAG_ROWS, 512));
    EXPECT_TRUE(imaging::UpdateLong(ds, TAG_INSTANCE_NUMBER, -3));
    EXPECT_TRUE(imaging::UpdateDouble(ds, TAG_WINDOW_WIDTH, 1.5));
    EXPECT_TRUE(imaging::UpdateText(ds, TAG_PATIENT_NAME, "Roe^Ann"));
    EXPECT_EQ(imaging::ReadShort(ds, TAG_ROWS), 512);
    EXPECT_EQ(imaging::ReadLong(ds, TAG_INSTANCE_NUMBER), -3);
    EXPECT_EQ(imaging::ReadDouble(ds, TAG_WINDOW_WIDTH), 1.5);
    EXPECT_EQ(imaging::ReadText(ds, TAG_PATIENT_NAME), "Roe^Ann");

    for (DWORD absent : {TAG_COLUMNS, TAG_ACQUISITION_NUMBER, TAG_RESCALE_SLOPE, TAG_MANUFACTURER}) {
        EXPECT_TRUE(imaging::UpdateShort(ds, absent, 1) && imaging::UpdateLong(ds, absent, 1) &&
                    imaging::UpdateDouble(ds, absent, 1) && imaging::UpdateText(ds, absent, "1"));
        EXPECT_FALSE(imaging::HasAttribute(ds, absent, Scope::Tree)) << std::hex << absent;
    }
    EXPECT_FALSE(imaging::UpdateLong(ds, TAG_ROWS, 70000));  // beyond 16 bits: refused, kept
    EXPECT_EQ(imaging::ReadShort(ds, TAG_ROWS), 512);
}

TEST_F(AttributeTest, FindOrInsertAddsOnceAndRemoveDeletesOnlyWhatIsThere)
{
    pDICOMELEMENT inserted = imaging::FindOrInsert(ds, TAG_MANUFACTURER);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(imaging::FindOrInsert(ds, TAG_MANUFACTURER), inserted);
    EXPECT_EQ(imaging::ReadText(ds, TAG_MANUFACTURER), "");

    imaging::RemoveAttribute(ds, TAG_ROWS);
    imaging::RemoveAttribute(ds, TAG_ROWS);  // already gone: nothing happens
    imaging::RemoveAttribute(ds, kCodeValue);  // nested only: the top level has none
    EXPECT_FALSE(imaging::HasAttribute(ds, TAG_ROWS));
    EXPECT_EQ(imaging::ReadText(ds, kCodeValue, Scope::Tree), "113090");
}

}  // namespace
