#include "sim/devices/Cmos.h"
#include <cstdio>

#include <nlohmann/json.hpp>

#include "sim/Boot.h"

namespace sim {

void Cmos::OnBootStart(Boot& Current) {
  PortHandler Handler;
  Handler.Device = Name();
  Handler.Read = [this, &Current](UINT16 Port, UINT8 Width) -> UINT32 {
    UINT32 Value = 0;
    for (UINT8 Byte = 0; Byte < Width; Byte++) {
      Value |= Read(Current, (UINT16)(Port + Byte)) << (8 * Byte);
    }
    return Value;
  };
  Handler.Write = [this, &Current](UINT16 Port, UINT8 Width, UINT32 Value) {
    for (UINT8 Byte = 0; Byte < Width; Byte++) {
      Write(Current, (UINT16)(Port + Byte), (UINT8)(Value >> (8 * Byte)));
    }
  };
  Current.Ports().Claim(kBank0Index, kBank1Data, std::move(Handler));
}

void Cmos::SetNmiMasked(bool Masked) {
  Bank0IndexPort_ = (UINT8)(Masked ? (Bank0IndexPort_ | kNmiMask) : (Bank0IndexPort_ & kIndexMask));
}

void Cmos::Clear() {
  for (auto& Bank : Banks_) Bank.fill(0);
}

void Cmos::CheckInterrupts(Boot& Current, UINT16 Port, const char* Access) {
  if (Current.Cpu().InterruptsEnabled()) {
    char Detail[64];
    std::snprintf(Detail, sizeof(Detail), "%s of port 0x%02X with interrupts enabled", Access, Port);
    Current.Violate("cmos-access-with-interrupts", Detail);
  }
}

UINT32 Cmos::Read(Boot& Current, UINT16 Port) {
  CheckInterrupts(Current, Port, "read");
  switch (Port) {
    case kBank0Index:
      return Bank0IndexPort_;
    case kBank0Data:
      return Banks_[0][Bank0IndexPort_ & kIndexMask];
    case kBank1Index:
      return Bank1Index_;
    default:
      return Banks_[1][Bank1Index_ & kIndexMask];
  }
}

void Cmos::Write(Boot& Current, UINT16 Port, UINT8 Value) {
  CheckInterrupts(Current, Port, "write");
  switch (Port) {
    case kBank0Index:
      Bank0IndexPort_ = Value;
      return;
    case kBank1Index:
      Bank1Index_ = Value;
      return;
    default: {
      unsigned Bank = Port == kBank0Data ? 0 : 1;
      UINT8 Index = (UINT8)((Bank == 0 ? Bank0IndexPort_ : Bank1Index_) & kIndexMask);
      Banks_[Bank][Index] = Value;
      Current.Trace().Record("cmos.write", {{"bank", Bank}, {"index", Index}, {"value", Value}});
    }
  }
}

}  // namespace sim
