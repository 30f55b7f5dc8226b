// Platform-private access to loaded icon images. Never included outside platform/.
#pragma once

#include "platform/Win32Types.h"

#include <QImage>

// The image behind an icon handle; null for an unknown handle.
const QImage* IconImageFromHandle(HICON hIcon);
