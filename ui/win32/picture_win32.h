// Pictures for the Win32 binding through the Windows Imaging Component: the program's PNG
// resources as bitmaps, and a window's picture saved as PNG. COM must be entered on the thread.
#pragma once

#include "platform/win32.h"

#include <optional>

// The PNG resource `name` (RCDATA) of the program file, drawn for 96 dpi (and `name`_2x, where
// there is one, for 192 dpi), as a 32-bit top-down DIB section at this dpi with premultiplied
// alpha, or, given a background, drawn onto it (opaque). Throws when it is missing or cannot be
// decoded.
HBITMAP PictureLoad(TextView name, int dpi, std::optional<COLORREF> background = std::nullopt);

// Saves what the window's client area shows now as a PNG file; false when that fails.
bool WindowPictureSave(HWND window, TextView pngPath);
