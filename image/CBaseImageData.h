// A display image that came from a DICOM file (or from a host bitmap): adds the file
// name and the attribute records, which decide the first rendering.
#pragma once

#include "image/CBaseImage.h"
#include "image/DicomRecords.h"
#include "platform/CString.h"

class CBaseImageData : public CBaseImage {
public:
    CBaseImageData() = default;
    ~CBaseImageData() override = default;

    // Decodes the pixels, reads both records from the data set and applies the file's
    // window (inverted for MONOCHROME1). TRUE when both the bitmap and the data set were
    // read; the path is kept either way.
    BOOL Load(LPCTSTR path) override;
    // Copies the image (CopyImage), the file name and both records.
    BOOL Copy(CBaseImageData* pSrc);

    // The centre between modality units and stored values (table indices): signed data
    // (also a file without Pixel Representation) is shifted by 32768, the rescale
    // intercept is taken off. The width is unchanged.
    void WindowToStored(int* pWidth, int* pCenter) override;
    void WindowToModality(int* pWidth, int* pCenter) override;

    CString m_strFileName;
    CDicomStudyData m_study;
    CDicomImageAttr m_attr;

private:
    void ApplyFileRendering();
};
