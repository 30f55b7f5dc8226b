// The framework's collections: CArray and CStringArray (contiguous), CObList and
// CTypedPtrList (doubly linked, iterated by POSITION), CMapPtrToPtr (hash map).
// Collections of pointers never own what they point to: owners delete the objects.
#pragma once

#include "platform/CString.h"
#include "platform/Object.h"

#include <deque>
#include <unordered_map>
#include <vector>

// An opaque iteration position; null means "before the first" / "past the last".
struct TessorPosition__;
using POSITION = TessorPosition__*;

// Stops the process on an index or position that is out of range: the framework only
// asserts, and carrying on would read or write outside the collection.
[[noreturn]] void TessorCollectionIndexFault(const char* operation);

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_items.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    // New elements are value-initialised; nGrowBy is accepted for compatibility.
    void SetSize(INT_PTR nNewSize, INT_PTR /*nGrowBy*/ = -1)
    {
        if (nNewSize < 0)
            TessorCollectionIndexFault("CArray::SetSize");
        m_items.resize(static_cast<size_t>(nNewSize));
    }
    void FreeExtra() { m_items.shrink_to_fit(); }
    void RemoveAll() { m_items.clear(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_items[Checked(nIndex, "CArray::GetAt")]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_items[Checked(nIndex, "CArray::SetAt")] = newElement; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_items[Checked(nIndex, "CArray::ElementAt")]; }
    const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const TYPE* GetData() const { return m_items.data(); }
    TYPE* GetData() { return m_items.data(); }

    // Grows the array when nIndex is past the end.
    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0)
            TessorCollectionIndexFault("CArray::SetAtGrow");
        if (nIndex >= GetSize())
            SetSize(nIndex + 1);
        m_items[static_cast<size_t>(nIndex)] = newElement;
    }
    INT_PTR Add(ARG_TYPE newElement)
    {
        m_items.push_back(newElement);
        return GetSize() - 1;
    }
    INT_PTR Append(const CArray& src)
    {
        const INT_PTR nOldSize = GetSize();
        m_items.insert(m_items.end(), src.m_items.begin(), src.m_items.end());
        return nOldSize;
    }
    void Copy(const CArray& src)
    {
        if (&src != this)
            m_items = src.m_items;
    }
    // Inserts nCount copies at nIndex; an index past the end grows the array first.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0)
            TessorCollectionIndexFault("CArray::InsertAt");
        const TYPE value = newElement;  // may refer into the array
        if (nIndex > GetSize())
            SetSize(nIndex);
        m_items.insert(m_items.begin() + nIndex, static_cast<size_t>(nCount), value);
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || nIndex + nCount > GetSize())
            TessorCollectionIndexFault("CArray::RemoveAt");
        m_items.erase(m_items.begin() + nIndex, m_items.begin() + nIndex + nCount);
    }

    // Range-for support.
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    size_t Checked(INT_PTR nIndex, const char* operation) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            TessorCollectionIndexFault(operation);
        return static_cast<size_t>(nIndex);
    }

    std::vector<TYPE> m_items;
};

class CStringArray : public CArray<CString, const CString&> {
    DECLARE_DYNAMIC(CStringArray)
};

// Doubly linked list of CObject pointers. Positions stay valid until their element is
// removed. The list does not own the objects.
class CObList : public CObject {
    DECLARE_DYNAMIC(CObList)
public:
    explicit CObList(INT_PTR nBlockSize = 10);

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    CObject*& GetHead();
    CObject* GetHead() const;
    CObject*& GetTail();
    CObject* GetTail() const;
    CObject* RemoveHead();
    CObject* RemoveTail();
    POSITION AddHead(CObject* newElement);
    POSITION AddTail(CObject* newElement);
    void AddHead(CObList* pNewList);
    void AddTail(CObList* pNewList);
    void RemoveAll();

    POSITION GetHeadPosition() const;
    POSITION GetTailPosition() const;
    // The element at rPosition; rPosition moves to the next (previous) one, or null.
    CObject*& GetNext(POSITION& rPosition);
    CObject* GetNext(POSITION& rPosition) const;
    CObject*& GetPrev(POSITION& rPosition);
    CObject* GetPrev(POSITION& rPosition) const;
    CObject*& GetAt(POSITION position);
    CObject* GetAt(POSITION position) const;
    void SetAt(POSITION position, CObject* newElement);
    void RemoveAt(POSITION position);
    POSITION InsertBefore(POSITION position, CObject* newElement);
    POSITION InsertAfter(POSITION position, CObject* newElement);

