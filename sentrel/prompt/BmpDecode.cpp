// BMP decoding for the prompt images. The headers are checked in a fixed
// order, each failure with its own status; after that nothing is read outside
// the file and nothing is written outside Width x Height pixels.
#include "sentrel/prompt/BmpDecode.h"

#include "support/Arith.h"
#include "support/Memory.h"
#include "support/Pool.h"

namespace {

// File header (14 bytes) and information header (40 bytes), little-endian.
constexpr UINT16 BMP_SIGNATURE = 0x4D42;  // "BM"
constexpr UINTN BMP_OFFSET_SIGNATURE = 0;
constexpr UINTN BMP_OFFSET_PIXEL_DATA = 10;
constexpr UINTN BMP_OFFSET_HEADER_SIZE = 14;
constexpr UINTN BMP_OFFSET_WIDTH = 18;
constexpr UINTN BMP_OFFSET_HEIGHT = 22;
constexpr UINTN BMP_OFFSET_BITS_PER_PIXEL = 28;
constexpr UINTN BMP_OFFSET_COMPRESSION = 30;
constexpr UINTN BMP_OFFSET_COLOURS_USED = 46;
constexpr UINT32 BMP_INFO_HEADER_SIZE = 40;
// Both headers; the colour table starts right after them.
constexpr UINT32 BMP_HEADERS_SIZE = 54;
constexpr UINT32 BMP_COLOUR_ENTRY_SIZE = 4;  // Blue, Green, Red, reserved
constexpr UINT32 BMP_ROW_ALIGNMENT = 4;

constexpr UINT32 BMP_COMPRESSION_NONE = 0;
constexpr UINT32 BMP_COMPRESSION_RLE8 = 1;

// Run-length codes: a pair (count, colour), or an escape (0, code).
constexpr UINT8 BMP_RLE_ESCAPE = 0;
constexpr UINT8 BMP_RLE_END_OF_ROW = 0;
constexpr UINT8 BMP_RLE_END_OF_BITMAP = 1;
constexpr UINT8 BMP_RLE_MOVE = 2;  // followed by DX, DY

// Bits per pixel the decoder handles; the packed depths index the colour table.
constexpr UINT16 BMP_DEPTH_1 = 1;
constexpr UINT16 BMP_DEPTH_4 = 4;
constexpr UINT16 BMP_DEPTH_8 = 8;
constexpr UINT16 BMP_DEPTH_24 = 24;
constexpr UINT16 BMP_DEPTH_32 = 32;
constexpr UINT8 BMP_HIGH_NIBBLE_SHIFT = 4;
constexpr UINT8 BMP_LOW_NIBBLE_MASK = 0x0F;
constexpr UINT8 BMP_BITS_PER_BYTE = 8;

constexpr UINT64 MAX_UINT32_VALUE = 0xFFFFFFFFull;
constexpr UINT64 MAX_PIXEL_COUNT = 0xFFFFFFFFFFFFFFFFull / sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL);

UINT64 DefaultColourCount(UINT16 BitsPerPixel) {
  switch (BitsPerPixel) {
    case BMP_DEPTH_1:
    case BMP_DEPTH_4:
    case BMP_DEPTH_8:
      return 1ull << BitsPerPixel;
    default:
      return 0;
  }
}

// A colour table and its entry count; every entry below Count lies inside the
// file.
struct COLOUR_TABLE {
  const UINT8* Entries;
  UINT64 Count;
};

// Sets Blue, Green and Red from entry Index; the Reserved byte is left alone.
// FALSE when the index is not below the colour count.
BOOLEAN SetIndexedPixel(EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Pixel, const COLOUR_TABLE& Colours, UINT8 Index) {
  if (Index >= Colours.Count) {
    return FALSE;
  }
  const UINT8* Entry = Colours.Entries + (UINTN)Index * BMP_COLOUR_ENTRY_SIZE;
  Pixel->Blue = Entry[0];
  Pixel->Green = Entry[1];
  Pixel->Red = Entry[2];
  return TRUE;
}

// The output picture: Width x Height pixels, top row first.
struct PICTURE {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Pixels;
  UINT64 Width;
  UINT64 Height;

  // Output row of a stored row; stored rows count from the bottom.
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Row(UINT64 StoredRow) const { return Pixels + (Height - 1 - StoredRow) * Width; }
};

