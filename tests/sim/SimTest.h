// Shared set-up of the machine's own tests: a machine, a boot powered on,
// and notify functions that log when, and at which TPL, they ran.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/Testing.h"

namespace simtest {

struct Fired {
  std::string Name;
  EFI_TPL Tpl;
  UINT64 Time;
};

// The context of a logging notify function.
struct Probe {
  std::string Name;
  std::vector<Fired>* Log;
  std::function<void()> Then;  // runs after logging
};

inline VOID EFIAPI ProbeNotify(EFI_EVENT Event, VOID* Context) {
  (void)Event;
  auto* Self = static_cast<Probe*>(Context);
  sim::Boot& Current = sim::Boot::Current();
  Self->Log->push_back(Fired{Self->Name, Current.Events().CurrentTpl(), Current.Clock().Now()});
  if (Self->Then) Self->Then();
}

inline std::vector<std::string> Names(const std::vector<Fired>& Log) {
  std::vector<std::string> Out;
  for (const auto& Entry : Log) Out.push_back(Entry.Name);
  return Out;
}

class SimTest : public ::testing::Test {
 protected:
  // Powers on a boot (nothing dispatched yet) for test code to call into.
  void PowerOn() {
    Boot = Machine.PrepareBoot();
    BS = Boot->BootServices();
    RT = Boot->RuntimeServices();
  }

  // Runs Work inside the boot; fails the test if the boot ended there.
  void Within(const std::function<void()>& Work) { ASSERT_TRUE(Boot->Invoke(Work)) << "the boot ended"; }

  // A probe that logs into Log.
  Probe& NewProbe(std::string Name, std::function<void()> Then = {}) {
    Probes.push_back(std::make_unique<Probe>(Probe{std::move(Name), &Log, std::move(Then)}));
    return *Probes.back();
  }

  EFI_EVENT NewEvent(UINT32 Type, EFI_TPL Tpl, Probe& Context) {
    EFI_EVENT Event = nullptr;
    EXPECT_EQ(BS->CreateEvent(Type, Tpl, ProbeNotify, &Context, &Event), EFI_SUCCESS);
    return Event;
  }

  sim::Machine Machine;
  std::unique_ptr<sim::Boot> Boot;
  EFI_BOOT_SERVICES* BS = nullptr;
  EFI_RUNTIME_SERVICES* RT = nullptr;
  std::vector<Fired> Log;
  std::vector<std::unique_ptr<Probe>> Probes;
};

constexpr UINT64 kSecond = 10'000'000;  // in the 100 ns units of timers and the clock

}  // namespace simtest
