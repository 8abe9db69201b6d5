// The hand-off block list that the pre-memory phase leaves for the driver
// phase, found in the configuration table. Its first block is the phase
// hand-off information table, which carries the boot mode.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_HOB_LIST_GUID =
    EFI_GUID_LITERAL(0x7739F24C, 0x93D7, 0x11D4, 0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D);

typedef UINT32 EFI_BOOT_MODE;

#define BOOT_WITH_FULL_CONFIGURATION 0x00u
#define BOOT_WITH_MINIMAL_CONFIGURATION 0x01u
#define BOOT_ASSUMING_NO_CONFIGURATION_CHANGES 0x02u
#define BOOT_WITH_FULL_CONFIGURATION_PLUS_DIAGNOSTICS 0x03u
#define BOOT_WITH_DEFAULT_SETTINGS 0x04u
#define BOOT_ON_S4_RESUME 0x05u
#define BOOT_ON_S5_RESUME 0x06u
#define BOOT_WITH_MFG_MODE_SETTINGS 0x07u
#define BOOT_ON_S2_RESUME 0x10u
#define BOOT_ON_S3_RESUME 0x11u
#define BOOT_ON_FLASH_UPDATE 0x12u
#define BOOT_IN_RECOVERY_MODE 0x20u

// Block types.
#define EFI_HOB_TYPE_HANDOFF 0x0001
#define EFI_HOB_TYPE_MEMORY_ALLOCATION 0x0002
#define EFI_HOB_TYPE_RESOURCE_DESCRIPTOR 0x0003
#define EFI_HOB_TYPE_GUID_EXTENSION 0x0004
#define EFI_HOB_TYPE_FV 0x0005
#define EFI_HOB_TYPE_CPU 0x0006
#define EFI_HOB_TYPE_MEMORY_POOL 0x0007
#define EFI_HOB_TYPE_FV2 0x0009
#define EFI_HOB_TYPE_UEFI_CAPSULE 0x000B
#define EFI_HOB_TYPE_FV3 0x000C
#define EFI_HOB_TYPE_UNUSED 0xFFFE
#define EFI_HOB_TYPE_END_OF_HOB_LIST 0xFFFF

#define EFI_HOB_HANDOFF_TABLE_VERSION 0x0009u

// Every block starts with this header; HobLength steps to the next block.
struct EFI_HOB_GENERIC_HEADER {
  UINT16 HobType;
  UINT16 HobLength;
  UINT32 Reserved;
};
static_assert(sizeof(EFI_HOB_GENERIC_HEADER) == 8);

struct EFI_HOB_HANDOFF_INFO_TABLE {
  EFI_HOB_GENERIC_HEADER Header;
  UINT32 Version;
  EFI_BOOT_MODE BootMode;
  EFI_PHYSICAL_ADDRESS EfiMemoryTop;
  EFI_PHYSICAL_ADDRESS EfiMemoryBottom;
  EFI_PHYSICAL_ADDRESS EfiFreeMemoryTop;
  EFI_PHYSICAL_ADDRESS EfiFreeMemoryBottom;
  EFI_PHYSICAL_ADDRESS EfiEndOfHobList;
};
static_assert(__builtin_offsetof(EFI_HOB_HANDOFF_INFO_TABLE, Version) == 8);
static_assert(__builtin_offsetof(EFI_HOB_HANDOFF_INFO_TABLE, BootMode) == 12);
static_assert(__builtin_offsetof(EFI_HOB_HANDOFF_INFO_TABLE, EfiMemoryTop) == 16);
static_assert(__builtin_offsetof(EFI_HOB_HANDOFF_INFO_TABLE, EfiEndOfHobList) == 48);
static_assert(sizeof(EFI_HOB_HANDOFF_INFO_TABLE) == 56);

// A block of data named by a GUID; the data follows the name.
struct EFI_HOB_GUID_TYPE {
  EFI_HOB_GENERIC_HEADER Header;
  EFI_GUID Name;
};
static_assert(sizeof(EFI_HOB_GUID_TYPE) == 24);
