// A small stand-in for the boot services, runtime services and system table
// that the support library reaches: pool with bookkeeping, notify events,
// protocols by GUID, the TPL and a console output. It installs itself as the
// library's gST, gBS and gRT for the life of the object.
#pragma once
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/Library.h"
#include "uefi/protocol/SimpleTextOut.h"

class FakeFirmware {
 public:
  struct ALLOCATION {
    EFI_MEMORY_TYPE Type;
    size_t Size;
  };
  struct EVENT {
    UINT32 Type;
    EFI_TPL Tpl;
    EFI_EVENT_NOTIFY Function;
    VOID* Context;
  };

  FakeFirmware();
  ~FakeFirmware();

  static FakeFirmware& Current() { return *Instance; }

  // Pool.
  std::map<VOID*, ALLOCATION> Live;
  std::vector<std::vector<UINT8>> FreedContents;  // each buffer as it was when freed
  bool FailAllocations = false;
  int InvalidFrees = 0;

  // Events and protocols, and the order in which the services were called.
  std::vector<std::string> Calls;
  std::vector<EVENT*> Events;
  bool FailCreateEvent = false;
  std::vector<std::pair<EFI_GUID, VOID*>> Protocols;
  int LocateCalls = 0;

  EFI_TPL Tpl = TPL_APPLICATION;

  std::u16string Console;
  EFI_STATUS ConsoleStatus = EFI_SUCCESS;
  int ConsoleCalls = 0;

  std::vector<EFI_CONFIGURATION_TABLE> ConfigurationTable;
  VOID SyncConfigurationTable();

 private:
  static FakeFirmware* Instance;
  EFI_BOOT_SERVICES BootServices{};
  EFI_RUNTIME_SERVICES RuntimeServices{};
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL ConOut{};
  EFI_SYSTEM_TABLE SystemTable{};
};

inline bool operator==(const EFI_GUID& A, const EFI_GUID& B) { return std::memcmp(&A, &B, sizeof(A)) == 0; }
