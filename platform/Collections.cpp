#include "platform/Collections.h"

#include <cstdio>
#include <cstdlib>

void TessorCollectionIndexFault(const char* operation)
{
    std::fprintf(stderr, "tessor: %s: index or position out of range\n", operation);
    std::abort();
}

IMPLEMENT_DYNAMIC(CStringArray, CObject)
IMPLEMENT_DYNAMIC(CObList, CObject)
IMPLEMENT_DYNAMIC(CMapPtrToPtr, CObject)

// ---- CObList ----

CObList::CObList(INT_PTR /*nBlockSize*/) {}

CObList::CNode* CObList::NewNode(CNode* pPrev, CNode* pNext, CObject* data)
{
    CNode* pNode = m_pNodeFree;
    if (pNode != nullptr) {
        m_pNodeFree = pNode->pNext;
    } else {
        m_nodes.push_back(CNode{});
        pNode = &m_nodes.back();
    }
    *pNode = CNode{pNext, pPrev, data};
    ++m_nCount;
    return pNode;
}

void CObList::FreeNode(CNode* pNode)
{
    *pNode = CNode{m_pNodeFree, nullptr, nullptr};
    m_pNodeFree = pNode;
    if (--m_nCount == 0)
        RemoveAll();  // releases the node storage
}

CObList::CNode* CObList::NodeAt(POSITION position, const char* operation)
{
    if (position == nullptr)
        TessorCollectionIndexFault(operation);
    return reinterpret_cast<CNode*>(position);
}

CObject*& CObList::GetHead()
{
    if (m_pNodeHead == nullptr)
        TessorCollectionIndexFault("CObList::GetHead");
    return m_pNodeHead->data;
}

CObject* CObList::GetHead() const
{
    return const_cast<CObList*>(this)->GetHead();
}

CObject*& CObList::GetTail()
{
    if (m_pNodeTail == nullptr)
        TessorCollectionIndexFault("CObList::GetTail");
    return m_pNodeTail->data;
}

CObject* CObList::GetTail() const
{
    return const_cast<CObList*>(this)->GetTail();
}

CObject* CObList::RemoveHead()
{
    if (m_pNodeHead == nullptr)
        TessorCollectionIndexFault("CObList::RemoveHead");
    CObject* data = m_pNodeHead->data;
    RemoveAt(ToPosition(m_pNodeHead));
    return data;
}

CObject* CObList::RemoveTail()
{
    if (m_pNodeTail == nullptr)
        TessorCollectionIndexFault("CObList::RemoveTail");
    CObject* data = m_pNodeTail->data;
    RemoveAt(ToPosition(m_pNodeTail));
    return data;
}

POSITION CObList::AddHead(CObject* newElement)
{
    CNode* pNode = NewNode(nullptr, m_pNodeHead, newElement);
    if (m_pNodeHead != nullptr)
        m_pNodeHead->pPrev = pNode;
    else
        m_pNodeTail = pNode;
    m_pNodeHead = pNode;
    return ToPosition(pNode);
}

POSITION CObList::AddTail(CObject* newElement)
{
    CNode* pNode = NewNode(m_pNodeTail, nullptr, newElement);
    if (m_pNodeTail != nullptr)
        m_pNodeTail->pNext = pNode;
    else
        m_pNodeHead = pNode;
    m_pNodeTail = pNode;
    return ToPosition(pNode);
}

void CObList::AddHead(CObList* pNewList)
{
    // Walk backwards so the new list keeps its order in front of ours; adding a list
    // to itself is safe because the count is taken first.
    POSITION pos = pNewList->GetTailPosition();
    for (INT_PTR n = pNewList->GetCount(); n > 0; --n)
        AddHead(pNewList->GetPrev(pos));
}

void CObList::AddTail(CObList* pNewList)
{
    POSITION pos = pNewList->GetHeadPosition();
    for (INT_PTR n = pNewList->GetCount(); n > 0; --n)
        AddTail(pNewList->GetNext(pos));
}

void CObList::RemoveAll()
{
    m_nodes.clear();
    m_pNodeFree = m_pNodeHead = m_pNodeTail = nullptr;
    m_nCount = 0;
}

POSITION CObList::GetHeadPosition() const
{
    return ToPosition(m_pNodeHead);
}

POSITION CObList::GetTailPosition() const
{
    return ToPosition(m_pNodeTail);
}

CObject*& CObList::GetNext(POSITION& rPosition)
{
    CNode* pNode = NodeAt(rPosition, "CObList::GetNext");
    rPosition = ToPosition(pNode->pNext);
    return pNode->data;
}

