#include "image/CBaseImageDataList.h"

namespace {
constexpr INT_PTR kBlockSize = 10;
}  // namespace

CBaseImageDataList::CBaseImageDataList(BOOL bAutoDelete)
    : CTypedPtrList<CObList, CBaseImageData*>(kBlockSize), m_bAutoDelete(bAutoDelete)
{
}

CBaseImageDataList::~CBaseImageDataList()
{
    if (m_bAutoDelete)
        DeleteAll();
    else
        RemoveAll();
}

void CBaseImageDataList::DeleteAll()
{
    POSITION position = GetHeadPosition();
    while (position != nullptr) {
        // The list owns its elements here (framework-shaped API: raw pointers in a CObList).
        delete GetNext(position);
    }
    RemoveAll();
}

CBaseImageData* CBaseImageDataList::GetAt(int index) const
{
    const POSITION position = index < 0 ? nullptr : FindIndex(index);
    return position == nullptr ? nullptr : GetAt(position);
}

void CBaseImageDataList::SetAt(int index, CBaseImageData* p)
{
    const POSITION position = index < 0 ? nullptr : FindIndex(index);
    if (position != nullptr)
        SetAt(position, p);
}
