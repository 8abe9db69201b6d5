// The fwsim subcommands. Each registers itself on the application and sets
// the exit code when it runs.
#pragma once
#include <CLI/CLI.hpp>

namespace fwsim {

// demo: one boot of a machine with both project drivers.
void AddDemoCommand(CLI::App& App, int& ExitCode);

}  // namespace fwsim
