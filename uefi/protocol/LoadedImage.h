// The loaded-image protocol the core installs on every image handle, and the
// loaded-image device path that goes with it.
#pragma once
#include "uefi/SystemTable.h"
#include "uefi/protocol/DevicePath.h"

constexpr EFI_GUID EFI_LOADED_IMAGE_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x5B1B31A1, 0x9562, 0x11D2, 0x8E, 0x3F, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B);
constexpr EFI_GUID EFI_LOADED_IMAGE_DEVICE_PATH_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xBC62157E, 0x3E33, 0x4FEC, 0x99, 0x20, 0x2D, 0x3B, 0x36, 0xD7, 0x50, 0xDF);

#define EFI_LOADED_IMAGE_PROTOCOL_REVISION 0x1000u

typedef EFI_STATUS(EFIAPI* EFI_IMAGE_UNLOAD)(EFI_HANDLE ImageHandle);

struct EFI_LOADED_IMAGE_PROTOCOL {
  UINT32 Revision;
  EFI_HANDLE ParentHandle;
  EFI_SYSTEM_TABLE* SystemTable;
  // Where the image was loaded from.
  EFI_HANDLE DeviceHandle;
  EFI_DEVICE_PATH_PROTOCOL* FilePath;
  VOID* Reserved;
  // The image's load options.
  UINT32 LoadOptionsSize;
  VOID* LoadOptions;
  // Where the image sits in memory.
  VOID* ImageBase;
  UINT64 ImageSize;
  EFI_MEMORY_TYPE ImageCodeType;
  EFI_MEMORY_TYPE ImageDataType;
  EFI_IMAGE_UNLOAD Unload;
};
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ParentHandle) == 8);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, SystemTable) == 16);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, DeviceHandle) == 24);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, FilePath) == 32);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptionsSize) == 48);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptions) == 56);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageBase) == 64);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageSize) == 72);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageCodeType) == 80);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageDataType) == 84);
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, Unload) == 88);
static_assert(sizeof(EFI_LOADED_IMAGE_PROTOCOL) == 96);
