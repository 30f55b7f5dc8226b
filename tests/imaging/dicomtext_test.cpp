// Strict, locale-independent IS, DS, DA and TM conversions of the imaging layer.
#include "imaging/DicomText.h"

#include <gtest/gtest.h>

#include <string>

TEST(DicomText, ParsesStrictlyAndFormatsCompactly)
{
    std::int32_t is = 0;
    double ds = 0;
    VALUEDATE da{};
    VALUETIME tm{};
    EXPECT_TRUE(imaging::ParseIS(" -42 ", is));
    EXPECT_EQ(is, -42);
    EXPECT_FALSE(imaging::ParseIS("1A", is));
    EXPECT_FALSE(imaging::ParseIS("2147483648", is));
    EXPECT_TRUE(imaging::ParseDS("+1.5e3", ds));
    EXPECT_EQ(ds, 1500.0);
    EXPECT_FALSE(imaging::ParseDS("1,5", ds));
    EXPECT_FALSE(imaging::ParseDS("nan", ds));
    EXPECT_FALSE(imaging::ParseDS("", ds));
    EXPECT_TRUE(imaging::ParseDA("20240229", da));
    EXPECT_FALSE(imaging::ParseDA("20230230", da));
    EXPECT_FALSE(imaging::ParseDA("2023.01.01", da));
    EXPECT_TRUE(imaging::ParseTM("0709", tm));
    EXPECT_EQ(tm.nMinutes, 9);
    EXPECT_TRUE(imaging::ParseTM("235959.5", tm));
    EXPECT_EQ(tm.nFractions, 500000u);
    EXPECT_FALSE(imaging::ParseTM("2460", tm));
    std::string text;
    ASSERT_TRUE(imaging::FormatDS(1234567.891234567, text));
    EXPECT_EQ(text, "1234567.89123457");
    ASSERT_TRUE(imaging::FormatDS(-1e-20, text));
    EXPECT_EQ(text, "-1e-20");
    ASSERT_TRUE(imaging::FormatDS(-0.0, text));
    EXPECT_EQ(text, "0");
    EXPECT_FALSE(imaging::FormatDS(1.0 / 0.0, text));
    ASSERT_TRUE(imaging::FormatTM(VALUETIME{9, 5, 0, 0}, text));
    EXPECT_EQ(text, "090500");
    EXPECT_FALSE(imaging::FormatTM(VALUETIME{24, 0, 0, 0}, text));
    EXPECT_EQ(imaging::FormatIS(-2147483648LL), "-2147483648");
}
