// The stitched file as a new derived instance in a series of its own: it must never be
// filed beside its sources as if it were one of them, nor carry what belongs to one
// exposure of one piece.
#pragma once

#include "platform/CString.h"
#include "platform/Win32Types.h"

#include <ctime>
#include <vector>

class CStitchDicomItem;
class LDicomDS;

namespace output {

// Sets a DA and a TM element (inserted when missing) to `when`, to the second.
void WriteDateTime(LDicomDS& ds, DWORD dateTag, DWORD timeTag, const std::tm& when);

// Reads a file source's lossy compression history into the item.
void ReadLossyHistory(LDicomDS& ds, CStitchDicomItem& item);

// A new series: fresh Series Instance UID; Series Number the template's + 1000 (1000
// without one); Series Description the template's with " " + g_strSeriesSuffix (the
// suffix alone without one, cut to 64 characters); Instance Creation Date/Time `now`.
void WriteNewSeries(LDicomDS& ds, const std::tm& now);

// Removes what describes one exposure of the template or another instance: Instance
// Creator UID, the source, sending and receiving AE titles of the file meta information,
// collimator, field of view, detector and exposure attributes, overlays, the Icon Image
// Sequence and the Referenced Image Sequence.
void DropPerExposureAttributes(LDicomDS& ds);

// Lossy Image Compression "01" with the ratio and method of the lossy sources when any
// file source was lossy, "00" (no ratio, no method) when every source was a file and none
// was; bitmap sources keep the template's.
void WriteLossyHistory(LDicomDS& ds, const std::vector<const CStitchDicomItem*>& sources);

}  // namespace output
