// The boot processor: interrupt flag, time-stamp counter, identity, pause
// and the dead loop.
#include "sim/Cpu.h"

#include <cstring>

#include "sim/Boot.h"

namespace sim {
namespace {

constexpr UINT64 kFlagsReservedOne = 0x2;  // bit 1 of RFLAGS always reads 1

struct CpuIdLeaf {
  UINT32 Leaf;
  UINT32 Registers[4];  // EAX, EBX, ECX, EDX
};

// A fixed, plausible x86-64 processor: 2 GHz, 64-byte lines, long mode.
constexpr UINT32 kMaxBasicLeaf = 0x16;
constexpr UINT32 kMaxExtendedLeaf = 0x80000008;
constexpr char kVendor[] = "FwSimVirtCPU";
constexpr char kBrand[48] = "Virtual x86-64 Processor @ 2.00GHz";
constexpr CpuIdLeaf kLeaves[] = {
    // Family 6, extended model 8, model 0xC, stepping 1.
    // EBX: 64-byte CLFLUSH line, one logical processor, APIC ID 0.
    // ECX: SSE3, PCLMULQDQ, SSSE3, CX16, SSE4.1, SSE4.2, MOVBE, POPCNT, AES, XSAVE, AVX, RDRAND.
    // EDX: FPU through SSE2 (FPU VME DE PSE TSC MSR PAE MCE CX8 APIC SEP MTRR PGE MCA CMOV PAT PSE36
    //      CLFSH MMX FXSR SSE SSE2).
    {0x1, {0x000806C1, 0x00010800, 0x56D82203, 0x078BFBFF}},
    // TSC to crystal ratio 200/1 over a 10 MHz crystal: the 2 GHz counter.
    {0x15, {1, 200, 10'000'000, 0}},
    // Base, maximum and bus frequency in MHz.
    {0x16, {2000, 2000, 100, 0}},
    // ECX: LAHF in long mode, LZCNT, PREFETCHW. EDX: SYSCALL, NX, 1 GB pages, RDTSCP, long mode.
    {0x80000001, {0, 0, 0x00000121, 0x2C100800}},
    // 39 physical and 48 linear address bits.
    {0x80000008, {0x00003027, 0, 0, 0}},
};

}  // namespace

void Cpu::EnableInterrupts() {
  if (InterruptsEnabled_) return;
  InterruptsEnabled_ = true;
  Boot_.Clock().RunDue();
}

UINT64 Cpu::Flags() const { return kFlagsReservedOne | (InterruptsEnabled_ ? CPU_FLAGS_INTERRUPT_ENABLE : 0); }

UINT64 Cpu::ReadTsc() {
  // Reading the counter takes time too, so a loop on it always ends.
  Boot_.Clock().Advance(1);
  return Boot_.Clock().Now() * kTscPerTick;
}

void Cpu::Pause() { Boot_.Clock().Advance(kPauseTicks); }

void Cpu::CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32 Out[4]) {
  (void)SubLeaf;
  std::memset(Out, 0, 4 * sizeof(UINT32));
  if (Leaf == 0) {
    Out[0] = kMaxBasicLeaf;
    std::memcpy(&Out[1], kVendor, 4);      // EBX
    std::memcpy(&Out[3], kVendor + 4, 4);  // EDX
    std::memcpy(&Out[2], kVendor + 8, 4);  // ECX
    return;
  }
  if (Leaf == 0x80000000) {
    Out[0] = kMaxExtendedLeaf;
    return;
  }
  if (Leaf >= 0x80000002 && Leaf <= 0x80000004) {
    std::memcpy(Out, kBrand + (Leaf - 0x80000002) * 16, 16);
    return;
  }
  for (const auto& Entry : kLeaves) {
    if (Entry.Leaf == Leaf) {
      std::memcpy(Out, Entry.Registers, sizeof(Entry.Registers));
      return;
    }
  }
}

void Cpu::DeadLoop() {
  Boot_.Trace().Record("halt", {{"tpl", Boot_.Events().CurrentTpl()}, {"interrupts", InterruptsEnabled_}});
  if (!InterruptsEnabled_) Boot_.Stop(Outcome::Kind::Halted, "dead loop with interrupts disabled");
  // The processor spins, but timer interrupts still come: a pending timer
  // may still reset or power off the machine.
  Boot_.Clock().Advance(kDeadLoopHorizon);
  Boot_.Stop(Outcome::Kind::Halted, "dead loop with interrupts enabled");
}

}  // namespace sim
