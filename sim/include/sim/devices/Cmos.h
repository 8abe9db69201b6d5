// The battery-backed CMOS RAM of the real-time-clock block: two banks of 128
// bytes behind index/data port pairs 0x70/0x71 and 0x72/0x73. Bit 7 of the
// bank-0 index port is the NMI mask and reads back as last written. The
// contents survive every reset of the machine. An access made while the
// processor's interrupt flag is set is recorded as a violation: an interrupt
// between index and data write could move the index.
#pragma once
#include <array>
#include <cstdint>

#include "sim/Component.h"
#include "uefi/Base.h"

namespace sim {

class Cmos : public Component {
 public:
  static constexpr UINT16 kBank0Index = 0x70;
  static constexpr UINT16 kBank0Data = 0x71;
  static constexpr UINT16 kBank1Index = 0x72;
  static constexpr UINT16 kBank1Data = 0x73;
  static constexpr UINT8 kNmiMask = 0x80;
  static constexpr UINT8 kIndexMask = 0x7F;
  static constexpr std::size_t kBankSize = 128;

  std::string Name() const override { return "cmos"; }
  void OnBootStart(Boot& Current) override;

  UINT8 Byte(unsigned Bank, UINT8 Offset) const { return Banks_.at(Bank).at(Offset & kIndexMask); }
  void SetByte(unsigned Bank, UINT8 Offset, UINT8 Value) { Banks_.at(Bank).at(Offset & kIndexMask) = Value; }
  // The NMI-mask bit as the bank-0 index port holds it.
  bool NmiMasked() const { return (Bank0IndexPort_ & kNmiMask) != 0; }
  void SetNmiMasked(bool Masked);
  // A battery loss: every byte of both banks cleared.
  void Clear();

 private:
  UINT32 Read(Boot& Current, UINT16 Port);
  void Write(Boot& Current, UINT16 Port, UINT8 Value);
  void CheckInterrupts(Boot& Current, UINT16 Port, const char* Access);

  std::array<std::array<UINT8, kBankSize>, 2> Banks_{};
  UINT8 Bank0IndexPort_ = 0;  // as last written, NMI bit included
  UINT8 Bank1Index_ = 0;
};

}  // namespace sim
