#include "platform/CString.h"
#include "platform/Collections.h"
#include "platform/DateTime.h"
#include "platform/Geometry.h"
#include "platform/SystemMetrics.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

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

// ---- Run-time classes and dynamic creation ----

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};
class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)
public:
    int m_nRadius = 7;
};
IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CCircle, CShape)

TEST(CObject, RuntimeClassFollowsTheBaseChain)
{
    CCircle circle;
    const CObject& object = circle;
    EXPECT_EQ(object.GetRuntimeClass(), RUNTIME_CLASS(CCircle));
    EXPECT_STREQ(object.GetRuntimeClass()->m_lpszClassName, "CCircle");
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CObList)));
    EXPECT_FALSE(CShape().IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_FALSE(object.IsSerializable());
}

TEST(CObject, DynamicCreationByClassAndByName)
{
    std::unique_ptr<CObject> created(RUNTIME_CLASS(CCircle)->CreateObject());
    ASSERT_NE(created, nullptr);
    ASSERT_TRUE(created->IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_EQ(static_cast<CCircle*>(created.get())->m_nRadius, 7);

    EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
    EXPECT_EQ(CRuntimeClass::FromName("CObList"), RUNTIME_CLASS(CObList));
    EXPECT_EQ(CRuntimeClass::FromName("ccircle"), nullptr);
    std::unique_ptr<CObject> byName(CRuntimeClass::CreateObject("CCircle"));
    EXPECT_NE(byName, nullptr);
    // Classes with IMPLEMENT_DYNAMIC only are known but not creatable.
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
    EXPECT_EQ(CRuntimeClass::CreateObject("NoSuchClass"), nullptr);
}

// ---- CArray ----

TEST(CArray, GrowsInsertsAndRemoves)
{
    CArray<CPoint, CPoint> points;
    EXPECT_EQ(points.Add(CPoint(1, 2)), 0);
    EXPECT_EQ(points.Add(CPoint(3, 4)), 1);
    points.InsertAt(1, CPoint(9, 9), 2);
    ASSERT_EQ(points.GetSize(), 4);
    EXPECT_EQ(points[1], CPoint(9, 9));
    EXPECT_EQ(points[3], CPoint(3, 4));
    points.RemoveAt(1, 2);
    EXPECT_EQ(points.GetCount(), 2);
    EXPECT_EQ(points.GetAt(1), CPoint(3, 4));

    points.ElementAt(0).x = 5;
    points.SetAt(1, CPoint(6, 6));
    EXPECT_EQ(points.GetData()[0], CPoint(5, 2));
    EXPECT_EQ(points.GetData()[1], CPoint(6, 6));

    points.SetSize(4);  // new elements are value-initialised
    EXPECT_EQ(points[3], CPoint(0, 0));
    points.InsertAt(6, CPoint(8, 8));  // past the end: fills the gap first
    EXPECT_EQ(points.GetSize(), 7);
    EXPECT_EQ(points[5], CPoint(0, 0));
    EXPECT_EQ(points[6], CPoint(8, 8));

    CArray<CPoint, CPoint> copy;
    copy.Copy(points);
    points.RemoveAll();
    EXPECT_TRUE(points.IsEmpty());
    EXPECT_EQ(copy.GetSize(), 7);
}

TEST(CArray, InsertingAnElementOfTheSameArrayIsSafe)
{
    CArray<CString, const CString&> texts;
    texts.Add("first");
    for (int i = 0; i < 20; ++i)
        texts.InsertAt(0, texts[texts.GetUpperBound()]);
    EXPECT_EQ(texts.GetSize(), 21);
    EXPECT_STREQ(texts[0], "first");
}

TEST(CArrayDeathTest, IndexOutOfRangeStopsTheProcess)
{
    CArray<int, int> values;
    values.Add(1);
    EXPECT_DEATH(values.GetAt(1), "out of range");
    EXPECT_DEATH(values.RemoveAt(0, 2), "out of range");
}

TEST(CStringArray, HoldsStrings)
{
    CStringArray files;
    files.Add("a.dcm");
    files.Add(CString("b.dcm"));
    ASSERT_EQ(files.GetSize(), 2);
    EXPECT_STREQ(files[1], "b.dcm");
    EXPECT_TRUE(files.IsKindOf(RUNTIME_CLASS(CStringArray)));
}

// ---- CObList and CTypedPtrList ----

namespace {
class CItem : public CObject {
public:
    explicit CItem(int n) : m_n(n) {}
    int m_n;
};

std::vector<int> Forward(const CTypedPtrList<CObList, CItem*>& list)
{
    std::vector<int> values;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        values.push_back(list.GetNext(pos)->m_n);
    return values;
}

std::vector<int> Backward(const CTypedPtrList<CObList, CItem*>& list)
{
    std::vector<int> values;
    for (POSITION pos = list.GetTailPosition(); pos != nullptr;)
        values.push_back(list.GetPrev(pos)->m_n);
    return values;
}
}  // namespace

TEST(CObList, PositionsWalkBothWays)
{
    CItem a(1), b(2), c(3), d(4);
    CTypedPtrList<CObList, CItem*> list(10);
    EXPECT_TRUE(list.IsEmpty());
    list.AddTail(&b);
    list.AddHead(&a);
    const POSITION posD = list.AddTail(&d);
    list.InsertBefore(posD, &c);
    EXPECT_EQ(Forward(list), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Backward(list), (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(list.GetCount(), 4);

    EXPECT_EQ(list.GetAt(list.FindIndex(2)), &c);
    EXPECT_EQ(list.FindIndex(4), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
    EXPECT_EQ(list.Find(&d), posD);

    list.SetAt(list.FindIndex(1), &d);
    EXPECT_EQ(list.Find(&d), list.FindIndex(1));
    EXPECT_EQ(list.Find(&d, list.FindIndex(1)), posD);
    list.RemoveAt(list.FindIndex(1));
    EXPECT_EQ(Forward(list), (std::vector<int>{1, 3, 4}));

    EXPECT_EQ(list.RemoveHead(), &a);
    EXPECT_EQ(list.RemoveTail(), &d);
    EXPECT_EQ(list.GetHead(), &c);
    EXPECT_EQ(list.GetTail(), &c);
    list.RemoveAll();
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CObList, NodesAreReusedAndListsDoNotOwnElements)
{
    std::vector<std::unique_ptr<CItem>> owners;
    CTypedPtrList<CObList, CItem*> list;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 50; ++i) {
            owners.push_back(std::make_unique<CItem>(i));
            list.AddTail(owners.back().get());
        }
        while (list.GetCount() > 5)
            list.RemoveHead();
    }
    EXPECT_EQ(Forward(list), (std::vector<int>{45, 46, 47, 48, 49}));
    list.InsertAfter(list.GetTailPosition(), owners[0].get());
    EXPECT_EQ(list.GetTail(), owners[0].get());

    CTypedPtrList<CObList, CItem*> other;
    other.AddTail(&list);
    other.AddHead(&list);
    EXPECT_EQ(other.GetCount(), 12);
    EXPECT_EQ(other.GetHead()->m_n, 45);
}

// ---- CMapPtrToPtr ----

TEST(CMapPtrToPtr, LookupRemoveAndIterate)
{
    int keys[3] = {};
    CMapPtrToPtr map(10);
    map.SetAt(&keys[0], &keys[1]);
    map.SetAt(&keys[1], &keys[2]);
    map[&keys[2]] = &keys[0];
    map.SetAt(&keys[0], &keys[2]);  // replaces
    EXPECT_EQ(map.GetCount(), 3);

    void* value = nullptr;
    ASSERT_TRUE(map.Lookup(&keys[0], value));
    EXPECT_EQ(value, &keys[2]);
    EXPECT_TRUE(map.RemoveKey(&keys[1]));
    EXPECT_FALSE(map.RemoveKey(&keys[1]));
    EXPECT_FALSE(map.Lookup(&keys[1], value));

    std::map<void*, void*> seen;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        void* key = nullptr;
        map.GetNextAssoc(pos, key, value);
        seen[key] = value;
    }
    EXPECT_EQ(seen, (std::map<void*, void*>{{&keys[0], &keys[2]}, {&keys[2], &keys[0]}}));
    map.RemoveAll();
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

// ---- COleDateTime and CTime ----

TEST(COleDateTime, ZeroIsTheEpochAndValid)
{
    const COleDateTime zero;
    EXPECT_EQ(zero.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(zero.m_dt, 0.0);
    EXPECT_EQ(zero.GetYear(), 1899);
    EXPECT_EQ(zero.GetMonth(), 12);
    EXPECT_EQ(zero.GetDay(), 30);
    EXPECT_EQ(zero.GetHour(), 0);
    EXPECT_STREQ(zero.Format("%Y%m%d %H%M%S"), "18991230 000000");
}

TEST(COleDateTime, DaysAndFractionsFromFields)
{
    COleDateTime dt;
    EXPECT_EQ(dt.SetDate(2000, 1, 1), 0);
    EXPECT_EQ(dt.m_dt, 36526.0);
    EXPECT_EQ(dt.SetDateTime(2024, 2, 29, 18, 0, 0), 0);
    EXPECT_DOUBLE_EQ(dt.m_dt, 45351.75);
    EXPECT_EQ(dt.GetDayOfWeek(), 5);  // Thursday
    EXPECT_EQ(dt.GetDayOfYear(), 60);
    EXPECT_STREQ(dt.Format("%Y%m%d"), "20240229");
    EXPECT_STREQ(dt.Format("%H:%M:%S"), "18:00:00");

    // Time only: on 30 December 1899.
    EXPECT_EQ(dt.SetTime(6, 30, 15), 0);
    EXPECT_EQ(dt.GetYear(), 1899);
    EXPECT_EQ(dt.GetHour(), 6);
    EXPECT_EQ(dt.GetMinute(), 30);
    EXPECT_EQ(dt.GetSecond(), 15);

    // Before the epoch the fraction still counts from midnight: 29 Dec 1899 06:00 is -1.25.
    EXPECT_EQ(dt.SetDateTime(1899, 12, 29, 6, 0, 0), 0);
    EXPECT_DOUBLE_EQ(dt.m_dt, -1.25);
    EXPECT_EQ(dt.GetDay(), 29);
    EXPECT_EQ(dt.GetHour(), 6);
    EXPECT_EQ(COleDateTime(-1.25).GetHour(), 6);
}

TEST(COleDateTime, FieldsRoundToTheNearestSecond)
{
    const COleDateTime nearlyMidnight(1.0 - 0.4 / 86400.0);
    EXPECT_EQ(nearlyMidnight.GetDay(), 31);
    EXPECT_EQ(nearlyMidnight.GetHour(), 0);
    EXPECT_EQ(COleDateTime(1.0 + 59.6 / 86400.0).GetMinute(), 1);
}

TEST(COleDateTime, InvalidFieldsMarkTheDateInvalid)
{
    COleDateTime dt(2020, 5, 17, 0, 0, 0);
    const DATE before = dt.m_dt;
    EXPECT_EQ(dt.SetDate(2023, 2, 29), 1);
    EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(dt.m_dt, before);
    EXPECT_EQ(dt.GetYear(), AFX_OLE_DATETIME_ERROR);
    EXPECT_STREQ(dt.Format("%Y"), "Invalid DateTime");
    EXPECT_EQ(dt.SetDateTime(2020, 1, 1, 24, 0, 0), 1);
    EXPECT_EQ(dt.SetDate(99, 12, 31), 1);
    EXPECT_EQ(dt.SetDate(2000, 2, 29), 0);
    EXPECT_EQ(dt.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(COleDateTime(3e6).GetYear(), AFX_OLE_DATETIME_ERROR);
}

TEST(CTime, FieldsAndFormatInLocalTime)
{
    const CTime t(2021, 7, 4, 13, 5, 9);
    EXPECT_EQ(t.GetYear(), 2021);
    EXPECT_EQ(t.GetMonth(), 7);
    EXPECT_EQ(t.GetDay(), 4);
    EXPECT_EQ(t.GetHour(), 13);
    EXPECT_EQ(t.GetMinute(), 5);
    EXPECT_EQ(t.GetSecond(), 9);
    EXPECT_EQ(t.GetDayOfWeek(), 1);  // Sunday
    EXPECT_STREQ(t.Format("%Y%m%d%H%M%S"), "20210704130509");
    EXPECT_STREQ(CTime(0).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
    EXPECT_GE(CTime::GetCurrentTime().GetYear(), 2024);
}

// ---- System metrics and colours ----

TEST(SystemMetrics, ClassicValuesAndTheRealScreen)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
    EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 17);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CYSIZEFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CYBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 18);
    EXPECT_EQ(GetSystemMetrics(SM_CYSIZE), 18);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
    // The offscreen platform's screen is 800 x 800.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 800);
}

TEST(SystemMetrics, ClassicColoursAndOverrides)
{
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), RGB(212, 208, 200));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(10, 36, 106));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), RGB(64, 64, 64));
    EXPECT_EQ(GetSysColor(COLOR_GRADIENTACTIVECAPTION), RGB(166, 202, 240));
    EXPECT_EQ(GetSysColor(-1), 0u);

    SetSystemMetricOverride(SM_CXSCREEN, 2560);
    SetSysColorOverride(COLOR_BTNFACE, RGB(1, 2, 3));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 2560);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(1, 2, 3));
    ClearSystemOverrides();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
}
