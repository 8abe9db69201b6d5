// The virtual machine: what persists across boots. Its non-volatile
// variables, its real-time clock, the driver images it dispatches and its
// platform components. Each Boot() is one power-on to the end of boot
// services (or a halt or reset).
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/Component.h"
#include "sim/Console.h"
#include "sim/Images.h"
#include "sim/Variables.h"

namespace sim {

class Boot;

struct MachineConfig {
  std::vector<TextMode> TextModes{{80, 25}, {80, 50}};  // mode 0 is 80 x 25
  std::size_t NonVolatileStoreSize = 64 * 1024;
  std::size_t VolatileStoreSize = 64 * 1024;
  std::size_t MaxVariableSize = 32 * 1024;
  std::size_t MemoryLimit = 256u << 20;  // pool and pages outstanding at once
  EFI_TIME StartTime{2025, 1, 6, 8, 0, 0, 0, 0, EFI_UNSPECIFIED_TIMEZONE, 0, 0};  // the clock at first power-on
  UINT32 BootMode = 0;                      // in the hand-off block list; 0 = full configuration
  UINT64 TimeLimit = 2ull * 3600 * 10'000'000;  // virtual time after which a boot counts as hung
};

class Machine {
 public:
  explicit Machine(MachineConfig Config = {});
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Changes take effect at the next power-on.
  MachineConfig& Config() { return Config_; }

  // Driver images, dispatched in the order added.
  void AddDriver(std::string Name, std::filesystem::path SharedObject);
  void AddDriver(std::string Name, ImageEntry Entry);
  // Both project drivers (Sentrel.so, Fwlift.so) from Directory.
  void AddProjectDrivers(const std::filesystem::path& Directory = DefaultDriverDirectory());
  const std::vector<DriverImage>& Drivers() const { return Drivers_; }
  // Where the build puts the host-built drivers.
  static std::filesystem::path DefaultDriverDirectory();

  void AddComponent(std::shared_ptr<Component> Part);
  const std::vector<std::shared_ptr<Component>>& Components() const { return Components_; }
  template <typename T>
  std::shared_ptr<T> FindComponent() const {
    for (const auto& Part : Components_) {
      if (auto Typed = std::dynamic_pointer_cast<T>(Part)) return Typed;
    }
    return nullptr;
  }

  VariableStore& NonVolatileVariables() { return NonVolatile_; }

  // A boot powered on but not yet run (set faults, schedule actions, then
  // Run it), or a boot run to its end.
  std::unique_ptr<sim::Boot> PrepareBoot();
  std::unique_ptr<sim::Boot> Boot();
  std::uint64_t BootCount() const { return BootCount_; }

  // The real-time clock keeps running across boots.
  UINT64 ElapsedBeforeBoot() const { return Elapsed_; }
  void AddElapsed(UINT64 Ticks) { Elapsed_ += Ticks; }
  // The high half of the monotonic counter, which every boot advances.
  UINT32 NextMonotonicHigh() { return ++MonotonicHigh_; }

 private:
  MachineConfig Config_;
  std::vector<DriverImage> Drivers_;
  std::vector<std::shared_ptr<Component>> Components_;
  VariableStore NonVolatile_;
  std::uint64_t BootCount_ = 0;
  UINT64 Elapsed_ = 0;
  UINT32 MonotonicHigh_ = 0;
};

}  // namespace sim
