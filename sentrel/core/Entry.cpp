// Entry of the password driver: publish the password protocol at once and
// defer all drive work until the HDD password service arrives.
#include "sentrel/bootcheck/BootCheck.h"
#include "sentrel/core/HddDeviceTable.h"
#include "sentrel/core/ModuleState.h"
#include "sentrel/core/PasswordProtocol.h"
#include "support/Boot.h"
#include "support/Library.h"
#include "support/Memory.h"
#include "support/Pool.h"
#include "support/Token.h"
#include "uefi/protocol/DxeSmmReadyToLock.h"

namespace {

constexpr EFI_GUID kFeatureTokenSpace =
    EFI_GUID_LITERAL(0x8A8E89F8, 0x1403, 0x41F5, 0x94, 0xAC, 0x7D, 0x11, 0x82, 0x1F, 0xDD, 0x20);
constexpr UINTN kFeatureToken = 0x60000405;

// The platform hook of the ready-to-lock notification takes no action here.
EFI_STATUS ReadyToLockHook() { return EFI_UNSUPPORTED; }

VOID EFIAPI ReadyToLockHandler(EFI_EVENT Event, VOID* Context) {
  (VOID) Event;
  (VOID) Context;
  (VOID) ReadyToLockHook();
}

}  // namespace

EFI_STATUS DriverInitialize(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable) {
  (VOID) ImageHandle;
  (VOID) SystemTable;
  if (!TokenGetBool(&kFeatureTokenSpace, kFeatureToken)) {
    return EFI_UNSUPPORTED;
  }

  if (gSentrel.HddPortMap == NULL) {
    gSentrel.HddPortMap = (UINT8*)PoolAllocZeroed(HDD_PORT_MAP_SIZE);
    if (gSentrel.HddPortMap == NULL) {
      return EFI_UNSUPPORTED;
    }
    MemCopy(gSentrel.HddPortMap, BuiltInHddPortMap, HDD_PORT_MAP_SIZE);
  }

  EFI_STATUS Status = gBS->LocateProtocol((EFI_GUID*)&EFI_HASH_PROTOCOL_GUID, NULL, (VOID**)&gSentrel.Hash);
  if (EFI_ERROR(Status)) {
    return Status;
  }

  // The instance need not be zeroed: positions 11 and 12 are never read.
  gSentrel.Protocol = (SENTREL_PASSWORD_PROTOCOL*)PoolAlloc(sizeof(SENTREL_PASSWORD_PROTOCOL));
  HDD_DEVICE_RECORD* Snapshot = (HDD_DEVICE_RECORD*)PoolAllocRuntimeZeroed(HDD_DEVICE_TABLE_SIZE);
  if (gSentrel.Protocol == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  FillPasswordProtocol(gSentrel.Protocol, Snapshot);

  EFI_HANDLE Handle = NULL;
  Status = gBS->InstallProtocolInterface(&Handle, (EFI_GUID*)&SENTREL_PASSWORD_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         gSentrel.Protocol);
  if (EFI_ERROR(Status)) {
    return Status;
  }

  MemZero(gSentrel.HddUnlockRecords, sizeof(gSentrel.HddUnlockRecords));
  gSentrel.PowerOnDigestValid = FALSE;
  MemZero(gSentrel.PowerOnDigest, sizeof(gSentrel.PowerOnDigest));

  // Each registration signals its event once, so a service that is already
  // installed is seen as soon as the level allows.
  VOID* Registration = NULL;
  (VOID) NotifyOnProtocol(&HDD_PASSWORD_READY_PROTOCOL_GUID, TPL_CALLBACK, ServiceArrivalHandler, NULL,
                          &Registration);
  (VOID) NotifyOnProtocol(&EFI_DXE_SMM_READY_TO_LOCK_PROTOCOL_GUID, TPL_NOTIFY, ReadyToLockHandler, NULL, &Registration);
  return Status;
}
