// A machine with the password driver on it, and the checks every driver test
// ends with: no misuse of the platform recorded, and nothing of the driver's
// boot-services pool outstanding beyond what it keeps for the whole boot.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sentrel/core/ModuleState.h"
#include "sentrel/core/SentrelProtocol.h"
#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/PasswordPlatform.h"
#include "sim/Testing.h"

class SentrelTest : public ::testing::Test {
 protected:
  sim::Machine Machine;
  sim::PasswordPlatform Platform = sim::AddPasswordPlatform(Machine);

  // A boot run through driver dispatch, so the driver has started.
  std::unique_ptr<sim::Boot> StartBoot() {
    auto Boot = Machine.PrepareBoot();
    Boot->RunThrough(sim::Phase::DriverDispatch);
    return Boot;
  }

  static SENTREL_PASSWORD_PROTOCOL* Protocol(sim::Boot& Boot) {
    SENTREL_PASSWORD_PROTOCOL* Found = nullptr;
    Boot.Invoke([&] {
      VOID* Interface = nullptr;
      if (Boot.BootServices()->LocateProtocol((EFI_GUID*)&SENTREL_PASSWORD_PROTOCOL_GUID, nullptr, &Interface) ==
          EFI_SUCCESS) {
        Found = static_cast<SENTREL_PASSWORD_PROTOCOL*>(Interface);
      }
    });
    return Found;
  }

  static SENTREL_STATE& State(sim::Boot& Boot) { return *Boot.Image("Sentrel")->Global<SENTREL_STATE>("gSentrel"); }

  // The driver's own routine by its (mangled) symbol name.
  template <typename Function>
  static Function* Routine(sim::Boot& Boot, const char* MangledName) {
    auto* Address = Boot.Image("Sentrel")->Symbol(MangledName);
    EXPECT_NE(Address, nullptr) << MangledName;
    return reinterpret_cast<Function*>(Address);
  }

  // The sizes of the blocks the driver keeps for the whole boot: the slot
  // map and the protocol instance (boot-services pool); the device snapshot
  // is runtime pool until it is handed off.
  static std::vector<std::size_t> KeptBootServicesBlocks() {
    return {HDD_PORT_MAP_BYTES, sizeof(SENTREL_PASSWORD_PROTOCOL)};
  }

  static void ExpectNoViolations(sim::Boot& Boot) { sim::ExpectNoViolations(Boot); }

  // Everything outstanding of the driver must be one of Kept (boot-services
  // pool, by size, each used once) or the device snapshot until it is
  // handed off.
  static void ExpectOnlyKept(sim::Boot& Boot, const std::vector<std::size_t>& Kept = KeptBootServicesBlocks()) {
    std::vector<sim::Kept> Allowed{{EfiRuntimeServicesData, HDD_DEVICE_TABLE_SIZE}};
    for (std::size_t Size : Kept) Allowed.push_back({EfiBootServicesData, Size});
    sim::ExpectNoLeaks(Boot, "Sentrel", Allowed);
  }

  static void ExpectClean(sim::Boot& Boot) {
    ExpectNoViolations(Boot);
    ExpectOnlyKept(Boot);
  }

 private:
  static constexpr std::size_t HDD_PORT_MAP_BYTES = 18;
};

// UTF-16 text for the driver.
inline std::u16string Text(const char* Ascii) {
  std::u16string Out;
  for (const char* C = Ascii; *C != 0; C++) Out.push_back((char16_t)(unsigned char)*C);
  return Out;
}
