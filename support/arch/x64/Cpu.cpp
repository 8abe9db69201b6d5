// x64 backend of the processor facade: each primitive is the instruction
// itself, for the PE32+ images that run on the real processor. Port accesses
// clobber memory: a device (or an SMI handler) may read what was stored
// before the access, so no store may move past it.
#include "support/Cpu.h"

UINT64 CpuReadFlags() {
  UINT64 Flags;
  __asm__ __volatile__("pushfq\n\tpopq %0" : "=r"(Flags)::"memory");
  return Flags;
}

VOID CpuDisableInterrupts() { __asm__ __volatile__("cli" ::: "memory"); }
VOID CpuEnableInterrupts() { __asm__ __volatile__("sti" ::: "memory"); }
VOID CpuPause() { __asm__ __volatile__("pause" ::: "memory"); }

UINT64 CpuReadTsc() {
  UINT32 Low;
  UINT32 High;
  __asm__ __volatile__("rdtsc" : "=a"(Low), "=d"(High));
  return ((UINT64)High << 32) | Low;
}

VOID CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32* Eax, UINT32* Ebx, UINT32* Ecx, UINT32* Edx) {
  UINT32 A;
  UINT32 B;
  UINT32 C;
  UINT32 D;
  __asm__ __volatile__("cpuid" : "=a"(A), "=b"(B), "=c"(C), "=d"(D) : "a"(Leaf), "c"(SubLeaf));
  if (Eax != NULL) *Eax = A;
  if (Ebx != NULL) *Ebx = B;
  if (Ecx != NULL) *Ecx = C;
  if (Edx != NULL) *Edx = D;
}

VOID CpuWriteBackInvalidate() { __asm__ __volatile__("wbinvd" ::: "memory"); }

[[noreturn]] VOID CpuDeadLoop() {
  for (;;) {
    __asm__ __volatile__("" ::: "memory");
  }
}

UINT8 IoRead8(UINT16 Port) {
  UINT8 Value;
  __asm__ __volatile__("inb %w1, %b0" : "=a"(Value) : "Nd"(Port) : "memory");
  return Value;
}
UINT16 IoRead16(UINT16 Port) {
  UINT16 Value;
  __asm__ __volatile__("inw %w1, %w0" : "=a"(Value) : "Nd"(Port) : "memory");
  return Value;
}
UINT32 IoRead32(UINT16 Port) {
  UINT32 Value;
  __asm__ __volatile__("inl %w1, %0" : "=a"(Value) : "Nd"(Port) : "memory");
  return Value;
}
VOID IoWrite8(UINT16 Port, UINT8 Value) { __asm__ __volatile__("outb %b0, %w1" ::"a"(Value), "Nd"(Port) : "memory"); }
VOID IoWrite16(UINT16 Port, UINT16 Value) { __asm__ __volatile__("outw %w0, %w1" ::"a"(Value), "Nd"(Port) : "memory"); }
VOID IoWrite32(UINT16 Port, UINT32 Value) { __asm__ __volatile__("outl %0, %w1" ::"a"(Value), "Nd"(Port) : "memory"); }

VOID TriggerSoftwareSmi(SMI_REGISTERS* Regs) {
  UINT64 Rax = Regs->Rax;
  UINT64 Rbx = Regs->Rbx;
  UINT64 Rcx = Regs->Rcx;
  UINT64 Rdx = Regs->Rdx;
  UINT64 Rsi = Regs->Rsi;
  UINT64 Rdi = Regs->Rdi;
  __asm__ __volatile__("outb %%al, %[port]"
                       : "+a"(Rax), "+b"(Rbx), "+c"(Rcx), "+d"(Rdx), "+S"(Rsi), "+D"(Rdi)
                       : [port] "N"(SMI_COMMAND_PORT)
                       : "memory");
  Regs->Rax = Rax;
  Regs->Rbx = Rbx;
  Regs->Rcx = Rcx;
  Regs->Rdx = Rdx;
  Regs->Rsi = Rsi;
  Regs->Rdi = Rdi;
}
