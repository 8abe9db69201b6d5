// The prompt feedback service.
#include "sim/devices/PromptFeedback.h"

#include <stdexcept>

#include "DeviceCall.h"
#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/Trace.h"

namespace sim {
namespace {

// Notify carries no interface pointer: the service finds itself.
VOID EFIAPI Notify(UINT8 EventCode) {
  DeviceCall Call("PromptFeedback.Notify", __builtin_return_address(0));
  auto Service = Call.Current.Machine().FindComponent<PromptFeedbackService>();
  Service->Record(EventCode);
  Call.Current.Trace().Record("feedback.notify", {{"code", EventCode}, {"caller", Call.Caller()}});
}

}  // namespace

PromptFeedbackService::PromptFeedbackService() { Protocol_.Notify = Notify; }

void PromptFeedbackService::OnBootStart(Boot& Current) {
  Codes_.clear();
  EFI_HANDLE Handle = nullptr;
  EFI_STATUS Status =
      Current.Protocols().Install(&Handle, &PROMPT_FEEDBACK_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, &Protocol_, Name());
  if (EFI_ERROR(Status)) throw std::logic_error("prompt feedback set-up failed: " + HexStatus(Status));
}

}  // namespace sim
