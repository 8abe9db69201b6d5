// SENTREL_PASSWORD_PROTOCOL operations. Every operation tests its arguments
// first, then compares Kind with 0, then 1 (then 2), and calls the routine
// behind it. Rejected arguments never change any state.
#include "sentrel/core/PasswordProtocol.h"

#include "sentrel/bootcheck/BootCheck.h"
#include "sentrel/bootcheck/HddFlows.h"
#include "sentrel/bootcheck/KeyFilter.h"
#include "sentrel/core/Halt.h"
#include "sentrel/core/HddDeviceTable.h"
#include "sentrel/core/HddOperations.h"
#include "sentrel/core/ModuleState.h"
#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/PowerOnStore.h"
#include "sentrel/core/SupervisorStore.h"

namespace {

BOOLEAN IsAcceptedText(const CHAR16* Password) { return (BOOLEAN)(Password != NULL && !PasswordTooLong(Password)); }

EFI_STATUS EFIAPI SetSystemPassword(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password, UINT8 Kind) {
  (VOID) This;
  if (!IsAcceptedText(Password)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Kind == SYSTEM_PASSWORD_SUPERVISOR) {
    return SetSupervisorPassword(Password);
  }
  if (Kind == SYSTEM_PASSWORD_POWER_ON) {
    return SetPowerOnPassword(Password);
  }
  return EFI_INVALID_PARAMETER;
}

EFI_STATUS EFIAPI SetDrivePassword(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password, UINT8 Kind,
                                   UINT8 DriveIndex) {
  (VOID) This;
  if (DriveIndex >= HDD_SLOT_COUNT) {
    return EFI_INVALID_PARAMETER;
  }
  if (Kind == DRIVE_PASSWORD_USER || Kind == DRIVE_PASSWORD_MASTER) {
    if (!IsAcceptedText(Password)) {
      return EFI_INVALID_PARAMETER;
    }
    return Kind == DRIVE_PASSWORD_USER ? SetHddUserPassword(Password, DriveIndex)
                                       : SetHddMasterPassword(Password, DriveIndex);
  }
  if (Kind == DRIVE_PASSWORD_DEFAULT_MASTER) {
    return SetDefaultMasterPassword(DriveIndex);
  }
  return EFI_INVALID_PARAMETER;
}

// Texts longer than a password block are refused outright: using only their
// first characters would let a longer text match a stored password.
BOOLEAN EFIAPI VerifySystemPassword(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password, UINT8 Kind) {
  (VOID) This;
  if (!IsAcceptedText(Password)) {
    return FALSE;
  }
  if (Kind == SYSTEM_PASSWORD_SUPERVISOR) {
    return VerifySupervisorPassword(Password);
  }
  if (Kind == SYSTEM_PASSWORD_POWER_ON) {
    return VerifyPowerOnPassword(Password);
  }
  return FALSE;
}

BOOLEAN EFIAPI VerifyDrivePassword(SENTREL_PASSWORD_PROTOCOL* This, CHAR16* Password, UINT8 Kind,
                                   UINT8 DriveIndex) {
  (VOID) This;
  if (Kind == DRIVE_PASSWORD_USER) {
    return VerifyHddUserPassword(Password, DriveIndex);
  }
  if (Kind == DRIVE_PASSWORD_MASTER) {
    return VerifyHddMasterPassword(Password, DriveIndex);
  }
  return FALSE;
}

BOOLEAN EFIAPI IsSystemPasswordSet(SENTREL_PASSWORD_PROTOCOL* This, UINT8 Kind) {
  (VOID) This;
  if (Kind == SYSTEM_PASSWORD_SUPERVISOR) {
    return IsSupervisorPasswordSet();
  }
  if (Kind == SYSTEM_PASSWORD_POWER_ON) {
    return IsPowerOnPasswordSet();
  }
  return FALSE;
}

BOOLEAN EFIAPI IsDrivePasswordSet(SENTREL_PASSWORD_PROTOCOL* This, UINT8 Kind, UINT8 DriveIndex) {
  (VOID) This;
  if (Kind == DRIVE_PASSWORD_USER) {
    return ProbeUserPassword(DriveIndex);
  }
  if (Kind == DRIVE_PASSWORD_MASTER) {
    return ProbeDefaultMaster(DriveIndex);
  }
  return FALSE;
}

BOOLEAN EFIAPI GetUserLevelAccess() { return gSentrel.UserLevelAccess; }

BOOLEAN EFIAPI GetSupervisorPromptSkipped() { return gSentrel.SupervisorPromptSkipped; }

}  // namespace

VOID FillPasswordProtocol(SENTREL_PASSWORD_PROTOCOL* Protocol, HDD_DEVICE_RECORD* Snapshot) {
  Protocol->SetSystemPassword = SetSystemPassword;
  Protocol->SetDrivePassword = SetDrivePassword;
  Protocol->VerifySystemPassword = VerifySystemPassword;
  Protocol->VerifyDrivePassword = VerifyDrivePassword;
  Protocol->IsSystemPasswordSet = IsSystemPasswordSet;
  Protocol->IsDrivePasswordSet = IsDrivePasswordSet;
  Protocol->RunBootCheck = RunBootCheck;
  Protocol->HaltSystem = HaltSystem;
  Protocol->GetDeviceTable = GetDeviceTable;
  Protocol->GetUserLevelAccess = GetUserLevelAccess;
  Protocol->GetSupervisorPromptSkipped = GetSupervisorPromptSkipped;
  Protocol->FilterPasswordKey = FilterPasswordKey;
  Protocol->DeviceSnapshot = Snapshot;
}
