// The phases of a simulated boot and how a boot ended.
#pragma once
#include <string>

#include "uefi/SystemTable.h"

namespace sim {

enum class Phase {
  PowerOn,              // nothing has run yet
  DriverDispatch,       // driver images start, in dispatch order
  BootDeviceSelection,  // end of DXE, checkpoints, capsule processing
  ReadyToBoot,          // the ready-to-boot event group is signalled
  ExitBootServices,     // the loader takes over; boot services end
};
const char* PhaseName(Phase Value);

struct Outcome {
  enum class Kind {
    Running,    // not ended yet
    Completed,  // boot services ended normally
    Halted,     // a dead loop: the machine stops where it is
    Reset,      // ResetSystem
    Hung,       // waits for something that can never come
    Crashed,    // a driver did what no real machine survives (a bad This)
    Abandoned,  // the test let go of the boot before it ended
  };
  Kind What = Kind::Running;
  EFI_RESET_TYPE ResetType = EfiResetCold;
  EFI_STATUS ResetStatus = EFI_SUCCESS;
  EFI_TPL Tpl = TPL_APPLICATION;
  bool InterruptsEnabled = true;
  std::string Detail;
};
const char* OutcomeName(Outcome::Kind Value);

}  // namespace sim
