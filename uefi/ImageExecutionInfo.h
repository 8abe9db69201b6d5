// The image execution information table: what the image verification decided
// for each image it was asked to load, published in the configuration table.
#pragma once
#include "uefi/Base.h"

// Configuration-table GUID of the table.
constexpr EFI_GUID EFI_IMAGE_SECURITY_DATABASE_GUID =
    EFI_GUID_LITERAL(0xD719B2CB, 0x3D3A, 0x4596, 0xA3, 0xBC, 0xDA, 0xD0, 0x0E, 0x67, 0x65, 0x6F);

typedef UINT32 EFI_IMAGE_EXECUTION_ACTION;

// The low three bits of an action: the verification's verdict.
#define EFI_IMAGE_EXECUTION_AUTHENTICATION 0x00000007u
#define EFI_IMAGE_EXECUTION_AUTH_UNTESTED 0x00000000u
#define EFI_IMAGE_EXECUTION_AUTH_SIG_FAILED 0x00000001u
#define EFI_IMAGE_EXECUTION_AUTH_SIG_PASSED 0x00000002u
#define EFI_IMAGE_EXECUTION_AUTH_SIG_NOT_FOUND 0x00000003u
#define EFI_IMAGE_EXECUTION_AUTH_SIG_FOUND 0x00000004u
#define EFI_IMAGE_EXECUTION_POLICY_FAILED 0x00000005u
// Set once the image was started.
#define EFI_IMAGE_EXECUTION_INITIALIZED 0x00000008u

// One record; a null-terminated name, the image's device path and a signature
// list follow, InfoSize bytes in all (the step to the next record).
struct EFI_IMAGE_EXECUTION_INFO {
  EFI_IMAGE_EXECUTION_ACTION Action;
  UINT32 InfoSize;
};
static_assert(sizeof(EFI_IMAGE_EXECUTION_INFO) == 8);

// NumberOfImages records follow the table header.
struct EFI_IMAGE_EXECUTION_INFO_TABLE {
  UINTN NumberOfImages;
};
static_assert(sizeof(EFI_IMAGE_EXECUTION_INFO_TABLE) == 8);
