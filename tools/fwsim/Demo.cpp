// fwsim demo: boots a machine with both driver images and shows the trace.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "Report.h"
#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/PasswordPlatform.h"
#include "sim/devices/Display.h"
#include "sim/devices/DriveSnapshotSmi.h"
#include "sim/devices/HddPasswordService.h"
#include "sim/devices/Keyboard.h"
#include "sim/devices/PromptFeedback.h"
#include "sim/devices/SetupPresence.h"

namespace fwsim {
namespace {

struct DemoOptions {
  std::string Drivers = sim::Machine::DefaultDriverDirectory().string();
  std::string JsonPath;
};

// A laptop: CMOS, hash service, token database, display and keyboard, an
// NVMe drive and a SATA drive on port 1 whose password service is discovered
// after the drivers have started, and the system-management side that takes
// the drive records at the end of the password check.
void BuildLaptop(sim::Machine& Machine, const std::filesystem::path& Drivers) {
  sim::AddPasswordPlatform(Machine, Drivers / "Sentrel.so");
  Machine.AddDriver("Fwlift", Drivers / "Fwlift.so");
  Machine.AddComponent(std::make_shared<sim::Display>());
  Machine.AddComponent(std::make_shared<sim::Keyboard>());
  Machine.AddComponent(std::make_shared<sim::PromptFeedbackService>());
  Machine.AddComponent(std::make_shared<sim::SetupPresence>());
  auto Drives = std::make_shared<sim::HddPasswordService>();
  Drives->AddNvmeDrive("Demo NVMe 512GB", "NV0000000042");
  Drives->AddSataDrive("Demo SATA SSD 1TB", "SA0000000007", 1);
  Drives->DiscoverAt(sim::When::AfterDispatch());
  Machine.AddComponent(Drives);
  Machine.AddComponent(std::make_shared<sim::DriveSnapshotSmi>());
}

int RunDemo(const DemoOptions& Options) {
  sim::Machine Machine;
  BuildLaptop(Machine, Options.Drivers);
  auto Boot = Machine.Boot();
  return ReportBoot(*Boot, std::cout, Options.JsonPath);
}

}  // namespace

void AddDemoCommand(CLI::App& App, int& ExitCode) {
  auto Options = std::make_shared<DemoOptions>();
  CLI::App* Demo = App.add_subcommand("demo", "Boot the virtual machine with both driver images and print the trace");
  Demo->add_option("--drivers", Options->Drivers, "Directory holding Sentrel.so and Fwlift.so")
      ->capture_default_str();
  Demo->add_option("--json", Options->JsonPath, "Also write the trace as JSON lines to this file");
  Demo->callback([Options, &ExitCode] { ExitCode = RunDemo(*Options); });
}

}  // namespace fwsim
