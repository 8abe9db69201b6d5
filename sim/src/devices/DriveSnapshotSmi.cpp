#include "sim/devices/DriveSnapshotSmi.h"

#include <cstring>

#include <nlohmann/json.hpp>

#include "sim/Boot.h"
#include "sim/Trace.h"

namespace sim {
namespace {

// The live pool block that holds Size bytes from Address, or nullptr.
const Allocation* BlockHolding(Boot& Current, const void* Address, std::size_t Size) {
  const Allocation* Block = Current.Memory().Find(Address);
  if (Block == nullptr) return nullptr;
  std::uintptr_t End = Block->Address + Block->Size;
  return End - reinterpret_cast<std::uintptr_t>(Address) >= Size ? Block : nullptr;
}

}  // namespace

void DriveSnapshotSmi::OnBootStart(Boot& Current) {
  Current.Smi().RegisterSmiHandler(kCommand, [this, &Current](SMI_REGISTERS&) { Handle(Current); });
}

void DriveSnapshotSmi::Handle(Boot& Current) {
  Capture Taken;
  Taken.Boot = Current.Number();
  nlohmann::json Data = nlohmann::json::object();

  VOID* Interface = nullptr;
  Taken.ProtocolFound =
      Current.Protocols().LocateProtocol(&SENTREL_PASSWORD_PROTOCOL_GUID, nullptr, &Interface) == EFI_SUCCESS &&
      Interface != nullptr;
  const HDD_DEVICE_RECORD* Snapshot =
      Taken.ProtocolFound ? static_cast<SENTREL_PASSWORD_PROTOCOL*>(Interface)->DeviceSnapshot : nullptr;
  const Allocation* Block = nullptr;
  if (Snapshot != nullptr) {
    Block = BlockHolding(Current, Snapshot, HDD_DEVICE_TABLE_SIZE);
    if (Block == nullptr) Current.Violate("smm.snapshot", "the device snapshot is not a live 348-byte block", Name());
  }
  Taken.SnapshotFound = Block != nullptr;
  Data["protocol"] = Taken.ProtocolFound;
  Data["snapshot"] = Taken.SnapshotFound;

  if (Taken.SnapshotFound) {
    Taken.SnapshotType = Block->Type;
    Data["memory"] = MemoryTypeName(Block->Type);
    nlohmann::json Drives = nlohmann::json::array();
    for (std::size_t Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
      DriveCopy& Copy = Taken.Drives[Slot];
      std::memcpy(&Copy.Record, &Snapshot[Slot], sizeof(HDD_DEVICE_RECORD));
      const UINT8* Identify = Copy.Record.IdentifyData;
      if (Copy.Record.Present && Identify != nullptr) {
        if (BlockHolding(Current, Identify, kIdentifyBytes) != nullptr) {
          Copy.Identify.emplace();
          std::memcpy(Copy.Identify->data(), Identify, kIdentifyBytes);
        } else {
          Current.Violate("smm.snapshot",
                          "slot " + std::to_string(Slot) + " IDENTIFY data is not a live 512-byte block", Name());
        }
      }
      // Packed record: fields are taken by value.
      Drives.push_back({{"present", (UINT8)Copy.Record.Present},
                        {"port", (UINT16)Copy.Record.Port},
                        {"user-hash", HexBytes(Copy.Record.UserPasswordHash, DRIVE_HASH_SIZE)},
                        {"master-hash", HexBytes(Copy.Record.MasterPasswordHash, DRIVE_HASH_SIZE)},
                        {"identify", Copy.Identify.has_value()}});
    }
    Data["drives"] = std::move(Drives);
  }
  Current.Trace().Record("smm.drive-snapshot", std::move(Data));
  Captures_.push_back(std::move(Taken));
}

}  // namespace sim
