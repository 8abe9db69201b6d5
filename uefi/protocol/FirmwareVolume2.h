// The PI firmware volume protocol: files and their sections in a firmware
// volume, with the file and section type codes.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x220E73B6, 0x6BDB, 0x4413, 0x84, 0x05, 0xB9, 0x74, 0xB1, 0x08, 0x61, 0x9A);

typedef UINT64 EFI_FV_ATTRIBUTES;
typedef UINT32 EFI_FV_FILE_ATTRIBUTES;
typedef UINT8 EFI_FV_FILETYPE;
typedef UINT8 EFI_SECTION_TYPE;
typedef UINT32 EFI_FV_WRITE_POLICY;

// File types.
#define EFI_FV_FILETYPE_ALL 0x00
#define EFI_FV_FILETYPE_RAW 0x01
#define EFI_FV_FILETYPE_FREEFORM 0x02
#define EFI_FV_FILETYPE_SECURITY_CORE 0x03
#define EFI_FV_FILETYPE_PEI_CORE 0x04
#define EFI_FV_FILETYPE_DXE_CORE 0x05
#define EFI_FV_FILETYPE_PEIM 0x06
#define EFI_FV_FILETYPE_DRIVER 0x07
#define EFI_FV_FILETYPE_COMBINED_PEIM_DRIVER 0x08
#define EFI_FV_FILETYPE_APPLICATION 0x09
#define EFI_FV_FILETYPE_MM 0x0A
#define EFI_FV_FILETYPE_FIRMWARE_VOLUME_IMAGE 0x0B
#define EFI_FV_FILETYPE_COMBINED_MM_DXE 0x0C
#define EFI_FV_FILETYPE_MM_CORE 0x0D
#define EFI_FV_FILETYPE_MM_STANDALONE 0x0E
#define EFI_FV_FILETYPE_MM_CORE_STANDALONE 0x0F
#define EFI_FV_FILETYPE_OEM_MIN 0xC0
#define EFI_FV_FILETYPE_OEM_MAX 0xDF
#define EFI_FV_FILETYPE_DEBUG_MIN 0xE0
#define EFI_FV_FILETYPE_DEBUG_MAX 0xEF
#define EFI_FV_FILETYPE_FFS_MIN 0xF0
#define EFI_FV_FILETYPE_FFS_MAX 0xFF
#define EFI_FV_FILETYPE_FFS_PAD 0xF0

// Section types. EFI_SECTION_ALL matches any section.
#define EFI_SECTION_ALL 0x00
#define EFI_SECTION_COMPRESSION 0x01
#define EFI_SECTION_GUID_DEFINED 0x02
#define EFI_SECTION_DISPOSABLE 0x03
#define EFI_SECTION_PE32 0x10
#define EFI_SECTION_PIC 0x11
#define EFI_SECTION_TE 0x12
#define EFI_SECTION_DXE_DEPEX 0x13
#define EFI_SECTION_VERSION 0x14
#define EFI_SECTION_USER_INTERFACE 0x15
#define EFI_SECTION_COMPATIBILITY16 0x16
#define EFI_SECTION_FIRMWARE_VOLUME_IMAGE 0x17
#define EFI_SECTION_FREEFORM_SUBTYPE_GUID 0x18
#define EFI_SECTION_RAW 0x19
#define EFI_SECTION_PEI_DEPEX 0x1B
#define EFI_SECTION_MM_DEPEX 0x1C

// Bits of the AuthenticationStatus a read returns.
#define EFI_AUTH_STATUS_PLATFORM_OVERRIDE 0x01u
#define EFI_AUTH_STATUS_IMAGE_SIGNED 0x02u
#define EFI_AUTH_STATUS_NOT_TESTED 0x04u
#define EFI_AUTH_STATUS_TEST_FAILED 0x08u

// Write policies.
#define EFI_FV_UNRELIABLE_WRITE 0x00000000u
#define EFI_FV_RELIABLE_WRITE 0x00000001u

struct EFI_FV_WRITE_FILE_DATA {
  EFI_GUID* NameGuid;
  EFI_FV_FILETYPE Type;
  EFI_FV_FILE_ATTRIBUTES FileAttributes;
  VOID* Buffer;
  UINT32 BufferSize;
};
static_assert(__builtin_offsetof(EFI_FV_WRITE_FILE_DATA, FileAttributes) == 12);
static_assert(__builtin_offsetof(EFI_FV_WRITE_FILE_DATA, BufferSize) == 24);
static_assert(sizeof(EFI_FV_WRITE_FILE_DATA) == 32);

struct EFI_FIRMWARE_VOLUME2_PROTOCOL {
  EFI_STATUS(EFIAPI* GetVolumeAttributes)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This,
                                           EFI_FV_ATTRIBUTES* FvAttributes);
  EFI_STATUS(EFIAPI* SetVolumeAttributes)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This,
                                           EFI_FV_ATTRIBUTES* FvAttributes);
  // A NULL *Buffer asks the volume to allocate it from pool; the caller frees it.
  EFI_STATUS(EFIAPI* ReadFile)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, CONST EFI_GUID* NameGuid, VOID** Buffer,
                                UINTN* BufferSize, EFI_FV_FILETYPE* FoundType,
                                EFI_FV_FILE_ATTRIBUTES* FileAttributes, UINT32* AuthenticationStatus);
  // As ReadFile, for the SectionInstance-th section (from 0) of SectionType.
  EFI_STATUS(EFIAPI* ReadSection)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, CONST EFI_GUID* NameGuid,
                                   EFI_SECTION_TYPE SectionType, UINTN SectionInstance, VOID** Buffer,
                                   UINTN* BufferSize, UINT32* AuthenticationStatus);
  EFI_STATUS(EFIAPI* WriteFile)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, UINT32 NumberOfFiles,
                                 EFI_FV_WRITE_POLICY WritePolicy, EFI_FV_WRITE_FILE_DATA* FileData);
  // Key is KeySize bytes of walk state, zero-filled to start a walk.
  EFI_STATUS(EFIAPI* GetNextFile)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, VOID* Key, EFI_FV_FILETYPE* FileType,
                                   EFI_GUID* NameGuid, EFI_FV_FILE_ATTRIBUTES* Attributes, UINTN* Size);
  UINT32 KeySize;
  EFI_HANDLE ParentHandle;
  EFI_STATUS(EFIAPI* GetInfo)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, CONST EFI_GUID* InformationType,
                               UINTN* BufferSize, VOID* Buffer);
  EFI_STATUS(EFIAPI* SetInfo)(CONST EFI_FIRMWARE_VOLUME2_PROTOCOL* This, CONST EFI_GUID* InformationType,
                               UINTN BufferSize, CONST VOID* Buffer);
};
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, SetVolumeAttributes) == 8);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, ReadFile) == 16);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, ReadSection) == 24);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, WriteFile) == 32);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, GetNextFile) == 40);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, KeySize) == 48);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, ParentHandle) == 56);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, GetInfo) == 64);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME2_PROTOCOL, SetInfo) == 72);
static_assert(sizeof(EFI_FIRMWARE_VOLUME2_PROTOCOL) == 80);
