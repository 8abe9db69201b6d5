// fwsim: the command line of the virtual UEFI machine.
#include <exception>
#include <iostream>

#include "Commands.h"

int main(int argc, char** argv) {
  CLI::App App{"fwsim - boot the project's drivers on the virtual UEFI machine"};
  App.require_subcommand(1);
  int ExitCode = 0;
  fwsim::AddDemoCommand(App, ExitCode);
  try {
    App.parse(argc, argv);
  } catch (const CLI::ParseError& Error) {
    return App.exit(Error);
  } catch (const std::exception& Error) {
    std::cerr << "fwsim: " << Error.what() << '\n';
    return 2;
  }
  return ExitCode;
}
