#include "image/CScale.h"

#include <gtest/gtest.h>

TEST(ScaleTest, ScaleRectMultipliesEachEdgeAndTruncates)
{
    CScale scale(2.5f);
    const CRect up = scale.ScaleRect(CRect(10, 20, 30, 40));
    EXPECT_EQ(CRect(25, 50, 75, 100), up);

    scale.SetFactor(0.3f);
    const CRect down = scale.ScaleRect(CRect(10, 20, 30, 40));
    EXPECT_EQ(CRect(3, 6, 9, 12), down);

    // Truncation is toward zero, also for negative coordinates.
    scale.SetFactor(0.5f);
    EXPECT_EQ(CRect(-1, -2, 1, 2), scale.ScaleRect(CRect(-3, -5, 3, 5)));
}

TEST(ScaleTest, CopyFactorTakesTheOthersFactor)
{
    CScale scale;
    EXPECT_FLOAT_EQ(1.0f, scale.GetFactor());
    scale.CopyFactor(CScale(4.0f));
    EXPECT_FLOAT_EQ(4.0f, scale.GetFactor());
}
