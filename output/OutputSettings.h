// Module-wide output settings: one set per process, overwritten by every entry call and
// read when the stitched file is written.
#pragma once

#include "platform/CString.h"

#include <string>

extern CString g_strInstanceUID;    // SOP Instance UID; empty: a fresh UID is generated
extern CString g_strManufacturer;   // Manufacturer
extern CString g_strModelName;      // Manufacturer's Model Name
extern int g_nInstanceNumber;       // Acquisition Number and Instance Number
extern CString g_strSeriesSuffix;   // the new series' description ends with a space and this
extern CString g_strTransferSyntax; // UID of the syntax the stitched file is written in

namespace output {

// The output transfer syntaxes by the names users give them ("raw" for Explicit VR Little
// Endian, "jpeg-lossless", "jpeg-ls", "jpeg2000", "rle", "deflated"); the UID, or "" for an unknown name.
std::string TransferSyntaxForName(const std::string& name);
// The names, in the order help texts list them.
const char* TransferSyntaxNames();

// The module's own settings file (tessor.ini, section "OUTPUT"): "SYNTAX" (a name above)
// and "SERIES_SUFFIX". Sets g_strTransferSyntax and g_strSeriesSuffix from what the file
// holds; absent keys and unknown names give the defaults (raw, "stitched").
void ReadOutputProfile();

}  // namespace output
