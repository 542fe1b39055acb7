// Bitmap resources kept as device-independent pictures in locked global memory, and their palettes.
#pragma once

#include <windows.h>

// A picture in one locked, movable global-memory block: the 40-byte header, the colour table and the
// pixel bits, exactly as the bitmap resource stores them, so it serves as a BITMAPINFO as it stands.
typedef BITMAPINFOHEADER* PackedDib;

// Colour-table entries following a header (0 for a null header).
WORD DibColorTableEntries(const BITMAPINFOHEADER* header);

// Copies bitmap resource `id` into a new PackedDib. Null when the resource is missing, unreadable,
// malformed or compressed; nothing stays allocated then.
PackedDib LoadPackedDib(HINSTANCE instance, WORD id);

// Releases a PackedDib; null is accepted.
void FreePackedDib(PackedDib dib);

// The pixel bits of a PackedDib, after its header and colour table.
const void* PackedDibBits(PackedDib dib);

// A logical palette of the picture's colour table; null for a picture without one. `dib` must not be null.
HPALETTE CreateDibPalette(PackedDib dib);
