#include "imaging/packed_dib.h"

#include "imaging/dib_rules.h"

WORD DibColorTableEntries(const BITMAPINFOHEADER* header)
{
    return DibColorTableEntryCount(reinterpret_cast<const DibHeader*>(header));
}

PackedDib LoadPackedDib(HINSTANCE instance, WORD id)
{
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!resource) {
        return 0;
    }
    HGLOBAL loaded = LoadResource(instance, resource);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : 0;
    const DWORD size = SizeofResource(instance, resource);
    // Everything that drawing will read must lie inside the resource: refuse anything else here,
    // before a block is allocated.
    if (!data || CheckPackedDib(data, size, 0) != DibAccepted) {
        if (loaded) {
            FreeResource(loaded);
        }
        return 0;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    BYTE* copy = block ? static_cast<BYTE*>(GlobalLock(block)) : 0;
    if (!copy) {
        if (block) {
            GlobalFree(block);
        }
        FreeResource(loaded);
        return 0;
    }
    // Header, colour table and pixels keep their positions, so one copy of the whole resource does.
    __builtin_memcpy(copy, data, size);
    FreeResource(loaded);
    return reinterpret_cast<PackedDib>(copy);
}

void FreePackedDib(PackedDib dib)
{
    if (!dib) {
        return;
    }
    HGLOBAL block = GlobalHandle(dib);
    GlobalUnlock(block);
    GlobalFree(block);
}

const void* PackedDibBits(PackedDib dib)
{
    return reinterpret_cast<const BYTE*>(dib) + kDibHeaderSize + 4 * DibColorTableEntries(dib);
}

HPALETTE CreateDibPalette(PackedDib dib)
{
    const WORD entries = DibColorTableEntries(dib);
    if (entries == 0) {
        return 0;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8 + 4 * static_cast<DWORD>(entries));
    LOGPALETTE* logical = block ? static_cast<LOGPALETTE*>(GlobalLock(block)) : 0;
    if (!logical) {
        if (block) {
            GlobalFree(block);
        }
        return 0;
    }
    logical->palVersion = 0x300;
    logical->palNumEntries = entries;
    ColorTableToPalette(reinterpret_cast<const uint8_t*>(dib), dib->biSize, entries,
                        reinterpret_cast<PaletteColor*>(logical->palPalEntry));
    HPALETTE palette = CreatePalette(logical);
    GlobalUnlock(block);
    GlobalFree(block);
    return palette;
}
