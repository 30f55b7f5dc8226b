// Image files written by the layers above, without the window system (zlib only).
#pragma once

#include "platform/Win32Types.h"

// Writes width x height pixels of 0x00RRGGBB, rows top-down without padding, as a PNG
// file. FALSE when the arguments are invalid or the file cannot be written.
BOOL SaveRgb32AsPng(LPCTSTR path, const DWORD* pixels, int width, int height);
