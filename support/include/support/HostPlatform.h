// The contract between a driver built for the host and the virtual platform
// that loads it. The platform calls HostBindPlatform once per loaded image,
// before the entry point, with its table of processor and port operations.
// Shared by separately built code, so the layout is pinned.
#pragma once
#include "uefi/Base.h"
#include "support/Cpu.h"

#define HOST_PLATFORM_REVISION 1u

struct HOST_PLATFORM {
  UINT32 Revision;
  UINT32 Reserved;
  UINT64(EFIAPI* ReadFlags)();
  VOID(EFIAPI* DisableInterrupts)();
  VOID(EFIAPI* EnableInterrupts)();
  VOID(EFIAPI* Pause)();
  UINT64(EFIAPI* ReadTsc)();
  VOID(EFIAPI* CpuId)(UINT32 Leaf, UINT32 SubLeaf, UINT32 Out[4]);
  VOID(EFIAPI* WriteBackInvalidate)();
  // Never returns: the platform ends the boot as halted.
  VOID(EFIAPI* DeadLoop)();
  UINT32(EFIAPI* IoRead)(UINT16 Port, UINT8 Width);
  VOID(EFIAPI* IoWrite)(UINT16 Port, UINT8 Width, UINT32 Value);
  VOID(EFIAPI* SoftwareSmi)(SMI_REGISTERS* Regs);
};
static_assert(__builtin_offsetof(HOST_PLATFORM, ReadFlags) == 8);
static_assert(__builtin_offsetof(HOST_PLATFORM, SoftwareSmi) == 88);
static_assert(sizeof(HOST_PLATFORM) == 96);

#define HOST_BIND_SYMBOL "HostBindPlatform"
#define DRIVER_ENTRY_SYMBOL "EfiDriverEntry"
typedef EFI_STATUS(EFIAPI* HOST_BIND_PLATFORM)(const HOST_PLATFORM* Platform);
