// The entry checks of every service: the boot reached, the caller, and the
// UEFI table of TPL restrictions.
#include "ServiceCall.h"

#include "BootEnded.h"

namespace sim {
namespace {

struct Rule {
  const char* Name;
  EFI_TPL Highest;      // the highest level the service may be called at
  bool ApplicationOnly;  // only at TPL_APPLICATION
  bool BootService;      // gone after ExitBootServices
};

constexpr EFI_TPL kBelowCallback = TPL_CALLBACK - 1;

// Indexed by Service.
constexpr Rule kRules[] = {
    {"RaiseTPL", TPL_HIGH_LEVEL, false, true},
    {"RestoreTPL", TPL_HIGH_LEVEL, false, true},
    {"AllocatePages", TPL_NOTIFY, false, true},
    {"FreePages", TPL_NOTIFY, false, true},
    {"GetMemoryMap", TPL_NOTIFY, false, true},
    {"AllocatePool", TPL_NOTIFY, false, true},
    {"FreePool", TPL_NOTIFY, false, true},
    {"CreateEvent", TPL_NOTIFY, false, true},
    {"SetTimer", TPL_HIGH_LEVEL - 1, false, true},
    {"WaitForEvent", TPL_APPLICATION, true, true},
    {"SignalEvent", TPL_HIGH_LEVEL, false, true},
    {"CloseEvent", TPL_NOTIFY, false, true},
    {"CheckEvent", TPL_HIGH_LEVEL - 1, false, true},
    {"InstallProtocolInterface", TPL_NOTIFY, false, true},
    {"ReinstallProtocolInterface", TPL_NOTIFY, false, true},
    {"UninstallProtocolInterface", TPL_NOTIFY, false, true},
    {"HandleProtocol", TPL_NOTIFY, false, true},
    {"RegisterProtocolNotify", TPL_NOTIFY, false, true},
    {"LocateHandle", TPL_NOTIFY, false, true},
    {"LocateDevicePath", TPL_NOTIFY, false, true},
    {"InstallConfigurationTable", TPL_NOTIFY, false, true},
    {"LoadImage", kBelowCallback, false, true},
    {"StartImage", kBelowCallback, false, true},
    {"Exit", kBelowCallback, false, true},
    {"UnloadImage", TPL_CALLBACK, false, true},
    {"ExitBootServices", TPL_APPLICATION, true, true},
    {"GetNextMonotonicCount", TPL_HIGH_LEVEL, false, true},
    {"Stall", TPL_HIGH_LEVEL, false, true},
    {"SetWatchdogTimer", TPL_CALLBACK, false, true},
    {"ConnectController", TPL_CALLBACK, false, true},
    {"DisconnectController", TPL_CALLBACK, false, true},
    {"OpenProtocol", TPL_NOTIFY, false, true},
    {"CloseProtocol", TPL_NOTIFY, false, true},
    {"OpenProtocolInformation", TPL_NOTIFY, false, true},
    {"ProtocolsPerHandle", TPL_NOTIFY, false, true},
    {"LocateHandleBuffer", TPL_NOTIFY, false, true},
    {"LocateProtocol", TPL_NOTIFY, false, true},
    {"InstallMultipleProtocolInterfaces", TPL_NOTIFY, false, true},
    {"UninstallMultipleProtocolInterfaces", TPL_NOTIFY, false, true},
    {"CalculateCrc32", TPL_HIGH_LEVEL, false, true},
    {"CopyMem", TPL_HIGH_LEVEL, false, true},
    {"SetMem", TPL_HIGH_LEVEL, false, true},
    {"CreateEventEx", TPL_NOTIFY, false, true},
    {"GetTime", TPL_CALLBACK, false, false},
    {"SetTime", TPL_CALLBACK, false, false},
    {"GetWakeupTime", TPL_CALLBACK, false, false},
    {"SetWakeupTime", TPL_CALLBACK, false, false},
    {"SetVirtualAddressMap", TPL_HIGH_LEVEL, false, false},
    {"ConvertPointer", TPL_HIGH_LEVEL, false, false},
    {"GetVariable", TPL_CALLBACK, false, false},
    {"GetNextVariableName", TPL_CALLBACK, false, false},
    {"SetVariable", TPL_CALLBACK, false, false},
    {"GetNextHighMonotonicCount", TPL_HIGH_LEVEL, false, false},
    {"ResetSystem", TPL_HIGH_LEVEL, false, false},
    {"UpdateCapsule", TPL_CALLBACK, false, false},
    {"QueryCapsuleCapabilities", TPL_CALLBACK, false, false},
    {"QueryVariableInfo", TPL_CALLBACK, false, false},
    {"ConsoleOutput", TPL_NOTIFY, false, true},
};
static_assert(sizeof(kRules) / sizeof(kRules[0]) == (std::size_t)Service::ConsoleOutput + 1);

}  // namespace

const char* ServiceName(Service Which) { return kRules[(std::size_t)Which].Name; }

ServiceCall::ServiceCall(Service Which, const void* ReturnAddress)
    : Current(Boot::Current()), Which_(Which), ReturnAddress_(ReturnAddress) {
  const Rule& Restriction = kRules[(std::size_t)Which];
  if (Current.Ended()) {
    // Nothing runs on a machine that has stopped.
    Violate("boot.ended", "called after the boot ended");
    throw BootEnded{};
  }
  if (Restriction.BootService && Current.BootServicesEnded()) {
    Violate("boot-services.ended", "boot service called after ExitBootServices");
  }
  EFI_TPL Tpl = Current.Events().CurrentTpl();
  if (Restriction.ApplicationOnly ? Tpl != TPL_APPLICATION : Tpl > Restriction.Highest) {
    Violate("tpl", std::string("called at TPL ") + std::to_string(Tpl) + ", allowed up to " +
                       std::to_string(Restriction.Highest));
  }
}

const std::string& ServiceCall::Caller() {
  if (!Caller_) Caller_ = Current.OwnerOf(ReturnAddress_);
  return *Caller_;
}

void ServiceCall::Violate(std::string Kind, std::string Detail) {
  Current.Violate(std::move(Kind), std::string(ServiceName(Which_)) + ": " + Detail, Caller());
}

}  // namespace sim
