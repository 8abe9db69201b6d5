#include "DeviceCall.h"

#include "../BootEnded.h"

namespace sim {

DeviceCall::DeviceCall(const char* Function, const void* ReturnAddress)
    : Current(Boot::Current()), Function_(Function), ReturnAddress_(ReturnAddress) {
  if (Current.Ended()) {
    // Nothing runs on a machine that has stopped.
    Current.Violate("boot.ended", std::string(Function_) + ": called after the boot ended", Caller());
    throw BootEnded{};
  }
  if (Current.BootServicesEnded()) {
    Current.Violate("boot-services.ended", std::string(Function_) + ": called after ExitBootServices", Caller());
  }
  EFI_TPL Tpl = Current.Events().CurrentTpl();
  if (Tpl > TPL_NOTIFY) {
    Current.Violate("tpl", std::string(Function_) + ": called at TPL " + std::to_string(Tpl) + ", allowed up to " +
                               std::to_string(TPL_NOTIFY),
                    Caller());
  }
}

const std::string& DeviceCall::Caller() {
  if (Caller_.empty()) Caller_ = Current.OwnerOf(ReturnAddress_);
  return Caller_;
}

}  // namespace sim
