// A DICOM data set opened for one image load: reads the two attribute records.
#pragma once

#include "image/DicomRecords.h"
#include "imaging/LDicomDS.h"

class CDicomFile : public LDicomDS {
public:
    CDicomFile() : LDicomDS(nullptr) {}
    // Empties the data set before the base destructor runs.
    ~CDicomFile() override;

    // TRUE exactly when the data set loads.
    BOOL Load(LPCTSTR path);
    // Fill the record from the loaded data set; elements the file lacks keep the
    // record's defaults. Always TRUE.
    BOOL ReadStudyData(CDicomStudyData* pStudy);
    BOOL ReadImageAttr(CDicomImageAttr* pAttr);

private:
    // Tree-search flags: a few study elements are looked up at the top level only.
    static constexpr BOOL kTopLevel = FALSE;
    static constexpr BOOL kTree = TRUE;

    void ReadText(DWORD tag, BOOL bTree, CString* pValue);
    void ReadShort(DWORD tag, int* pValue);
    void ReadLong(DWORD tag, BOOL bTree, int* pValue);
    void ReadDouble(DWORD tag, BOOL bTree, double* pValue);
    void ReadFloat(DWORD tag, float* pValue);
    void ReadPixelSpacing(float* pRow, float* pColumn);
    // The date, then the time of day when the time element is present.
    void ReadDateTime(DWORD dateTag, DWORD timeTag, COleDateTime* pValue);
    void ReadPhotometric(CDicomImageAttr* pAttr);
};
