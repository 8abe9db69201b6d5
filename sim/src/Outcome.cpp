// Names of phases and outcomes, as the trace shows them.
#include "sim/Outcome.h"

namespace sim {

const char* PhaseName(Phase Value) {
  switch (Value) {
    case Phase::PowerOn:
      return "power-on";
    case Phase::DriverDispatch:
      return "driver-dispatch";
    case Phase::BootDeviceSelection:
      return "boot-device-selection";
    case Phase::ReadyToBoot:
      return "ready-to-boot";
    case Phase::ExitBootServices:
      return "exit-boot-services";
  }
  return "unknown";
}

const char* OutcomeName(Outcome::Kind Value) {
  switch (Value) {
    case Outcome::Kind::Running:
      return "running";
    case Outcome::Kind::Completed:
      return "completed";
    case Outcome::Kind::Halted:
      return "halted";
    case Outcome::Kind::Reset:
      return "reset";
    case Outcome::Kind::Hung:
      return "hung";
    case Outcome::Kind::Crashed:
      return "crashed";
    case Outcome::Kind::Abandoned:
      return "abandoned";
  }
  return "unknown";
}

}  // namespace sim
