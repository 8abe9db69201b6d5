// Host backend of the processor facade: every primitive is a call into the
// virtual platform that loaded this image.
#include "support/Cpu.h"
#include "support/HostPlatform.h"
#include "uefi/Status.h"

namespace {
const HOST_PLATFORM* gPlatform;
}

extern "C" __attribute__((visibility("default"))) EFI_STATUS EFIAPI HostBindPlatform(const HOST_PLATFORM* Platform) {
  if (Platform == NULL || Platform->Revision != HOST_PLATFORM_REVISION) {
    return EFI_INCOMPATIBLE_VERSION;
  }
  gPlatform = Platform;
  return EFI_SUCCESS;
}

UINT64 CpuReadFlags() { return gPlatform->ReadFlags(); }
VOID CpuDisableInterrupts() { gPlatform->DisableInterrupts(); }
VOID CpuEnableInterrupts() { gPlatform->EnableInterrupts(); }
VOID CpuPause() { gPlatform->Pause(); }
UINT64 CpuReadTsc() { return gPlatform->ReadTsc(); }

VOID CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32* Eax, UINT32* Ebx, UINT32* Ecx, UINT32* Edx) {
  UINT32 Out[4] = {0, 0, 0, 0};
  gPlatform->CpuId(Leaf, SubLeaf, Out);
  if (Eax != NULL) *Eax = Out[0];
  if (Ebx != NULL) *Ebx = Out[1];
  if (Ecx != NULL) *Ecx = Out[2];
  if (Edx != NULL) *Edx = Out[3];
}

VOID CpuWriteBackInvalidate() { gPlatform->WriteBackInvalidate(); }

[[noreturn]] VOID CpuDeadLoop() {
  for (;;) {
    gPlatform->DeadLoop();
  }
}

UINT8 IoRead8(UINT16 Port) { return (UINT8)gPlatform->IoRead(Port, 1); }
UINT16 IoRead16(UINT16 Port) { return (UINT16)gPlatform->IoRead(Port, 2); }
UINT32 IoRead32(UINT16 Port) { return gPlatform->IoRead(Port, 4); }
VOID IoWrite8(UINT16 Port, UINT8 Value) { gPlatform->IoWrite(Port, 1, Value); }
VOID IoWrite16(UINT16 Port, UINT16 Value) { gPlatform->IoWrite(Port, 2, Value); }
VOID IoWrite32(UINT16 Port, UINT32 Value) { gPlatform->IoWrite(Port, 4, Value); }

VOID TriggerSoftwareSmi(SMI_REGISTERS* Regs) { gPlatform->SoftwareSmi(Regs); }
