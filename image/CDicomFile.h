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
};
