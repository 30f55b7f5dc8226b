// A DICOM data set: load, inspect, edit and save one file. Every failure is a return
// code; GetLastError() keeps a readable reason for the caller. Nothing throws.
#pragma once

#include "imaging/LTypes.h"

#include <memory>
#include <string>

class LBitmapBase;

// LoadDS flag: the Pixel Data value stays in the file until it is read (GetImage then
// reads the frame straight from the file into the bitmap); every other value is read into
// memory. Only for data sets that are read and dropped, or whose Pixel Data is replaced
// before they are saved: the value is read from the file by name when it is needed.
constexpr UINT LOADDS_PIXEL_DATA_ON_DEMAND = 0x0001;

// The tag of a sequence item, for InsertElement into a sequence.
constexpr DWORD TAG_ITEM = 0xFFFEE000;

class LDicomDS {
public:
    explicit LDicomDS(LPCTSTR tempPath = nullptr);
    virtual ~LDicomDS();
    LDicomDS(const LDicomDS&) = delete;
    LDicomDS& operator=(const LDicomDS&) = delete;

    // Reads the whole file into memory (no lazy values stay tied to the file), except the
    // Pixel Data with LOADDS_PIXEL_DATA_ON_DEMAND.
    // DICOM_SUCCESS (0), ERROR_FILE_OPEN (missing, folder, unreadable) or
    // ERROR_FILE_FORMAT (empty, not DICOM, truncated), with the reason in GetLastError().
    int LoadDS(LPCTSTR path, UINT flags);
    // Writes in the data set's current transfer syntax, through a temporary file in the
    // target's folder renamed over the target: a failure leaves no partial file and the
    // old target untouched. Group 0002 keeps its other elements; its Media Storage SOP
    // Class/Instance UIDs and Transfer Syntax UID follow the data set.
    // DICOM_SUCCESS (0) or ERROR_DICOM_WRITE.
    int SaveDS(LPCTSTR path, UINT flags);
    // Empties the data set; every element handle handed out before dangles.
    void ResetDS();

    // Searches from the root: with bTree, depth-first into sequences (top level first,
    // then nested); without, the top level only. Group 0002 tags are found in the file
    // meta information. nullptr when absent. pStart is ignored.
    pDICOMELEMENT FindFirstElement(pDICOMELEMENT pStart, DWORD tag, BOOL bTree);

    DWORD GetElementTag(pDICOMELEMENT element) const;
    // Number of values held (VM), 0 for an empty element.
    ULONG GetCountValue(pDICOMELEMENT element);
    ULONG GetElementLength(pDICOMELEMENT element);

    // Value getters: a pointer to `count` values from `index`, held by the data set until
    // the next getter call; nullptr when the element is empty or the values do not convert.
    // Strings come back NUL-terminated, the values joined by '\\' when count > 1. Numbers
    // and dates are parsed strictly (IS "1A", DS "1,5" or DA 20230230 give nullptr); a US
    // value read as short is its bit pattern (40000 gives -25536); values asked for past
    // the last one read as 0.
    char* GetStringValue(pDICOMELEMENT element, ULONG index, ULONG count);
    short* GetShortValue(pDICOMELEMENT element, ULONG index, ULONG count);
    LONG* GetLongValue(pDICOMELEMENT element, ULONG index, ULONG count);
    double* GetDoubleValue(pDICOMELEMENT element, ULONG index, ULONG count);
    pVALUEDATE GetDateValue(pDICOMELEMENT element, ULONG index, ULONG count);
    pVALUETIME GetTimeValue(pDICOMELEMENT element, ULONG index, ULONG count);

