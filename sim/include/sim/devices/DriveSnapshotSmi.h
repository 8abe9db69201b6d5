// The system-management handler of software SMI 0xD4: while the command's
// port write runs, it reads the password driver's device snapshot through the
// published password protocol and keeps, as the system-management side's own
// copy, the three drive records with their password hashes and IDENTIFY data.
// A scenario inspects what was handed over. Pointers that are not live pool
// blocks of the needed size are violations and are not read.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sentrel/core/SentrelProtocol.h"
#include "sim/Component.h"
#include "uefi/SystemTable.h"

namespace sim {

class DriveSnapshotSmi : public Component {
 public:
  static constexpr UINT8 kCommand = 0xD4;
  static constexpr std::size_t kIdentifyBytes = 512;

  struct DriveCopy {
    HDD_DEVICE_RECORD Record{};  // as handed over; IdentifyData is the sender's pointer
    std::optional<std::array<UINT8, kIdentifyBytes>> Identify;
  };
  struct Capture {
    std::uint64_t Boot = 0;
    bool ProtocolFound = false;
    bool SnapshotFound = false;
    EFI_MEMORY_TYPE SnapshotType = EfiReservedMemoryType;
    std::array<DriveCopy, HDD_SLOT_COUNT> Drives{};
  };

  std::string Name() const override { return "smm-drive-snapshot"; }
  void OnBootStart(Boot& Current) override;

  // Every SMI 0xD4 handled, in order, across boots.
  const std::vector<Capture>& Captures() const { return Captures_; }
  const Capture* Last() const { return Captures_.empty() ? nullptr : &Captures_.back(); }

 private:
  void Handle(Boot& Current);

  std::vector<Capture> Captures_;
};

}  // namespace sim
