// The disk information protocol of a drive handle: which kind of interface
// the drive sits on, and its inquiry, identify and sense data.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_DISK_INFO_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xD432A67F, 0x14DC, 0x484B, 0xB3, 0xBB, 0x3F, 0x02, 0x91, 0x84, 0x93, 0x27);

// Values of the protocol's Interface field.
constexpr EFI_GUID EFI_DISK_INFO_IDE_INTERFACE_GUID =
    EFI_GUID_LITERAL(0x5E948FE3, 0x26D3, 0x42B5, 0xAF, 0x17, 0x61, 0x02, 0x87, 0x18, 0x8D, 0xEC);
constexpr EFI_GUID EFI_DISK_INFO_SCSI_INTERFACE_GUID =
    EFI_GUID_LITERAL(0x08F74BAA, 0xEA36, 0x41D9, 0x95, 0x21, 0x21, 0xA7, 0x0F, 0x87, 0x80, 0xBC);
constexpr EFI_GUID EFI_DISK_INFO_USB_INTERFACE_GUID =
    EFI_GUID_LITERAL(0xCB871572, 0xC11A, 0x47B5, 0xB4, 0x92, 0x67, 0x5E, 0xAF, 0xA7, 0x77, 0x27);
constexpr EFI_GUID EFI_DISK_INFO_AHCI_INTERFACE_GUID =
    EFI_GUID_LITERAL(0x9E498932, 0x4ABC, 0x45AF, 0xA3, 0x4D, 0x02, 0x47, 0x78, 0x7B, 0xE7, 0xC6);
constexpr EFI_GUID EFI_DISK_INFO_NVME_INTERFACE_GUID =
    EFI_GUID_LITERAL(0x3AB14680, 0x5D3F, 0x4A4D, 0xBC, 0xDC, 0xCC, 0x38, 0x00, 0x18, 0xC7, 0xF7);

struct EFI_DISK_INFO_PROTOCOL {
  EFI_GUID Interface;
  EFI_STATUS(EFIAPI* Inquiry)(EFI_DISK_INFO_PROTOCOL* This, VOID* InquiryData, UINT32* InquiryDataSize);
  EFI_STATUS(EFIAPI* Identify)(EFI_DISK_INFO_PROTOCOL* This, VOID* IdentifyData, UINT32* IdentifyDataSize);
  EFI_STATUS(EFIAPI* SenseData)(EFI_DISK_INFO_PROTOCOL* This, VOID* SenseData, UINT32* SenseDataSize,
                                 UINT8* SenseDataNumber);
  EFI_STATUS(EFIAPI* WhichIde)(EFI_DISK_INFO_PROTOCOL* This, UINT32* IdeChannel, UINT32* IdeDevice);
};
static_assert(__builtin_offsetof(EFI_DISK_INFO_PROTOCOL, Inquiry) == 16);
static_assert(__builtin_offsetof(EFI_DISK_INFO_PROTOCOL, Identify) == 24);
static_assert(__builtin_offsetof(EFI_DISK_INFO_PROTOCOL, SenseData) == 32);
static_assert(__builtin_offsetof(EFI_DISK_INFO_PROTOCOL, WhichIde) == 40);
static_assert(sizeof(EFI_DISK_INFO_PROTOCOL) == 48);
