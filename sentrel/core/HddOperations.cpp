// Drive-bound hashes, the service's password functions and the two probes.
#include "sentrel/core/HddOperations.h"

#include "sentrel/core/HddDeviceTable.h"
#include "sentrel/core/ModuleState.h"
#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/ProductConstants.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"

namespace {

// The message of a drive-bound hash: digest bytes 0-11, model number,
// serial number.
constexpr UINTN kDigestBytesUsed = 12;
constexpr UINTN kIdentifyModelOffset = 54;
constexpr UINTN kModelSize = 40;
constexpr UINTN kIdentifySerialOffset = 20;
constexpr UINTN kSerialSize = 20;
constexpr UINTN kMessageModelOffset = kDigestBytesUsed;
constexpr UINTN kMessageSerialOffset = kMessageModelOffset + kModelSize;
constexpr UINTN kMessageSize = kMessageSerialOffset + kSerialSize;
static_assert(kMessageSize == 72);
static_assert(DEFAULT_MASTER_PASSWORD_SIZE == HDD_PASSWORD_LENGTH);

// Finds the drive's current service entry and calls one of the service's
// password functions on it. Record is the caller's copy; it carried the
// slot's hashes, so it is wiped before returning.
EFI_STATUS CallPasswordFunction(HDD_SERVICE_PASSWORD_FUNCTION HDD_PASSWORD_SERVICE::*Function,
                                HDD_DEVICE_RECORD* Record, UINT8 Mode, const VOID* Password, UINTN Length) {
  HDD_SERVICE_ENTRY* Entry = NULL;
  EFI_STATUS Status = EFI_UNSUPPORTED;
  if (!EFI_ERROR(FindServiceEntry(Record, &Entry))) {
    HDD_PASSWORD_SERVICE* Service = gSentrel.HddService;
    Status = (Service->*Function)(Service, Entry, Mode, (VOID*)Password, Length);
  }
  SecureZero(Record, sizeof(*Record));
  return Status;
}

}  // namespace

EFI_STATUS DriveBoundHash(const UINT8* Digest, const HDD_DEVICE_RECORD* Record, UINT8* Hash) {
  if (Digest == NULL || Hash == NULL || Record == NULL || Record->IdentifyData == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  PoolBuffer Message(kMessageSize, PoolWipeOnFree);
  PoolBuffer Work(SHA256_SIZE, PoolWipeOnFree);
  if (Message.IsNull() || Work.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  // Identify bytes as they lie in the buffer: no swapping, no trimming.
  UINT8* Bytes = Message.As<UINT8>();
  MemCopy(Bytes, Digest, kDigestBytesUsed);
  MemCopy(Bytes + kMessageModelOffset, Record->IdentifyData + kIdentifyModelOffset, kModelSize);
  MemCopy(Bytes + kMessageSerialOffset, Record->IdentifyData + kIdentifySerialOffset, kSerialSize);
  EFI_STATUS Status = Sha256(Bytes, kMessageSize, Work.As<UINT8>());
  if (!EFI_ERROR(Status)) {
    MemCopy(Hash, Work.Get(), DRIVE_HASH_SIZE);
  }
  return Status;
}

EFI_STATUS SetPassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length) {
  return CallPasswordFunction(&HDD_PASSWORD_SERVICE::SetPassword, &Record, Mode, Password, Length);
}

EFI_STATUS UnlockPassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length) {
  return CallPasswordFunction(&HDD_PASSWORD_SERVICE::UnlockPassword, &Record, Mode, Password, Length);
}

EFI_STATUS DisablePassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length) {
  return CallPasswordFunction(&HDD_PASSWORD_SERVICE::DisablePassword, &Record, Mode, Password, Length);
}

BOOLEAN ProbeUserPassword(UINT8 Slot) {
  const HDD_DEVICE_RECORD* Record = PresentHddRecord(Slot);
  return (BOOLEAN)(Record != NULL && (HddSecurityStatus(Record) & ATA_SECURITY_ENABLED) != 0);
}

BOOLEAN ProbeDefaultMaster(UINT8 Slot) {
  HDD_DEVICE_RECORD* Record = PresentHddRecord(Slot);
  if (Record == NULL) {
    return FALSE;
  }
  if ((HddSecurityStatus(Record) & ATA_SECURITY_ENABLED) == 0) {
    gSentrel.MasterPasswordChanged[Slot] = 0;
    return FALSE;
  }
  if (gSentrel.DefaultMasterProbePending[Slot]) {
    gSentrel.DefaultMasterProbePending[Slot] = 0;
    UINT8 Default[DEFAULT_MASTER_PASSWORD_SIZE];
    BuildDefaultMasterPassword(Default);
    if (EFI_ERROR(UnlockPassword(*Record, HDD_PASSWORD_MODE_MASTER, Default, sizeof(Default)))) {
      gSentrel.MasterPasswordChanged[Slot] = 1;
    } else {
      gSentrel.MasterPasswordChanged[Slot] = 0;
      // Kept where the user hash goes: the password that opens this drive.
      MemCopy(Record->UserPasswordHash, Default, sizeof(Default));
    }
    SecureZero(Default, sizeof(Default));
  }
  return (BOOLEAN)(gSentrel.MasterPasswordChanged[Slot] != 0);
}

EFI_STATUS SetDefaultMasterPassword(UINT8 Slot) {
  const HDD_DEVICE_RECORD* Record = PresentHddRecord(Slot);
  if (Record == NULL) {
    return EFI_UNSUPPORTED;
  }
  UINT8 Default[DEFAULT_MASTER_PASSWORD_SIZE];
  BuildDefaultMasterPassword(Default);
  EFI_STATUS Status = SetPassword(*Record, HDD_PASSWORD_MODE_MASTER, Default, sizeof(Default));
  SecureZero(Default, sizeof(Default));
  return Status;
}

VOID RearmDefaultMasterProbe(UINT8 Slot) {
  if (Slot >= HDD_SLOT_COUNT) {
    return;
  }
  gSentrel.DefaultMasterProbePending[Slot] = 1;
  gSentrel.MasterPasswordChanged[Slot] = 0;
}
