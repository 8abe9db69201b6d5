// The password driver's published interface: SENTREL_PASSWORD_PROTOCOL and
// the drive records it hands out (also to the system-management side). Both
// are read by separately built code, so every offset is pinned.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID SENTREL_PASSWORD_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x49F19E2B, 0xD83F, 0x4B96, 0xA6, 0x43, 0xA6, 0x23, 0x97, 0xD9, 0x0E, 0x1A);

// Kind selectors.
#define SYSTEM_PASSWORD_SUPERVISOR ((UINT8)0)
#define SYSTEM_PASSWORD_POWER_ON ((UINT8)1)
#define DRIVE_PASSWORD_USER ((UINT8)0)
#define DRIVE_PASSWORD_MASTER ((UINT8)1)
#define DRIVE_PASSWORD_DEFAULT_MASTER ((UINT8)2)

#define MAX_PASSWORD_LENGTH 64u
#define HDD_SLOT_COUNT 3u
#define DRIVE_HASH_SIZE 32u
#define PASSWORD_DIGEST_SIZE 16u

// ATA IDENTIFY DEVICE word 128, the security status word.
#define IDENTIFY_SECURITY_STATUS_OFFSET 256u
#define ATA_SECURITY_ENABLED 0x0002u
#define ATA_SECURITY_LOCKED 0x0004u

#pragma pack(push, 1)
// One drive slot of the device table.
struct HDD_DEVICE_RECORD {
  UINT8* IdentifyData;  // 512 bytes of IDENTIFY DEVICE data
  UINT8 AuxByte1;
  UINT8 AuxByte2;
  UINT16 Port;
  UINT16 AuxWord1;
  UINT16 AuxWord2;
  UINT64 PciBus;
  UINT64 PciDevice;
  UINT64 PciFunction;
  UINT64 ListCount;  // only in the first record of a built list
  UINT8 Present;
  UINT8 IsNvme;
  UINT8 UserPasswordSet;
  UINT8 MasterPasswordSet;
  UINT8 UserPasswordHash[DRIVE_HASH_SIZE];
  UINT8 MasterPasswordHash[DRIVE_HASH_SIZE];
};

// How a drive was unlocked at this boot.
struct HDD_UNLOCK_RECORD {
  UINT8 Unlocked;
  UINT8 IsUser;
  UINT8 Digest[PASSWORD_DIGEST_SIZE];
};
#pragma pack(pop)
static_assert(sizeof(HDD_DEVICE_RECORD) == 116);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, AuxByte1) == 8);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, Port) == 10);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, AuxWord2) == 14);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, PciBus) == 16);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, PciFunction) == 32);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, ListCount) == 40);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, Present) == 48);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, MasterPasswordSet) == 51);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, UserPasswordHash) == 52);
static_assert(__builtin_offsetof(HDD_DEVICE_RECORD, MasterPasswordHash) == 84);
static_assert(sizeof(HDD_UNLOCK_RECORD) == 18);

#define HDD_DEVICE_TABLE_SIZE (HDD_SLOT_COUNT * sizeof(HDD_DEVICE_RECORD))
static_assert(HDD_DEVICE_TABLE_SIZE == 348);

struct SENTREL_PASSWORD_PROTOCOL;

typedef EFI_STATUS(EFIAPI* SENTREL_SET_SYSTEM_PASSWORD)(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password,
                                                        UINT8 Kind);
typedef EFI_STATUS(EFIAPI* SENTREL_SET_DRIVE_PASSWORD)(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password,
                                                       UINT8 Kind, UINT8 DriveIndex);
typedef BOOLEAN(EFIAPI* SENTREL_VERIFY_SYSTEM_PASSWORD)(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password,
                                                        UINT8 Kind);
typedef BOOLEAN(EFIAPI* SENTREL_VERIFY_DRIVE_PASSWORD)(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password,
                                                       UINT8 Kind, UINT8 DriveIndex);
typedef BOOLEAN(EFIAPI* SENTREL_IS_SYSTEM_PASSWORD_SET)(SENTREL_PASSWORD_PROTOCOL* This, UINT8 Kind);
typedef BOOLEAN(EFIAPI* SENTREL_IS_DRIVE_PASSWORD_SET)(SENTREL_PASSWORD_PROTOCOL* This, UINT8 Kind,
                                                       UINT8 DriveIndex);
typedef EFI_STATUS(EFIAPI* SENTREL_RUN_BOOT_CHECK)(UINT16 Mode);
typedef VOID(EFIAPI* SENTREL_HALT_SYSTEM)(SENTREL_PASSWORD_PROTOCOL* This);
typedef EFI_STATUS(EFIAPI* SENTREL_GET_DEVICE_TABLE)(HDD_DEVICE_RECORD** Table);
typedef BOOLEAN(EFIAPI* SENTREL_GET_STATE_FLAG)();
typedef BOOLEAN(EFIAPI* SENTREL_FILTER_PASSWORD_KEY)(VOID* KeyContext);

struct SENTREL_PASSWORD_PROTOCOL {
  SENTREL_SET_SYSTEM_PASSWORD SetSystemPassword;
  SENTREL_SET_DRIVE_PASSWORD SetDrivePassword;
  SENTREL_VERIFY_SYSTEM_PASSWORD VerifySystemPassword;
  SENTREL_VERIFY_DRIVE_PASSWORD VerifyDrivePassword;
  SENTREL_IS_SYSTEM_PASSWORD_SET IsSystemPasswordSet;
  SENTREL_IS_DRIVE_PASSWORD_SET IsDrivePasswordSet;
  SENTREL_RUN_BOOT_CHECK RunBootCheck;
  SENTREL_HALT_SYSTEM HaltSystem;
  SENTREL_GET_DEVICE_TABLE GetDeviceTable;
  SENTREL_GET_STATE_FLAG GetUserLevelAccess;
  SENTREL_GET_STATE_FLAG GetSupervisorPromptSkipped;
  VOID* Reserved11;  // never written: no operation is assigned
  VOID* Reserved12;
  SENTREL_FILTER_PASSWORD_KEY FilterPasswordKey;
  HDD_DEVICE_RECORD* DeviceSnapshot;  // 348 bytes of runtime pool, consumed once
};
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, SetDrivePassword) == 8);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, VerifySystemPassword) == 16);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, VerifyDrivePassword) == 24);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, IsSystemPasswordSet) == 32);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, IsDrivePasswordSet) == 40);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, RunBootCheck) == 48);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, HaltSystem) == 56);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, GetDeviceTable) == 64);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, GetUserLevelAccess) == 72);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, GetSupervisorPromptSkipped) == 80);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, Reserved11) == 88);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, Reserved12) == 96);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, FilterPasswordKey) == 104);
static_assert(__builtin_offsetof(SENTREL_PASSWORD_PROTOCOL, DeviceSnapshot) == 112);
static_assert(sizeof(SENTREL_PASSWORD_PROTOCOL) == 120);
