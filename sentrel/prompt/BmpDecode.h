// Decoding of a BMP file into a buffer of graphics-output pixels.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"
#include "uefi/protocol/GraphicsOutput.h"

// Decodes the BmpSize bytes at Bmp: 1, 4, 8, 24 or 32 bits per pixel,
// uncompressed or (8 bits) run-length encoded, rows stored bottom-up.
//
// *Blt NULL: the pixel buffer is allocated (zero-filled boot-services pool,
// its size stored in *BltSize) and the caller frees it; it stays with the
// caller also when a colour index is out of range (EFI_INVALID_PARAMETER).
// Otherwise *BltSize is the size of the caller's buffer in bytes; one too
// small gives EFI_BUFFER_TOO_SMALL with the needed size in *BltSize.
//
// EFI_INVALID_PARAMETER: too short, a colour table that disagrees with the
// pixel-data offset, rows that run past the end of the file, a picture of more
// than 4 GB of rows, or a colour index not below the colour count.
// EFI_UNSUPPORTED: not a BMP, an information header other than the 40-byte
// one, a compression other than none or 8-bit run-length, a picture too large
// to address, or another depth (*Blt is then NULL and nothing stays
// allocated). Never reads outside the file.
[[nodiscard]] EFI_STATUS DecodeBmp(const VOID* Bmp, UINTN BmpSize, EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt,
                                   UINTN* BltSize, UINTN* Width, UINTN* Height);
