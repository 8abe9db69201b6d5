// The older universal graphics adapter drawing protocol. The drivers only ask
// whether the console has one; the table is here so the platform can offer it.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_UGA_DRAW_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x982C298B, 0xF4FA, 0x41CB, 0xB8, 0x38, 0x77, 0xAA, 0x68, 0x8F, 0xB8, 0x39);

struct EFI_UGA_PIXEL {
  UINT8 Blue;
  UINT8 Green;
  UINT8 Red;
  UINT8 Reserved;
};
static_assert(sizeof(EFI_UGA_PIXEL) == 4);

enum EFI_UGA_BLT_OPERATION : UINT32 {
  EfiUgaVideoFill,
  EfiUgaVideoToBltBuffer,
  EfiUgaBltBufferToVideo,
  EfiUgaVideoToVideo,
  EfiUgaBltMax
};
static_assert(sizeof(EFI_UGA_BLT_OPERATION) == 4);

struct EFI_UGA_DRAW_PROTOCOL {
  EFI_STATUS(EFIAPI* GetMode)(EFI_UGA_DRAW_PROTOCOL* This, UINT32* HorizontalResolution,
                               UINT32* VerticalResolution, UINT32* ColorDepth, UINT32* RefreshRate);
  EFI_STATUS(EFIAPI* SetMode)(EFI_UGA_DRAW_PROTOCOL* This, UINT32 HorizontalResolution, UINT32 VerticalResolution,
                               UINT32 ColorDepth, UINT32 RefreshRate);
  EFI_STATUS(EFIAPI* Blt)(EFI_UGA_DRAW_PROTOCOL* This, EFI_UGA_PIXEL* BltBuffer, EFI_UGA_BLT_OPERATION BltOperation,
                           UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width,
                           UINTN Height, UINTN Delta);
};
static_assert(__builtin_offsetof(EFI_UGA_DRAW_PROTOCOL, SetMode) == 8);
static_assert(__builtin_offsetof(EFI_UGA_DRAW_PROTOCOL, Blt) == 16);
static_assert(sizeof(EFI_UGA_DRAW_PROTOCOL) == 24);
