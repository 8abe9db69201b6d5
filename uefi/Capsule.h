// Capsules: the header every capsule starts with, the result variables the
// platform writes after processing one, and the records of a capsule that
// carries firmware-management payloads.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

struct EFI_CAPSULE_HEADER {
  EFI_GUID CapsuleGuid;
  // The capsule body starts HeaderSize bytes from the header.
  UINT32 HeaderSize;
  UINT32 Flags;
  // Header and body together.
  UINT32 CapsuleImageSize;
};
static_assert(__builtin_offsetof(EFI_CAPSULE_HEADER, HeaderSize) == 16);
static_assert(__builtin_offsetof(EFI_CAPSULE_HEADER, Flags) == 20);
static_assert(__builtin_offsetof(EFI_CAPSULE_HEADER, CapsuleImageSize) == 24);
static_assert(sizeof(EFI_CAPSULE_HEADER) == 28);

// Flags; the low 16 bits belong to the capsule's own GUID.
#define CAPSULE_FLAGS_PERSIST_ACROSS_RESET 0x00010000u
#define CAPSULE_FLAGS_POPULATE_SYSTEM_TABLE 0x00020000u
#define CAPSULE_FLAGS_INITIATE_RESET 0x00040000u

// One entry of the scatter-gather list handed to UpdateCapsule: a data block,
// or with Length 0 a pointer to the next list (0 ends the list).
struct EFI_CAPSULE_BLOCK_DESCRIPTOR {
  UINT64 Length;
  union {
    EFI_PHYSICAL_ADDRESS DataBlock;
    EFI_PHYSICAL_ADDRESS ContinuationPointer;
  } Union;
};
static_assert(sizeof(EFI_CAPSULE_BLOCK_DESCRIPTOR) == 16);

// Vendor GUID of "CapsuleMax", "CapsuleLast" and the "CapsuleNNNN" results.
constexpr EFI_GUID EFI_CAPSULE_REPORT_GUID =
    EFI_GUID_LITERAL(0x39B68C46, 0xF7FB, 0x441B, 0xB6, 0xEC, 0x16, 0xB0, 0xF6, 0x98, 0x21, 0xF3);

struct EFI_CAPSULE_RESULT_VARIABLE_HEADER {
  // The whole variable, this header and any capsule-specific data after it.
  UINT32 VariableTotalSize;
  UINT32 Reserved;
  EFI_GUID CapsuleGuid;
  EFI_TIME CapsuleProcessed;
  EFI_STATUS CapsuleStatus;
};
static_assert(__builtin_offsetof(EFI_CAPSULE_RESULT_VARIABLE_HEADER, CapsuleGuid) == 8);
static_assert(__builtin_offsetof(EFI_CAPSULE_RESULT_VARIABLE_HEADER, CapsuleProcessed) == 24);
static_assert(__builtin_offsetof(EFI_CAPSULE_RESULT_VARIABLE_HEADER, CapsuleStatus) == 40);
static_assert(sizeof(EFI_CAPSULE_RESULT_VARIABLE_HEADER) == 48);

// The capsule GUID of a capsule whose body is a firmware-management capsule.
constexpr EFI_GUID EFI_FIRMWARE_MANAGEMENT_CAPSULE_ID_GUID =
    EFI_GUID_LITERAL(0x6DCBD5ED, 0xE82D, 0x4C44, 0xBD, 0xA1, 0x71, 0x94, 0x19, 0x9A, 0xD9, 0x2A);

#define EFI_FIRMWARE_MANAGEMENT_CAPSULE_HEADER_INIT_VERSION 0x00000001u
#define EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER_INIT_VERSION 0x00000003u

// Capsule records are read straight out of the capsule bytes, at whatever
// alignment the sender left them.
#pragma pack(push, 1)

// Followed by EmbeddedDriverCount + PayloadItemCount UINT64 offsets, from the
// start of this header, of the drivers and then the payloads.
struct EFI_FIRMWARE_MANAGEMENT_CAPSULE_HEADER {
  UINT32 Version;
  UINT16 EmbeddedDriverCount;
  UINT16 PayloadItemCount;
};
static_assert(sizeof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_HEADER) == 8);

// One payload: UpdateImageSize bytes of image, then UpdateVendorCodeSize
// bytes of vendor code.
struct EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER {
  UINT32 Version;
  EFI_GUID UpdateImageTypeId;
  UINT8 UpdateImageIndex;
  UINT8 reserved_bytes[3];
  UINT32 UpdateImageSize;
  UINT32 UpdateVendorCodeSize;
  // Since version 2.
  UINT64 UpdateHardwareInstance;
  // Since version 3.
  UINT64 ImageCapsuleSupport;
};
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER, UpdateImageIndex) == 20);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER, UpdateImageSize) == 24);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER, UpdateVendorCodeSize) == 28);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER, UpdateHardwareInstance) == 32);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER, ImageCapsuleSupport) == 40);
static_assert(sizeof(EFI_FIRMWARE_MANAGEMENT_CAPSULE_IMAGE_HEADER) == 48);

#pragma pack(pop)

// ImageCapsuleSupport bits.
#define CAPSULE_SUPPORT_AUTHENTICATION 0x0000000000000001ull
#define CAPSULE_SUPPORT_DEPENDENCY 0x0000000000000002ull
