#include "image/CBaseImageDataList.h"

#include <gtest/gtest.h>

namespace {

// Counts live instances so that tests can see which images a list deleted.
class CCountedImage : public CBaseImageData {
public:
    CCountedImage() { ++s_nAlive; }
    ~CCountedImage() override { --s_nAlive; }
    static int s_nAlive;
};
int CCountedImage::s_nAlive = 0;

}  // namespace

TEST(BaseImageDataListTest, GetAtAndSetAtStayInsideTheList)
{
    CCountedImage::s_nAlive = 0;
    CBaseImageDataList list(TRUE);
    auto* first = new CCountedImage;
    auto* second = new CCountedImage;
    list.AddTail(first);
    list.AddTail(second);

    EXPECT_EQ(first, list.GetAt(0));
    EXPECT_EQ(second, list.GetAt(1));
    EXPECT_EQ(nullptr, list.GetAt(-1));
    EXPECT_EQ(nullptr, list.GetAt(2));

    // Swapping through two SetAt calls deletes nothing.
    list.SetAt(0, second);
    list.SetAt(1, first);
    EXPECT_EQ(second, list.GetAt(0));
    EXPECT_EQ(first, list.GetAt(1));
    EXPECT_EQ(2, CCountedImage::s_nAlive);

    // Out of range: ignored.
    CCountedImage stray;
    list.SetAt(2, &stray);
    list.SetAt(-1, &stray);
    EXPECT_EQ(2, list.GetCount());
    EXPECT_EQ(second, list.GetAt(0));
    EXPECT_EQ(first, list.GetAt(1));
}

TEST(BaseImageDataListTest, OwningListDeletesItsImages)
{
    CCountedImage::s_nAlive = 0;
    {
        CBaseImageDataList list(TRUE);
        list.AddTail(new CCountedImage);
        list.AddTail(static_cast<CBaseImageData*>(nullptr));  // null elements are skipped
        list.AddTail(new CCountedImage);
        EXPECT_EQ(2, CCountedImage::s_nAlive);
        list.DeleteAll();
        EXPECT_EQ(0, CCountedImage::s_nAlive);
        EXPECT_EQ(0, list.GetCount());

        list.AddTail(new CCountedImage);
        EXPECT_EQ(1, CCountedImage::s_nAlive);
    }
    EXPECT_EQ(0, CCountedImage::s_nAlive);
}

TEST(BaseImageDataListTest, ListWithoutTheFlagLeavesImagesAlive)
{
    CCountedImage::s_nAlive = 0;
    CCountedImage first;
    CCountedImage second;
    {
        CBaseImageDataList list(FALSE);
        list.AddTail(&first);
        list.AddTail(&second);
    }
    EXPECT_EQ(2, CCountedImage::s_nAlive);
}
