// The EFI System Resource Table: one entry per updatable firmware resource,
// published in the configuration table.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_SYSTEM_RESOURCE_TABLE_GUID =
    EFI_GUID_LITERAL(0xB122A263, 0x3661, 0x4F68, 0x99, 0x29, 0x78, 0xF8, 0xB0, 0xD6, 0x21, 0x80);

#define EFI_SYSTEM_RESOURCE_TABLE_FIRMWARE_RESOURCE_VERSION 1ull

// FwType values.
#define ESRT_FW_TYPE_UNKNOWN 0x00000000u
#define ESRT_FW_TYPE_SYSTEMFIRMWARE 0x00000001u
#define ESRT_FW_TYPE_DEVICEFIRMWARE 0x00000002u
#define ESRT_FW_TYPE_UEFIDRIVER 0x00000003u

struct EFI_SYSTEM_RESOURCE_ENTRY {
  EFI_GUID FwClass;
  UINT32 FwType;
  UINT32 FwVersion;
  UINT32 LowestSupportedFwVersion;
  UINT32 CapsuleFlags;
  UINT32 LastAttemptVersion;
  UINT32 LastAttemptStatus;
};
static_assert(__builtin_offsetof(EFI_SYSTEM_RESOURCE_ENTRY, FwType) == 16);
static_assert(__builtin_offsetof(EFI_SYSTEM_RESOURCE_ENTRY, CapsuleFlags) == 28);
static_assert(__builtin_offsetof(EFI_SYSTEM_RESOURCE_ENTRY, LastAttemptStatus) == 36);
static_assert(sizeof(EFI_SYSTEM_RESOURCE_ENTRY) == 40);

// FwResourceCountMax entries of room follow the header; the first
// FwResourceCount of them are in use.
struct EFI_SYSTEM_RESOURCE_TABLE {
  UINT32 FwResourceCount;
  UINT32 FwResourceCountMax;
  UINT64 FwResourceVersion;
};
static_assert(sizeof(EFI_SYSTEM_RESOURCE_TABLE) == 16);
