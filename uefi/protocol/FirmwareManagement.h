// The firmware management protocol through which the platform reads and
// updates a device's firmware images, with the image descriptor (version 3),
// its attribute bits and the last-attempt status codes.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"
#include "uefi/WinCertificate.h"

constexpr EFI_GUID EFI_FIRMWARE_MANAGEMENT_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x86C77A67, 0x0B97, 0x4633, 0xA1, 0x87, 0x49, 0x10, 0x4D, 0x06, 0x85, 0xC7);

// The descriptor layout below; later versions only append fields.
#define EFI_FIRMWARE_IMAGE_DESCRIPTOR_VERSION 3u

// AttributesSupported and AttributesSetting.
#define IMAGE_ATTRIBUTE_IMAGE_UPDATABLE 0x0000000000000001ull
#define IMAGE_ATTRIBUTE_RESET_REQUIRED 0x0000000000000002ull
#define IMAGE_ATTRIBUTE_AUTHENTICATION_REQUIRED 0x0000000000000004ull
#define IMAGE_ATTRIBUTE_IN_USE 0x0000000000000008ull
#define IMAGE_ATTRIBUTE_UEFI_IMAGE 0x0000000000000010ull
#define IMAGE_ATTRIBUTE_DEPENDENCY 0x0000000000000020ull

// Compatibilities.
#define IMAGE_COMPATIBILITY_CHECK_SUPPORTED 0x0000000000000001ull

// What CheckImage reports through ImageUpdatable.
#define IMAGE_UPDATABLE_VALID 0x00000001u
#define IMAGE_UPDATABLE_INVALID 0x00000002u
#define IMAGE_UPDATABLE_INVALID_TYPE 0x00000004u
#define IMAGE_UPDATABLE_INVALID_OLD 0x00000008u
#define IMAGE_UPDATABLE_VALID_WITH_VENDOR_CODE 0x00000010u

// Package attributes of GetPackageInfo.
#define PACKAGE_ATTRIBUTE_VERSION_UPDATABLE 0x0000000000000001ull
#define PACKAGE_ATTRIBUTE_RESET_REQUIRED 0x0000000000000002ull
#define PACKAGE_ATTRIBUTE_AUTHENTICATION_REQUIRED 0x0000000000000004ull

// Outcome of the last update attempt, as the descriptor and the system
// resource table report it.
#define LAST_ATTEMPT_STATUS_SUCCESS 0x00000000u
#define LAST_ATTEMPT_STATUS_ERROR_UNSUCCESSFUL 0x00000001u
#define LAST_ATTEMPT_STATUS_ERROR_INSUFFICIENT_RESOURCES 0x00000002u
#define LAST_ATTEMPT_STATUS_ERROR_INCORRECT_VERSION 0x00000003u
#define LAST_ATTEMPT_STATUS_ERROR_INVALID_FORMAT 0x00000004u
#define LAST_ATTEMPT_STATUS_ERROR_AUTH_ERROR 0x00000005u
#define LAST_ATTEMPT_STATUS_ERROR_PWR_EVT_AC 0x00000006u
#define LAST_ATTEMPT_STATUS_ERROR_PWR_EVT_BATT 0x00000007u
#define LAST_ATTEMPT_STATUS_ERROR_UNSATISFIED_DEPENDENCIES 0x00000008u

struct EFI_FIRMWARE_IMAGE_DESCRIPTOR {
  UINT8 ImageIndex;
  EFI_GUID ImageTypeId;
  UINT64 ImageId;
  CHAR16* ImageIdName;
  UINT32 Version;
  CHAR16* VersionName;
  UINTN Size;
  UINT64 AttributesSupported;
  UINT64 AttributesSetting;
  UINT64 Compatibilities;
  // Since descriptor version 2.
  UINT32 LowestSupportedImageVersion;
  // Since descriptor version 3.
  UINT32 LastAttemptVersion;
  UINT32 LastAttemptStatus;
  UINT64 HardwareInstance;
};
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, ImageTypeId) == 4);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, ImageId) == 24);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, ImageIdName) == 32);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, Version) == 40);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, VersionName) == 48);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, Size) == 56);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, AttributesSupported) == 64);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, AttributesSetting) == 72);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, Compatibilities) == 80);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, LowestSupportedImageVersion) == 88);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, LastAttemptVersion) == 92);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, LastAttemptStatus) == 96);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_DESCRIPTOR, HardwareInstance) == 104);
static_assert(sizeof(EFI_FIRMWARE_IMAGE_DESCRIPTOR) == 112);

// The authentication that precedes an image given to SetImage and CheckImage
// when IMAGE_ATTRIBUTE_AUTHENTICATION_REQUIRED is set; the image follows
// AuthInfo, which is AuthInfo.Hdr.dwLength bytes long.
struct EFI_FIRMWARE_IMAGE_AUTHENTICATION {
  UINT64 MonotonicCount;
  WIN_CERTIFICATE_UEFI_GUID AuthInfo;
};
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_AUTHENTICATION, AuthInfo) == 8);
static_assert(__builtin_offsetof(EFI_FIRMWARE_IMAGE_AUTHENTICATION, AuthInfo.CertData) == 32);

// Progress of SetImage, Completion in per cent.
typedef EFI_STATUS(EFIAPI* EFI_FIRMWARE_MANAGEMENT_UPDATE_IMAGE_PROGRESS)(UINTN Completion);

struct EFI_FIRMWARE_MANAGEMENT_PROTOCOL {
  EFI_STATUS(EFIAPI* GetImageInfo)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, UINTN* ImageInfoSize,
                                    EFI_FIRMWARE_IMAGE_DESCRIPTOR* ImageInfo, UINT32* DescriptorVersion,
                                    UINT8* DescriptorCount, UINTN* DescriptorSize, UINT32* PackageVersion,
                                    CHAR16** PackageVersionName);
  EFI_STATUS(EFIAPI* GetImage)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, UINT8 ImageIndex, VOID* Image,
                                UINTN* ImageSize);
  EFI_STATUS(EFIAPI* SetImage)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, UINT8 ImageIndex, CONST VOID* Image,
                                UINTN ImageSize, CONST VOID* VendorCode,
                                EFI_FIRMWARE_MANAGEMENT_UPDATE_IMAGE_PROGRESS Progress, CHAR16** AbortReason);
  EFI_STATUS(EFIAPI* CheckImage)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, UINT8 ImageIndex, CONST VOID* Image,
                                  UINTN ImageSize, UINT32* ImageUpdatable);
  EFI_STATUS(EFIAPI* GetPackageInfo)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, UINT32* PackageVersion,
                                      CHAR16** PackageVersionName, UINT32* PackageVersionNameMaxLen,
                                      UINT64* AttributesSupported, UINT64* AttributesSetting);
  EFI_STATUS(EFIAPI* SetPackageInfo)(EFI_FIRMWARE_MANAGEMENT_PROTOCOL* This, CONST VOID* Image, UINTN ImageSize,
                                      CONST VOID* VendorCode, UINT32 PackageVersion,
                                      CONST CHAR16* PackageVersionName);
};
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL, GetImage) == 8);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL, SetImage) == 16);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL, CheckImage) == 24);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL, GetPackageInfo) == 32);
static_assert(__builtin_offsetof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL, SetPackageInfo) == 40);
static_assert(sizeof(EFI_FIRMWARE_MANAGEMENT_PROTOCOL) == 48);