    // Searches from the element after startAfter (from the head when null).
    POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const;
    // The position of the zero-based nIndex-th element, or null when out of range.
    POSITION FindIndex(INT_PTR nIndex) const;

private:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        CObject* data;
    };

    CNode* NewNode(CNode* pPrev, CNode* pNext, CObject* data);
    void FreeNode(CNode* pNode);
    static CNode* NodeAt(POSITION position, const char* operation);
    static POSITION ToPosition(CNode* pNode) { return reinterpret_cast<POSITION>(pNode); }

    std::deque<CNode> m_nodes;  // node storage: addresses stay fixed as it grows
    CNode* m_pNodeFree = nullptr;
    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;
};

// A CObList (BASE_CLASS) whose elements are TYPE pointers.
template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
public:
    explicit CTypedPtrList(INT_PTR nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

    TYPE GetHead() const { return Cast(BASE_CLASS::GetHead()); }
    TYPE GetTail() const { return Cast(BASE_CLASS::GetTail()); }
    TYPE RemoveHead() { return Cast(BASE_CLASS::RemoveHead()); }
    TYPE RemoveTail() { return Cast(BASE_CLASS::RemoveTail()); }
    TYPE GetNext(POSITION& rPosition) const { return Cast(BASE_CLASS::GetNext(rPosition)); }
    TYPE GetPrev(POSITION& rPosition) const { return Cast(BASE_CLASS::GetPrev(rPosition)); }
    TYPE GetAt(POSITION position) const { return Cast(BASE_CLASS::GetAt(position)); }
    void SetAt(POSITION position, TYPE newElement) { BASE_CLASS::SetAt(position, newElement); }
    POSITION AddHead(TYPE newElement) { return BASE_CLASS::AddHead(newElement); }
    POSITION AddTail(TYPE newElement) { return BASE_CLASS::AddTail(newElement); }
    void AddHead(CTypedPtrList* pNewList) { BASE_CLASS::AddHead(pNewList); }
    void AddTail(CTypedPtrList* pNewList) { BASE_CLASS::AddTail(pNewList); }
    POSITION InsertBefore(POSITION position, TYPE newElement) { return BASE_CLASS::InsertBefore(position, newElement); }
    POSITION InsertAfter(POSITION position, TYPE newElement) { return BASE_CLASS::InsertAfter(position, newElement); }

private:
    static TYPE Cast(CObject* pObject) { return static_cast<TYPE>(pObject); }
};

// Hash map from pointer to pointer. Iteration order is unspecified; positions stay
// valid until their entry is removed.
class CMapPtrToPtr : public CObject {
    DECLARE_DYNAMIC(CMapPtrToPtr)
public:
    explicit CMapPtrToPtr(INT_PTR nBlockSize = 10);

    INT_PTR GetCount() const { return static_cast<INT_PTR>(m_map.size()); }
    INT_PTR GetSize() const { return GetCount(); }
    BOOL IsEmpty() const { return m_map.empty(); }

    BOOL Lookup(void* key, void*& rValue) const;
    // The value stored for key, inserted as null when absent.
    void*& operator[](void* key) { return m_map[key]; }
    void SetAt(void* key, void* newValue) { m_map[key] = newValue; }
    BOOL RemoveKey(void* key) { return m_map.erase(key) != 0; }
    void RemoveAll() { m_map.clear(); }

    POSITION GetStartPosition() const;
    // The entry at rNextPosition; rNextPosition moves to the next entry, or null.
    void GetNextAssoc(POSITION& rNextPosition, void*& rKey, void*& rValue) const;

    UINT GetHashTableSize() const { return static_cast<UINT>(m_map.bucket_count()); }
    void InitHashTable(UINT hashSize, BOOL /*bAllocNow*/ = TRUE) { m_map.rehash(hashSize); }

private:
    using Map = std::unordered_map<void*, void*>;
    static POSITION ToPosition(const Map::value_type& entry);

    Map m_map;
};
