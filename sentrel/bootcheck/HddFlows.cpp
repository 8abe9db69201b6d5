// Drive password flows: set, clear and unlock a drive from a typed text.
#include "sentrel/bootcheck/HddFlows.h"

#include "sentrel/core/HddDeviceTable.h"
#include "sentrel/core/HddOperations.h"
#include "sentrel/core/ModuleState.h"
#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/PasswordText.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"

namespace {

// The digest of a typed password and its drive-bound hash for one drive, in
// pool buffers wiped when the flow ends.
struct DRIVE_PASSWORD {
  PoolBuffer Digest{PASSWORD_DIGEST_SIZE, PoolWipeOnFree};
  PoolBuffer Hash{DRIVE_HASH_SIZE, PoolWipeOnFree};
};

EFI_STATUS HashForDrive(const CHAR16* Password, const HDD_DEVICE_RECORD* Record, DRIVE_PASSWORD& Work) {
  if (Work.Digest.IsNull() || Work.Hash.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = DigestOfPassword(Password, Work.Digest.As<UINT8>());
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return DriveBoundHash(Work.Digest.As<UINT8>(), Record, Work.Hash.As<UINT8>());
}

UINT8* HashFieldOf(HDD_DEVICE_RECORD* Record, UINT8 Mode) {
  return Mode == HDD_PASSWORD_MODE_MASTER ? Record->MasterPasswordHash : Record->UserPasswordHash;
}

// Clearing does not depend on the flow asked: the user hash of this boot is
// tried first, then the master hash.
EFI_STATUS ClearDrivePassword(HDD_DEVICE_RECORD* Record) {
  EFI_STATUS Status = EFI_SUCCESS;
  if (HddSecurityStatus(Record) & ATA_SECURITY_ENABLED) {
    Status = DisablePassword(*Record, HDD_PASSWORD_MODE_USER, Record->UserPasswordHash, DRIVE_HASH_SIZE);
    if (EFI_ERROR(Status)) {
      Status = DisablePassword(*Record, HDD_PASSWORD_MODE_MASTER, Record->MasterPasswordHash, DRIVE_HASH_SIZE);
    }
  }
  (VOID) RefreshIdentifyData(Record);
  return Status;
}

EFI_STATUS SetDrivePasswordFlow(const CHAR16* Password, UINT8 Slot, UINT8 Mode) {
  HDD_DEVICE_RECORD* Record = PresentHddRecord(Slot);
  if (Password == NULL || Record == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (HddSecurityStatus(Record) & ATA_SECURITY_LOCKED) {
    return EFI_DEVICE_ERROR;  // a locked drive must be unlocked first
  }
  if (IsPasswordEmpty(Password)) {
    return ClearDrivePassword(Record);
  }
  DRIVE_PASSWORD Work;
  EFI_STATUS Status = HashForDrive(Password, Record, Work);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Status = SetPassword(*Record, Mode, Work.Hash.Get(), DRIVE_HASH_SIZE);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Status = RefreshIdentifyData(Record);
  MemCopy(HashFieldOf(Record, Mode), Work.Hash.Get(), DRIVE_HASH_SIZE);
  // The master password may have changed: probe it again next time.
  RearmDefaultMasterProbe(Slot);
  return Status;
}

BOOLEAN VerifyDrivePasswordFlow(const CHAR16* Password, UINT8 Slot, UINT8 Mode) {
  // A text longer than a password block could only match by its beginning.
  if (Password == NULL || PasswordTooLong(Password)) {
    return FALSE;
  }
  HDD_DEVICE_RECORD* Record = PresentHddRecord(Slot);
  if (Record == NULL || (HddSecurityStatus(Record) & ATA_SECURITY_ENABLED) == 0) {
    return FALSE;
  }
  DRIVE_PASSWORD Work;
  if (EFI_ERROR(HashForDrive(Password, Record, Work))) {
    return FALSE;
  }
  if (EFI_ERROR(UnlockPassword(*Record, Mode, Work.Hash.Get(), DRIVE_HASH_SIZE))) {
    return FALSE;
  }
  (VOID) RefreshIdentifyData(Record);
  MemCopy(HashFieldOf(Record, Mode), Work.Hash.Get(), DRIVE_HASH_SIZE);
  HDD_UNLOCK_RECORD* Unlock = &gSentrel.HddUnlockRecords[Slot];
  Unlock->Unlocked = 1;
  Unlock->IsUser = (BOOLEAN)(Mode == HDD_PASSWORD_MODE_USER);
  MemCopy(Unlock->Digest, Work.Digest.Get(), PASSWORD_DIGEST_SIZE);
  return TRUE;
}

}  // namespace

EFI_STATUS SetHddMasterPassword(const CHAR16* Password, UINT8 Slot) {
  return SetDrivePasswordFlow(Password, Slot, HDD_PASSWORD_MODE_MASTER);
}

EFI_STATUS SetHddUserPassword(const CHAR16* Password, UINT8 Slot) {
  return SetDrivePasswordFlow(Password, Slot, HDD_PASSWORD_MODE_USER);
}

BOOLEAN VerifyHddMasterPassword(const CHAR16* Password, UINT8 Slot) {
  return VerifyDrivePasswordFlow(Password, Slot, HDD_PASSWORD_MODE_MASTER);
}

BOOLEAN VerifyHddUserPassword(const CHAR16* Password, UINT8 Slot) {
  return VerifyDrivePasswordFlow(Password, Slot, HDD_PASSWORD_MODE_USER);
}
