// The EFI system table of one boot with its boot-services and
// runtime-services tables and the configuration table.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "uefi/SystemTable.h"

namespace sim {

class Boot;

class SystemTables {
 public:
  SystemTables(Boot& Owner, UINT32 BootMode);
  SystemTables(const SystemTables&) = delete;
  SystemTables& operator=(const SystemTables&) = delete;

  EFI_SYSTEM_TABLE* System() { return &System_; }
  EFI_BOOT_SERVICES* BootServices() { return &BootServices_; }
  EFI_RUNTIME_SERVICES* RuntimeServices() { return &RuntimeServices_; }

  // Adds, replaces (same GUID) or, with a NULL table, deletes an entry.
  [[nodiscard]] EFI_STATUS InstallConfigurationTable(const EFI_GUID* Guid, VOID* Table, const std::string& Caller);
  // Recomputes the header checksums after the platform changed a table.
  void UpdateChecksums();

 private:
  Boot& Boot_;
  EFI_SYSTEM_TABLE System_{};
  EFI_BOOT_SERVICES BootServices_{};
  EFI_RUNTIME_SERVICES RuntimeServices_{};
  std::vector<EFI_CONFIGURATION_TABLE> Entries_;
  std::vector<std::uint64_t> HobList_;  // 8-byte aligned
  std::u16string Vendor_;
};

// The service entries, each filling its table's slots.
void FillBootServices(EFI_BOOT_SERVICES& Table);
void FillRuntimeServices(EFI_RUNTIME_SERVICES& Table);

// CRC-32 of the UEFI tables (IEEE 802.3, reflected).
UINT32 Crc32(const void* Data, std::size_t Size);

}  // namespace sim