// Run-length decoding over Size bytes of Data. Runs, literals and moves may
// point anywhere: pixels outside the picture and indices outside the colour
// table are skipped (left black), and decoding stops at the end of the data
// or once it has moved past the top row.
VOID DecodeRle8(const UINT8* Data, UINTN Size, const COLOUR_TABLE& Colours, const PICTURE& Picture) {
  UINTN Position = 0;
  UINT64 X = 0;
  UINT64 Row = 0;
  auto Put = [&](UINT8 Index) {
    if (X < Picture.Width) {
      (VOID) SetIndexedPixel(Picture.Row(Row) + X, Colours, Index);
    }
    X++;
  };

  while (Row < Picture.Height && Size - Position >= 2) {
    UINT8 Count = Data[Position];
    UINT8 Code = Data[Position + 1];
    Position += 2;
    if (Count != BMP_RLE_ESCAPE) {
      for (UINT8 Index = 0; Index < Count; Index++) {
        Put(Code);
      }
      continue;
    }
    switch (Code) {
      case BMP_RLE_END_OF_ROW:
        X = 0;
        Row++;
        break;
      case BMP_RLE_END_OF_BITMAP:
        return;
      case BMP_RLE_MOVE:
        if (Size - Position < 2) {
          return;
        }
        X += Data[Position];
        Row += Data[Position + 1];
        Position += 2;
        break;
      default: {
        // Code literal indices, then a pad byte when Code is odd.
        UINTN Available = Size - Position;
        UINTN Literal = Code < Available ? Code : Available;
        for (UINTN Index = 0; Index < Literal; Index++) {
          Put(Data[Position + Index]);
        }
        if (Literal < Code) {
          return;
        }
        Position += Literal;
        if ((Code & 1) != 0 && Position < Size) {
          Position++;
        }
        break;
      }
    }
  }
}

// Colour index of pixel X of a stored row of 1, 4 or 8 bits per pixel; the
// leftmost pixel is in the most significant bits.
UINT8 PackedIndex(const UINT8* Row, UINT64 X, UINT16 BitsPerPixel) {
  switch (BitsPerPixel) {
    case BMP_DEPTH_1:
      return (Row[X / BMP_BITS_PER_BYTE] >> (BMP_BITS_PER_BYTE - 1 - X % BMP_BITS_PER_BYTE)) & 0x01;
    case BMP_DEPTH_4:
      return (X % 2 == 0) ? (Row[X / 2] >> BMP_HIGH_NIBBLE_SHIFT) : (Row[X / 2] & BMP_LOW_NIBBLE_MASK);
    default:
      return Row[X];
  }
}

// Decodes uncompressed rows; every row lies inside the file.
[[nodiscard]] EFI_STATUS DecodeRows(const UINT8* Data, UINT64 RowSize, UINT16 BitsPerPixel,
                                    const COLOUR_TABLE& Colours, const PICTURE& Picture) {
  for (UINT64 StoredRow = 0; StoredRow < Picture.Height; StoredRow++) {
    const UINT8* Source = Data + StoredRow * RowSize;
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Output = Picture.Row(StoredRow);
    for (UINT64 X = 0; X < Picture.Width; X++) {
      if (BitsPerPixel == BMP_DEPTH_24 || BitsPerPixel == BMP_DEPTH_32) {
        const UINT8* Pixel = Source + X * (BitsPerPixel / BMP_BITS_PER_BYTE);
        Output[X].Blue = Pixel[0];
        Output[X].Green = Pixel[1];
        Output[X].Red = Pixel[2];
      } else if (!SetIndexedPixel(&Output[X], Colours, PackedIndex(Source, X, BitsPerPixel))) {
        return EFI_INVALID_PARAMETER;
      }
    }
  }
  return EFI_SUCCESS;
}

BOOLEAN IsDecodableDepth(UINT16 BitsPerPixel) {
  return BitsPerPixel == BMP_DEPTH_1 || BitsPerPixel == BMP_DEPTH_4 || BitsPerPixel == BMP_DEPTH_8 ||
         BitsPerPixel == BMP_DEPTH_24 || BitsPerPixel == BMP_DEPTH_32;
}

}  // namespace

