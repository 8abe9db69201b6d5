// Processor and I/O-port primitives. One facade, two backends: the x64
// backend executes the instructions (PE32+ images); the host backend asks the
// virtual platform (drivers loaded into the simulator).
#pragma once
#include "uefi/Base.h"

#define CPU_FLAGS_INTERRUPT_ENABLE 0x200ull  // IF, bit 9 of RFLAGS

#define SMI_COMMAND_PORT ((UINT16)0xB2)

// General registers handed to, and read back from, a software SMI handler.
struct SMI_REGISTERS {
  UINT64 Rax;
  UINT64 Rbx;
  UINT64 Rcx;
  UINT64 Rdx;
  UINT64 Rsi;
  UINT64 Rdi;
};
static_assert(sizeof(SMI_REGISTERS) == 48);

UINT64 CpuReadFlags();
VOID CpuDisableInterrupts();
VOID CpuEnableInterrupts();
VOID CpuPause();
UINT64 CpuReadTsc();
// Each output pointer may be NULL.
VOID CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32* Eax, UINT32* Ebx, UINT32* Ecx, UINT32* Edx);
VOID CpuWriteBackInvalidate();
[[noreturn]] VOID CpuDeadLoop();

UINT8 IoRead8(UINT16 Port);
UINT16 IoRead16(UINT16 Port);
UINT32 IoRead32(UINT16 Port);
VOID IoWrite8(UINT16 Port, UINT8 Value);
VOID IoWrite16(UINT16 Port, UINT16 Value);
VOID IoWrite32(UINT16 Port, UINT32 Value);

// Loads RAX..RDI from Regs, writes AL to the SMI command port and stores the
// registers as the handler left them back into Regs.
VOID TriggerSoftwareSmi(SMI_REGISTERS* Regs);
