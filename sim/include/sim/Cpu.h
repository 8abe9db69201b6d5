// The boot processor as drivers see it through the processor facade: the
// interrupt flag, the time-stamp counter, CPUID, pause and the dead loop.
#pragma once
#include "support/HostPlatform.h"

namespace sim {

class Boot;

class Cpu {
 public:
  static constexpr UINT64 kTscPerTick = 200;   // 2 GHz against the 10 MHz clock
  static constexpr UINT64 kPauseTicks = 1;     // a pause costs 100 ns
  static constexpr UINT64 kDeadLoopHorizon = 300ull * 10'000'000;  // 5 min for pending timers

  explicit Cpu(Boot& Owner) : Boot_(Owner) {}

  bool InterruptsEnabled() const { return InterruptsEnabled_; }
  void DisableInterrupts() { InterruptsEnabled_ = false; }
  // Timer interrupts held back while the flag was clear are taken now.
  void EnableInterrupts();
  UINT64 Flags() const;
  UINT64 ReadTsc();
  void Pause();
  static void CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32 Out[4]);
  // With interrupts enabled, timers still fire (up to a horizon); then, or
  // at once with interrupts disabled, the boot ends as halted.
  [[noreturn]] void DeadLoop();

 private:
  Boot& Boot_;
  bool InterruptsEnabled_ = true;
};

// The table handed to every host-built driver image (and to tests that link
// the host processor backend themselves).
const HOST_PLATFORM* HostPlatformTable();

}  // namespace sim
