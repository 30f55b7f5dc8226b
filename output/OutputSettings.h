// Module-wide output settings: one set per process, overwritten by every entry call and
// read when the stitched file is written.
#pragma once

#include "platform/CString.h"

extern CString g_strInstanceUID;    // SOP Instance UID; empty: a fresh UID is generated
extern CString g_strManufacturer;   // Manufacturer
extern CString g_strModelName;      // Manufacturer's Model Name
extern int g_nInstanceNumber;       // Acquisition Number and Instance Number