EFI_STATUS DecodeBmp(const VOID* Bmp, UINTN BmpSize, EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt, UINTN* BltSize,
                     UINTN* Width, UINTN* Height) {
  const UINT8* File = static_cast<const UINT8*>(Bmp);
  if (BmpSize < BMP_HEADERS_SIZE) {
    return EFI_INVALID_PARAMETER;
  }
  UINT32 Compression = ReadUnaligned32(File + BMP_OFFSET_COMPRESSION);
  if (ReadUnaligned16(File + BMP_OFFSET_SIGNATURE) != BMP_SIGNATURE ||
      (Compression != BMP_COMPRESSION_NONE && Compression != BMP_COMPRESSION_RLE8) ||
      ReadUnaligned32(File + BMP_OFFSET_HEADER_SIZE) != BMP_INFO_HEADER_SIZE) {
    return EFI_UNSUPPORTED;
  }

  // Width and height are taken unsigned: a top-down picture (negative height)
  // is refused as far too large.
  UINT32 PixelWidth = ReadUnaligned32(File + BMP_OFFSET_WIDTH);
  UINT32 PixelHeight = ReadUnaligned32(File + BMP_OFFSET_HEIGHT);
  UINT16 BitsPerPixel = ReadUnaligned16(File + BMP_OFFSET_BITS_PER_PIXEL);
  // The row size as the format defines it, in 32 bits.
  UINT32 FormatRowSize = ((PixelWidth * BitsPerPixel + 31) / 8) & ~(BMP_ROW_ALIGNMENT - 1);
  if ((UINT64)FormatRowSize * PixelHeight > MAX_UINT32_VALUE) {
    return EFI_INVALID_PARAMETER;
  }

  UINT32 PixelOffset = ReadUnaligned32(File + BMP_OFFSET_PIXEL_DATA);
  COLOUR_TABLE Colours = {File + BMP_HEADERS_SIZE, 0};
  if (PixelOffset < BMP_HEADERS_SIZE) {
    return EFI_INVALID_PARAMETER;
  }
  if (PixelOffset > BMP_HEADERS_SIZE) {
    UINT32 ColoursUsed = ReadUnaligned32(File + BMP_OFFSET_COLOURS_USED);
    Colours.Count = ColoursUsed != 0 ? ColoursUsed : DefaultColourCount(BitsPerPixel);
    if (PixelOffset != BMP_HEADERS_SIZE + BMP_COLOUR_ENTRY_SIZE * Colours.Count) {
      return EFI_INVALID_PARAMETER;
    }
  }

  UINT64 PixelCount = (UINT64)PixelWidth * PixelHeight;
  if (PixelCount > MAX_PIXEL_COUNT) {
    return EFI_UNSUPPORTED;
  }
  UINTN NeededSize = PixelCount * sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL);

  // The colour table and the stored rows must lie inside the file. The row
  // size is recomputed in 64 bits, where it cannot wrap.
  UINT64 RowSize = (((UINT64)PixelWidth * BitsPerPixel + 31) / 8) & ~(UINT64)(BMP_ROW_ALIGNMENT - 1);
  if (PixelOffset > BmpSize) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN DataSize = BmpSize - PixelOffset;
  if (Compression == BMP_COMPRESSION_NONE && RowSize != 0 && PixelHeight > DataSize / RowSize) {
    return EFI_INVALID_PARAMETER;
  }

  BOOLEAN Allocated = FALSE;
  if (*Blt == NULL) {
    *Blt = static_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL*>(PoolAllocZeroed(NeededSize));
    if (*Blt == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
    *BltSize = NeededSize;
    Allocated = TRUE;
  } else if (*BltSize < NeededSize) {
    *BltSize = NeededSize;
    return EFI_BUFFER_TOO_SMALL;
  }

  *Width = PixelWidth;
  *Height = PixelHeight;
  PICTURE Picture = {*Blt, PixelWidth, PixelHeight};
  const UINT8* Data = File + PixelOffset;

  if (Compression == BMP_COMPRESSION_RLE8) {
    MemZero(*Blt, NeededSize);
    DecodeRle8(Data, DataSize, Colours, Picture);
    return EFI_SUCCESS;
  }
  if (PixelCount == 0) {
    return EFI_SUCCESS;  // no pixel to read, whatever the depth
  }
  if (!IsDecodableDepth(BitsPerPixel)) {
    if (Allocated) {
      PoolFree(*Blt);
    }
    *Blt = NULL;
    return EFI_UNSUPPORTED;
  }
  return DecodeRows(Data, RowSize, BitsPerPixel, Colours, Picture);
}