    // Raw bytes of the value (for Pixel Data: the stored values in native little-endian
    // order, also for big-endian files). Copies the first `length` bytes; FALSE when the
    // value holds fewer, or when the Pixel Data is compressed (decode it with GetImage).
    BOOL GetBinaryValue(pDICOMELEMENT element, void* buffer, ULONG length);
    // The same bytes in place, without a copy: a pointer to at least `length` bytes of the
    // value, valid until the element changes or the data set goes; nullptr where
    // GetBinaryValue fails.
    const BYTE* GetBinaryValueData(pDICOMELEMENT element, ULONG length);
    // Copies `length` bytes of the same from byte `offset` on, read from the file when the
    // value stayed there (LOADDS_PIXEL_DATA_ON_DEMAND) without reading the rest. FALSE
    // where GetBinaryValue fails, or when the value ends before offset + length.
    BOOL GetBinaryValuePart(pDICOMELEMENT element, ULONG offset, void* buffer, ULONG length);
    // Replaces the value with raw bytes (OB, OW, or Pixel Data). Pixel Data becomes OW
    // when Bits Allocated > 8 (an odd length then fails), OB otherwise, and replaces any
    // compressed representation: the data set is then held as Explicit VR Little Endian.
    // Nonzero on success.
    BOOL SetBinaryValue(pDICOMELEMENT element, const void* buffer, ULONG length);
    // Replaces the value, as SetBinaryValue does, with `length` zeroed bytes the caller
    // writes in place through the returned pointer (valid until the element changes or the
    // data set goes): a large value is filled once, never copied. nullptr on failure.
    BYTE* CreateBinaryValue(pDICOMELEMENT element, ULONG length);

    // A new top-level element with the dictionary's VR (ambiguous VRs resolved from the
    // data set: US/SS by Pixel Representation, OB/OW by Bits Allocated). nullptr on failure.
    // With bChild and pNeighbor a sequence (SQ) element, tag TAG_ITEM appends an empty item
    // to it and returns the item's handle; with bChild and pNeighbor an item, the element
    // goes into that item. An item handle holds no value: only GetElementTag,
    // InsertElement and DeleteElement take it. nVR, bSequence and index are accepted for
    // the interface's shape.
    pDICOMELEMENT InsertElement(pDICOMELEMENT pNeighbor, BOOL bChild, DWORD tag, WORD nVR,
                                BOOL bSequence, ULONG index);
    // Removes the element and everything below it. DICOM_SUCCESS or a failure code.
    int DeleteElement(pDICOMELEMENT element);

    // Value setters: replace the value by `count` values. Numbers are formatted for the
    // element's VR independent of the C locale (DS in at most 16 characters) and must fit
    // the VR (a short for a US element is taken as its bit pattern). SetStringValue stores
    // the text as given (several values joined by '\\'). Nonzero on success.
    BOOL SetStringValue(pDICOMELEMENT element, const char* value, ULONG count);
    BOOL SetShortValue(pDICOMELEMENT element, const short* values, ULONG count);
    BOOL SetLongValue(pDICOMELEMENT element, const LONG* values, ULONG count);
    BOOL SetDoubleValue(pDICOMELEMENT element, const double* values, ULONG count);
    BOOL SetDateValue(pDICOMELEMENT element, const VALUEDATE* values, ULONG count);
    BOOL SetTimeValue(pDICOMELEMENT element, const VALUETIME* values, ULONG count);

    // Describes frame `index` of the Pixel Data element. DICOM_SUCCESS or a failure code.
    int GetInfoImage(pDICOMELEMENT pixelElement, DICOMIMAGE* info, ULONG index);
    // Decodes frame `index` into the bitmap (nullptr: a temporary one; bitsPerPixel 0 or
    // the image's own), stored values unchanged except that bits above High Bit are
    // cleared and signed samples are sign-extended from High Bit. Colour comes as 24 bits,
    // blue first unless order is ORDER_RGB. When a callback is given, hands it the rows in
    // bands (FILEREAD_FIRSTROW on the first, FILEREAD_LASTROW on the last) and stops with
    // ERROR_USER_ABORT when it returns other than SUCCESS. Short or odd Pixel Data, frames
    // over 2 GiB, 1-bit or 16-bit colour images and syntaxes without a decoder (JPEG 2000)
    // fail with a reason. DICOM_SUCCESS or a failure code.
    int GetImage(pDICOMELEMENT pixelElement, LBitmapBase* bitmap, ULONG index, int bitsPerPixel,
                 int order, UINT flags, DECODEROWSCALLBACK callback, void* userData);

    // Changes to the transfer syntax `uid` (decompressing on the way): any uncompressed
    // syntax, JPEG lossless SV1 (.4.70), JPEG-LS lossless (.4.80), JPEG 2000 lossless
    // (.4.90, 8 or 16 bits allocated, High Bit Bits Stored - 1) or RLE (.5). SaveDS then
    // writes that syntax. DICOM_SUCCESS or a failure code.
    int ChangeTransferSyntax(const char* uid, UINT quality, UINT flags);
    // The data set's current transfer syntax UID.
    std::string GetTransferSyntaxUID() const;

    // Reason for the last failure, empty after a success.
    const std::string& GetLastError() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
