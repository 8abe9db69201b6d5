// The system table, the two service tables and the configuration table.
#include "sim/SystemTables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "sim/Boot.h"
#include "sim/Guid.h"
#include "sim/StandardGuids.h"

namespace sim {
namespace {

constexpr UINT32 kFirmwareRevision = 0x00010000;

// Hand-off blocks: the phase hand-off table first, then the end of the list.
constexpr UINT16 kHobTypeHandoff = 0x0001;
constexpr UINT16 kHobTypeEndOfList = 0xFFFF;
constexpr UINT32 kHandoffVersion = 0x0009;

struct HOB_GENERIC_HEADER {
  UINT16 HobType;
  UINT16 HobLength;
  UINT32 Reserved;
};
struct HOB_HANDOFF_INFO_TABLE {
  HOB_GENERIC_HEADER Header;
  UINT32 Version;
  UINT32 BootMode;
  EFI_PHYSICAL_ADDRESS MemoryTop;
  EFI_PHYSICAL_ADDRESS MemoryBottom;
  EFI_PHYSICAL_ADDRESS FreeMemoryTop;
  EFI_PHYSICAL_ADDRESS FreeMemoryBottom;
  EFI_PHYSICAL_ADDRESS EndOfHobList;
};
static_assert(offsetof(HOB_HANDOFF_INFO_TABLE, BootMode) == 12);
static_assert(sizeof(HOB_HANDOFF_INFO_TABLE) == 56);

template <typename T>
void Checksum(T& Table) {
  Table.Hdr.CRC32 = 0;
  Table.Hdr.CRC32 = Crc32(&Table, Table.Hdr.HeaderSize);
}

}  // namespace

UINT32 Crc32(const void* Data, std::size_t Size) {
  static const std::array<UINT32, 256> Table = [] {
    std::array<UINT32, 256> Entries{};
    for (UINT32 Index = 0; Index < 256; Index++) {
      UINT32 Value = Index;
      for (int Bit = 0; Bit < 8; Bit++) Value = (Value & 1) != 0 ? (Value >> 1) ^ 0xEDB88320u : Value >> 1;
      Entries[Index] = Value;
    }
    return Entries;
  }();
  UINT32 Crc = 0xFFFFFFFFu;
  const auto* Bytes = static_cast<const UINT8*>(Data);
  for (std::size_t Index = 0; Index < Size; Index++) Crc = Table[(Crc ^ Bytes[Index]) & 0xFF] ^ (Crc >> 8);
  return Crc ^ 0xFFFFFFFFu;
}

SystemTables::SystemTables(Boot& Owner, UINT32 BootMode) : Boot_(Owner), Vendor_(u"Fwsim Virtual Platform") {
  FillBootServices(BootServices_);
  BootServices_.Hdr = {EFI_BOOT_SERVICES_SIGNATURE, EFI_2_100_SYSTEM_TABLE_REVISION, sizeof(EFI_BOOT_SERVICES), 0, 0};
  FillRuntimeServices(RuntimeServices_);
  RuntimeServices_.Hdr = {EFI_RUNTIME_SERVICES_SIGNATURE, EFI_2_100_SYSTEM_TABLE_REVISION,
                          sizeof(EFI_RUNTIME_SERVICES), 0, 0};
  System_.Hdr = {EFI_SYSTEM_TABLE_SIGNATURE, EFI_2_100_SYSTEM_TABLE_REVISION, sizeof(EFI_SYSTEM_TABLE), 0, 0};
  System_.FirmwareVendor = Vendor_.data();
  System_.FirmwareRevision = kFirmwareRevision;
  System_.BootServices = &BootServices_;
  System_.RuntimeServices = &RuntimeServices_;

  HobList_.assign((sizeof(HOB_HANDOFF_INFO_TABLE) + sizeof(HOB_GENERIC_HEADER)) / sizeof(std::uint64_t), 0);
  auto* Handoff = reinterpret_cast<HOB_HANDOFF_INFO_TABLE*>(HobList_.data());
  auto* End = reinterpret_cast<HOB_GENERIC_HEADER*>(Handoff + 1);
  *Handoff = HOB_HANDOFF_INFO_TABLE{{kHobTypeHandoff, sizeof(HOB_HANDOFF_INFO_TABLE), 0}, kHandoffVersion, BootMode,
                                    0, 0, 0, 0, (EFI_PHYSICAL_ADDRESS)(std::uintptr_t)End};
  *End = HOB_GENERIC_HEADER{kHobTypeEndOfList, sizeof(HOB_GENERIC_HEADER), 0};
  Entries_.push_back(EFI_CONFIGURATION_TABLE{kHobListGuid, HobList_.data()});
  UpdateChecksums();
}

void SystemTables::UpdateChecksums() {
  System_.NumberOfTableEntries = Entries_.size();
  System_.ConfigurationTable = Entries_.empty() ? nullptr : Entries_.data();
  Checksum(BootServices_);
  Checksum(RuntimeServices_);
  Checksum(System_);
}

EFI_STATUS SystemTables::InstallConfigurationTable(const EFI_GUID* Guid, VOID* Table, const std::string& Caller) {
  if (Guid == nullptr) return EFI_INVALID_PARAMETER;
  auto Found = std::find_if(Entries_.begin(), Entries_.end(),
                            [&](const EFI_CONFIGURATION_TABLE& Entry) { return GuidEqual(Entry.VendorGuid, *Guid); });
  const char* Change = nullptr;
  if (Found != Entries_.end()) {
    if (Table == nullptr) {
      Entries_.erase(Found);
      Change = "config-table.delete";
    } else {
      Found->VendorTable = Table;
      Change = "config-table.replace";
    }
  } else {
    if (Table == nullptr) return EFI_NOT_FOUND;
    Entries_.push_back(EFI_CONFIGURATION_TABLE{*Guid, Table});
    Change = "config-table.add";
  }
  UpdateChecksums();
  Boot_.Trace().Record(Change, {{"guid", GuidLabel(*Guid)}, {"caller", Caller}});
  // Whoever watches this table's GUID as an event group hears of the change.
  Boot_.Events().SignalGroup(*Guid);
  return EFI_SUCCESS;
}

}  // namespace sim
