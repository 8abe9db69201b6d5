// The platform's boot logo service and the decoders that turn a logo image of
// one format into pixels. Each decoder is a protocol of its own GUID, one per
// format code; format code 2 has none.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"
#include "uefi/protocol/GraphicsOutput.h"

constexpr EFI_GUID LOGO_IMAGE_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x4B11FF5B, 0x590C, 0x4BFE, 0x96, 0xA5, 0x04, 0xBC, 0x5C, 0xCA, 0x5C, 0x11);

constexpr EFI_GUID LOGO_DECODER_FORMAT0_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xA6396A81, 0x8031, 0x4FD7, 0xBD, 0x14, 0x2E, 0x6B, 0xFB, 0xEC, 0x83, 0xC2);
constexpr EFI_GUID LOGO_DECODER_FORMAT1_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xA9396A81, 0x6231, 0x4DD7, 0xBD, 0x9B, 0x2E, 0x6B, 0xF7, 0xEC, 0x73, 0xC2);
constexpr EFI_GUID LOGO_DECODER_FORMAT3_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xD3E104CB, 0xD03E, 0x44B3, 0x85, 0xCF, 0x13, 0x06, 0x74, 0x84, 0xCB, 0x11);
constexpr EFI_GUID LOGO_DECODER_FORMAT4_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x5CBA0791, 0xE45B, 0x4B3B, 0xBE, 0xDB, 0x03, 0xFD, 0x2C, 0xDB, 0x53, 0x31);
constexpr EFI_GUID LOGO_DECODER_FORMAT5_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xD7B3A214, 0x29B0, 0x499E, 0xA7, 0xDD, 0x73, 0x53, 0xB1, 0x66, 0x20, 0xBB);

// The image type of the boot logo itself; other types are badges and the like.
#define LOGO_TYPE_BOOT_LOGO 0u

struct LOGO_IMAGE_PROTOCOL {
  // *Instance counts the images already returned (0 to start); the service
  // returns the next one and advances it. *ImageData is pool the caller
  // frees. An error means there is no further image.
  EFI_STATUS(EFIAPI* GetImage)(LOGO_IMAGE_PROTOCOL* This, UINTN* Instance, UINT32* Type, UINT32* Format,
                                UINT8** ImageData, UINTN* ImageSize, UINT32* Attribute, UINTN* CoordinateX,
                                UINTN* CoordinateY);
  // TRUE when a picture of Width x Height can be placed as logo Index; the
  // position comes back through the coordinates.
  BOOLEAN(EFIAPI* CheckPlacement)(LOGO_IMAGE_PROTOCOL* This, UINTN Index, UINTN Width, UINTN Height,
                                   UINTN* CoordinateX, UINTN* CoordinateY);
};
static_assert(__builtin_offsetof(LOGO_IMAGE_PROTOCOL, CheckPlacement) == 8);
static_assert(sizeof(LOGO_IMAGE_PROTOCOL) == 16);

struct LOGO_DECODER_PROTOCOL {
  // *Blt is pool of Width x Height pixels that the caller frees; *BltSize is
  // its size in bytes.
  EFI_STATUS(EFIAPI* Decode)(LOGO_DECODER_PROTOCOL* This, UINT8* ImageData, UINTN ImageSize,
                              EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt, UINTN* BltSize, UINTN* Width, UINTN* Height);
};
static_assert(sizeof(LOGO_DECODER_PROTOCOL) == 8);
