// The list in which the workspace keeps its images. With the auto-delete flag set the
// list owns its images and deletes them when emptied by DeleteAll or destroyed.
#pragma once

#include "image/CBaseImageData.h"
#include "platform/Collections.h"

class CBaseImageDataList : public CTypedPtrList<CObList, CBaseImageData*> {
public:
    explicit CBaseImageDataList(BOOL bAutoDelete);
    ~CBaseImageDataList() override;
    CBaseImageDataList(const CBaseImageDataList&) = delete;
    CBaseImageDataList& operator=(const CBaseImageDataList&) = delete;

    // Deletes every element (through its virtual destructor), then empties the list.
    void DeleteAll();

    using CTypedPtrList<CObList, CBaseImageData*>::GetAt;
    using CTypedPtrList<CObList, CBaseImageData*>::SetAt;
    // The element at the zero-based index; null outside the list.
    CBaseImageData* GetAt(int index) const;
    // Stores p at the index without deleting the element that was there (so two calls
    // swap two images); ignored outside the list.
    void SetAt(int index, CBaseImageData* p);

    BOOL m_bAutoDelete;
};
