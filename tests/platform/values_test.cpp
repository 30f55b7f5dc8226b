#include "platform/CString.h"
#include "platform/Geometry.h"

#include <gtest/gtest.h>

TEST(MulDiv, RoundsToNearestHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(300, 1001, 1000), 300);
    EXPECT_EQ(MulDiv(500, 3000, 2000), 750);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 2), -1);
}

TEST(CRect, EdgesAreExclusive)
{
    const CRect rc(10, 20, 30, 40);
    EXPECT_TRUE(rc.PtInRect(CPoint(10, 20)));
    EXPECT_FALSE(rc.PtInRect(CPoint(30, 20)));
    EXPECT_FALSE(rc.PtInRect(CPoint(10, 40)));
    EXPECT_EQ(rc.Width(), 20);
    EXPECT_EQ(rc.Height(), 20);
    EXPECT_TRUE(CRect(5, 5, 5, 10).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 10, 8, 4).IsRectEmpty());
}

TEST(CString, FormatAndCompare)
{
    CString s;
    s.Format("Fail to stitching image: %d", 3);
    EXPECT_STREQ(s, "Fail to stitching image: 3");
    EXPECT_EQ(s.GetLength(), 26);
    EXPECT_EQ(CString("abc").CompareNoCase("ABC"), 0);
    EXPECT_TRUE(CString().IsEmpty());
}
