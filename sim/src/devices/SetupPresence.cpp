#include "sim/devices/SetupPresence.h"

#include <stdexcept>

#include "sim/Boot.h"
#include "sim/Trace.h"
#include "uefi/platform/SetupPresence.h"

namespace sim {

void SetupPresence::OnBootStart(Boot& Current) {
  EFI_HANDLE Handle = nullptr;
  EFI_STATUS Status =
      Current.Protocols().Install(&Handle, &SETUP_PRESENCE_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, nullptr, Name());
  if (EFI_ERROR(Status)) throw std::logic_error("setup presence set-up failed: " + HexStatus(Status));
}

}  // namespace sim
