// The port bus, the progress-code port and the software-SMI command port.
#include "sim/Ports.h"

#include <stdexcept>

#include "sim/Boot.h"

namespace sim {
namespace {

UINT32 AllOnes(UINT8 Width) { return Width >= 4 ? 0xFFFFFFFFu : (1u << (Width * 8)) - 1; }

}  // namespace

void PortBus::Claim(UINT16 First, UINT16 Last, PortHandler Handler) {
  for (UINT32 Port = First; Port <= Last; Port++) {
    if (Owner((UINT16)Port) != nullptr) {
      throw std::logic_error(Handler.Device + " claims port " + std::to_string(Port) + ", already claimed");
    }
  }
  Claims_.emplace(First, Claimed{Last, std::move(Handler)});
}

const PortBus::Claimed* PortBus::Owner(UINT16 Port) const {
  auto Found = Claims_.upper_bound(Port);
  if (Found == Claims_.begin()) return nullptr;
  --Found;
  return Port <= Found->second.Last ? &Found->second : nullptr;
}

UINT32 PortBus::Read(UINT16 Port, UINT8 Width) {
  const Claimed* Device = Owner(Port);
  if (Device == nullptr || !Device->Handler.Read) {
    Boot_.Trace().Record("port.read", {{"port", Port}, {"width", Width}, {"value", AllOnes(Width)}, {"device", nullptr}});
    return AllOnes(Width);
  }
  UINT32 Value = Device->Handler.Read(Port, Width) & AllOnes(Width);
  if (Device->Handler.TraceReads) {
    Boot_.Trace().Record("port.read",
                         {{"port", Port}, {"width", Width}, {"value", Value}, {"device", Device->Handler.Device}});
  }
  return Value;
}

void PortBus::Write(UINT16 Port, UINT8 Width, UINT32 Value) {
  Value &= AllOnes(Width);
  const Claimed* Device = Owner(Port);
  nlohmann::json Data{{"port", Port}, {"width", Width}, {"value", Value}};
  Data["device"] = Device != nullptr ? nlohmann::json(Device->Handler.Device) : nlohmann::json(nullptr);
  Boot_.Trace().Record("port.write", Data);
  if (Device != nullptr && Device->Handler.Write) Device->Handler.Write(Port, Width, Value);
}

ProgressCodePort::ProgressCodePort(Boot& Owner) {
  PortHandler Handler;
  Handler.Device = "progress-code";
  // Reads give back the last code, as a latching display does.
  Handler.Read = [this](UINT16, UINT8) -> UINT32 { return Codes_.empty() ? 0xFF : Codes_.back(); };
  Handler.Write = [this, &Owner](UINT16, UINT8, UINT32 Value) {
    Codes_.push_back((UINT8)Value);
    Owner.Trace().Record("progress", {{"code", Value & 0xFF}});
  };
  Owner.Ports().Claim(kPort, kPort, std::move(Handler));
}

SmiDispatcher::SmiDispatcher(Boot& Owner) : Boot_(Owner) {
  PortHandler Handler;
  Handler.Device = "smi-command";
  Handler.Read = [this](UINT16, UINT8) -> UINT32 { return LastCommand_; };
  Handler.Write = [this](UINT16, UINT8, UINT32 Value) {
    // A plain port write hands over no registers of the caller's: the
    // handler sees the command in AL and zero elsewhere.
    SMI_REGISTERS Plain{};
    Plain.Rax = Value & 0xFF;
    SMI_REGISTERS& Registers = Loaded_ != nullptr ? *Loaded_ : Plain;
    Registers.Rax = (Registers.Rax & ~0xFFull) | (Value & 0xFF);
    Dispatch(Registers);
  };
  Owner.Ports().Claim(SMI_COMMAND_PORT, SMI_COMMAND_PORT, std::move(Handler));
}

void SmiDispatcher::RegisterSmiHandler(UINT8 Command, Handler Handle) { Handlers_[Command] = std::move(Handle); }

void SmiDispatcher::Trigger(SMI_REGISTERS& Registers) {
  // The registers travel with the port write of AL.
  Loaded_ = &Registers;
  struct Unload {
    SMI_REGISTERS*& Slot;
    ~Unload() { Slot = nullptr; }
  } Guard{Loaded_};
  Boot_.Ports().Write(SMI_COMMAND_PORT, 1, (UINT32)(Registers.Rax & 0xFF));
}

void SmiDispatcher::Dispatch(SMI_REGISTERS& Registers) {
  LastCommand_ = (UINT8)Registers.Rax;
  auto Found = Handlers_.find(LastCommand_);
  Boot_.Trace().Record("smi", {{"command", LastCommand_}, {"handled", Found != Handlers_.end()}});
  if (Found != Handlers_.end()) Found->second(Registers);
}

}  // namespace sim
