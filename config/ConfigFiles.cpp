#include "config/ConfigFiles.h"

// Module-wide file names, constructed when the module loads.
const CString g_strDisplayConfigFile = "kvw.cfg";
const CString g_strModuleProfileFile = "tessor.ini";
