// The password driver's module-wide state: one instance, shared by the
// stores, the drive operations, the boot-time check and the prompts. Its
// initial values are part of the driver image.
#pragma once
#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/SentrelProtocol.h"
#include "uefi/platform/HddPasswordService.h"
#include "uefi/protocol/Hash.h"

struct ENTRY_FLAG_PROTOCOL;

struct SENTREL_STATE {
  BOOLEAN FirstCheckPending;
  BOOLEAN SupervisorPromptPending;
  BOOLEAN SupervisorPasswordSet;
  BOOLEAN PowerOnPasswordSet;
  BOOLEAN UserLevelAccess;
  BOOLEAN SupervisorPromptSkipped;
  UINT8 HddUserPasswordSet[HDD_SLOT_COUNT];
  UINT8 HddMasterPasswordSet[HDD_SLOT_COUNT];
  UINT8 DefaultMasterProbePending[HDD_SLOT_COUNT];
  UINT8 MasterPasswordChanged[HDD_SLOT_COUNT];
  UINT8 PowerOnPasswordText[PASSWORD_TEXT_BYTES];  // accepted at this boot
  BOOLEAN PromptFeedbackEnabled;
  BOOLEAN PowerOnDigestValid;
  UINT8 PowerOnDigest[PASSWORD_DIGEST_SIZE];
  HDD_UNLOCK_RECORD HddUnlockRecords[HDD_SLOT_COUNT];
  HDD_DEVICE_RECORD* HddDeviceTable;
  UINT8* HddPortMap;
  HDD_PASSWORD_SERVICE* HddService;
  EFI_HASH_PROTOCOL* Hash;
  ENTRY_FLAG_PROTOCOL* EntryFlag;
  SENTREL_PASSWORD_PROTOCOL* Protocol;
};

extern SENTREL_STATE gSentrel;
