#include "output/OutputSettings.h"

CString g_strInstanceUID = "";
CString g_strManufacturer = "KORVANTE";
CString g_strModelName = "KORVANTE";
int g_nInstanceNumber = 1;