CObject* CObList::GetNext(POSITION& rPosition) const
{
    return const_cast<CObList*>(this)->GetNext(rPosition);
}

CObject*& CObList::GetPrev(POSITION& rPosition)
{
    CNode* pNode = NodeAt(rPosition, "CObList::GetPrev");
    rPosition = ToPosition(pNode->pPrev);
    return pNode->data;
}

CObject* CObList::GetPrev(POSITION& rPosition) const
{
    return const_cast<CObList*>(this)->GetPrev(rPosition);
}

CObject*& CObList::GetAt(POSITION position)
{
    return NodeAt(position, "CObList::GetAt")->data;
}

CObject* CObList::GetAt(POSITION position) const
{
    return NodeAt(position, "CObList::GetAt")->data;
}

void CObList::SetAt(POSITION position, CObject* newElement)
{
    NodeAt(position, "CObList::SetAt")->data = newElement;
}

void CObList::RemoveAt(POSITION position)
{
    CNode* pNode = NodeAt(position, "CObList::RemoveAt");
    if (pNode->pPrev != nullptr)
        pNode->pPrev->pNext = pNode->pNext;
    else
        m_pNodeHead = pNode->pNext;
    if (pNode->pNext != nullptr)
        pNode->pNext->pPrev = pNode->pPrev;
    else
        m_pNodeTail = pNode->pPrev;
    FreeNode(pNode);
}

POSITION CObList::InsertBefore(POSITION position, CObject* newElement)
{
    if (position == nullptr)
        return AddHead(newElement);
    CNode* pOld = NodeAt(position, "CObList::InsertBefore");
    CNode* pNode = NewNode(pOld->pPrev, pOld, newElement);
    if (pOld->pPrev != nullptr)
        pOld->pPrev->pNext = pNode;
    else
        m_pNodeHead = pNode;
    pOld->pPrev = pNode;
    return ToPosition(pNode);
}

POSITION CObList::InsertAfter(POSITION position, CObject* newElement)
{
    if (position == nullptr)
        return AddTail(newElement);
    CNode* pOld = NodeAt(position, "CObList::InsertAfter");
    CNode* pNode = NewNode(pOld, pOld->pNext, newElement);
    if (pOld->pNext != nullptr)
        pOld->pNext->pPrev = pNode;
    else
        m_pNodeTail = pNode;
    pOld->pNext = pNode;
    return ToPosition(pNode);
}

POSITION CObList::Find(CObject* searchValue, POSITION startAfter) const
{
    CNode* pNode = startAfter ? reinterpret_cast<CNode*>(startAfter)->pNext : m_pNodeHead;
    for (; pNode != nullptr; pNode = pNode->pNext) {
        if (pNode->data == searchValue)
            return ToPosition(pNode);
    }
    return nullptr;
}

POSITION CObList::FindIndex(INT_PTR nIndex) const
{
    if (nIndex < 0 || nIndex >= m_nCount)
        return nullptr;
    CNode* pNode = m_pNodeHead;
    while (nIndex-- > 0)
        pNode = pNode->pNext;
    return ToPosition(pNode);
}

// ---- CMapPtrToPtr ----

CMapPtrToPtr::CMapPtrToPtr(INT_PTR /*nBlockSize*/) {}

BOOL CMapPtrToPtr::Lookup(void* key, void*& rValue) const
{
    const auto it = m_map.find(key);
    if (it == m_map.end())
        return FALSE;
    rValue = it->second;
    return TRUE;
}

POSITION CMapPtrToPtr::ToPosition(const Map::value_type& entry)
{
    return reinterpret_cast<POSITION>(const_cast<Map::value_type*>(&entry));
}

POSITION CMapPtrToPtr::GetStartPosition() const
{
    return m_map.empty() ? nullptr : ToPosition(*m_map.begin());
}

void CMapPtrToPtr::GetNextAssoc(POSITION& rNextPosition, void*& rKey, void*& rValue) const
{
    if (rNextPosition == nullptr)
        TessorCollectionIndexFault("CMapPtrToPtr::GetNextAssoc");
    const auto* pEntry = reinterpret_cast<const Map::value_type*>(rNextPosition);
    rKey = pEntry->first;
    rValue = pEntry->second;
    // Entries do not move, so the key leads back to the iterator and on to the next entry.
    auto it = m_map.find(rKey);
    ++it;
    rNextPosition = it == m_map.end() ? nullptr : ToPosition(*it);
}
