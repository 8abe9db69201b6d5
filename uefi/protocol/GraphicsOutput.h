// The graphics output protocol: mode records, pixel formats and block
// transfers between a pixel buffer and the screen.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x9042A9DE, 0x23DC, 0x4A38, 0x96, 0xFB, 0x7A, 0xDE, 0xD0, 0x80, 0x51, 0x6A);

struct EFI_PIXEL_BITMASK {
  UINT32 RedMask;
  UINT32 GreenMask;
  UINT32 BlueMask;
  UINT32 ReservedMask;
};
static_assert(sizeof(EFI_PIXEL_BITMASK) == 16);

enum EFI_GRAPHICS_PIXEL_FORMAT : UINT32 {
  PixelRedGreenBlueReserved8BitPerColor,
  PixelBlueGreenRedReserved8BitPerColor,
  PixelBitMask,
  PixelBltOnly,
  PixelFormatMax
};
static_assert(sizeof(EFI_GRAPHICS_PIXEL_FORMAT) == 4);

struct EFI_GRAPHICS_OUTPUT_MODE_INFORMATION {
  UINT32 Version;
  UINT32 HorizontalResolution;
  UINT32 VerticalResolution;
  EFI_GRAPHICS_PIXEL_FORMAT PixelFormat;
  // Meaningful only for PixelBitMask.
  EFI_PIXEL_BITMASK PixelInformation;
  UINT32 PixelsPerScanLine;
};
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_MODE_INFORMATION, PixelFormat) == 12);
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_MODE_INFORMATION, PixelsPerScanLine) == 32);
static_assert(sizeof(EFI_GRAPHICS_OUTPUT_MODE_INFORMATION) == 36);

struct EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE {
  UINT32 MaxMode;
  UINT32 Mode;
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION* Info;
  UINTN SizeOfInfo;
  EFI_PHYSICAL_ADDRESS FrameBufferBase;
  UINTN FrameBufferSize;
};
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE, Info) == 8);
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE, FrameBufferBase) == 24);
static_assert(sizeof(EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE) == 40);

struct EFI_GRAPHICS_OUTPUT_BLT_PIXEL {
  UINT8 Blue;
  UINT8 Green;
  UINT8 Red;
  UINT8 Reserved;
};
static_assert(sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL) == 4);

enum EFI_GRAPHICS_OUTPUT_BLT_OPERATION : UINT32 {
  // Fill a screen rectangle with the first pixel of the buffer.
  EfiBltVideoFill,
  EfiBltVideoToBltBuffer,
  EfiBltBufferToVideo,
  EfiBltVideoToVideo,
  EfiGraphicsOutputBltOperationMax
};
static_assert(sizeof(EFI_GRAPHICS_OUTPUT_BLT_OPERATION) == 4);

struct EFI_GRAPHICS_OUTPUT_PROTOCOL {
  // *Info is allocated from pool by the protocol; the caller frees it.
  EFI_STATUS(EFIAPI* QueryMode)(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, UINT32 ModeNumber, UINTN* SizeOfInfo,
                                 EFI_GRAPHICS_OUTPUT_MODE_INFORMATION** Info);
  EFI_STATUS(EFIAPI* SetMode)(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, UINT32 ModeNumber);
  // Delta is the buffer's row length in bytes; 0 means Width pixels.
  EFI_STATUS(EFIAPI* Blt)(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, EFI_GRAPHICS_OUTPUT_BLT_PIXEL* BltBuffer,
                           EFI_GRAPHICS_OUTPUT_BLT_OPERATION BltOperation, UINTN SourceX, UINTN SourceY,
                           UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta);
  EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE* Mode;
};
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_PROTOCOL, SetMode) == 8);
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_PROTOCOL, Blt) == 16);
static_assert(__builtin_offsetof(EFI_GRAPHICS_OUTPUT_PROTOCOL, Mode) == 24);
static_assert(sizeof(EFI_GRAPHICS_OUTPUT_PROTOCOL) == 32);
