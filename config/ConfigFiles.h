// Names of the module's private profile files, bare (the profile directory holds them).
#pragma once

#include "platform/CString.h"

extern const CString g_strDisplayConfigFile;  // "kvw.cfg", the host's shared display configuration
extern const CString g_strModuleProfileFile;  // "tessor.ini", the module's own choices
