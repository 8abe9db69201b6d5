// fwsim demo: boots a machine with both driver images and shows the trace.
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "Report.h"
#include "sim/Boot.h"
#include "sim/Machine.h"

namespace fwsim {
namespace {

struct DemoOptions {
  std::string Drivers = sim::Machine::DefaultDriverDirectory().string();
  std::string JsonPath;
};

int RunDemo(const DemoOptions& Options) {
  sim::Machine Machine;
  Machine.AddProjectDrivers(Options.Drivers);
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
