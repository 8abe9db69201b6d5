// The machine: what persists across boots, and the start of each boot.
#include "sim/Machine.h"

#include "sim/Boot.h"

namespace sim {

Machine::Machine(MachineConfig Config)
    : Config_(std::move(Config)), NonVolatile_(Config_.NonVolatileStoreSize, Config_.MaxVariableSize) {}

Machine::~Machine() = default;

void Machine::AddDriver(std::string Name, std::filesystem::path SharedObject) {
  Drivers_.push_back(DriverImage{std::move(Name), std::move(SharedObject), {}});
}

void Machine::AddDriver(std::string Name, ImageEntry Entry) {
  Drivers_.push_back(DriverImage{std::move(Name), {}, std::move(Entry)});
}

void Machine::AddProjectDrivers(const std::filesystem::path& Directory) {
  AddDriver("Sentrel", Directory / "Sentrel.so");
  AddDriver("Fwlift", Directory / "Fwlift.so");
}

std::filesystem::path Machine::DefaultDriverDirectory() { return FW_SIM_DRIVER_DIR; }

void Machine::AddComponent(std::shared_ptr<Component> Part) { Components_.push_back(std::move(Part)); }

std::unique_ptr<sim::Boot> Machine::PrepareBoot() {
  // Configuration changes take effect at power-on.
  NonVolatile_.SetLimits(Config_.NonVolatileStoreSize, Config_.MaxVariableSize);
  auto Started = std::make_unique<sim::Boot>(*this, ++BootCount_);
  Started->PowerOn();
  return Started;
}

std::unique_ptr<sim::Boot> Machine::Boot() {
  auto Started = PrepareBoot();
  Started->Run();
  return Started;
}

}  // namespace sim
