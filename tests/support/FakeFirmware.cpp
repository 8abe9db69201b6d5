#include "FakeFirmware.h"

#include <cstdlib>

FakeFirmware* FakeFirmware::Instance = nullptr;

// The library's image entry point calls the driver's own initialisation; these
// tests never enter it.
EFI_STATUS DriverInitialize(EFI_HANDLE, EFI_SYSTEM_TABLE*) { return EFI_UNSUPPORTED; }

namespace {

constexpr UINT8 kFreshPoolByte = 0xCC;  // what newly allocated pool holds

EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE Type, UINTN Size, VOID** Buffer) {
  FakeFirmware& Fake = FakeFirmware::Current();
  if (Fake.FailAllocations) {
    return EFI_OUT_OF_RESOURCES;
  }
  *Buffer = std::malloc(Size == 0 ? 1 : Size);
  std::memset(*Buffer, kFreshPoolByte, Size);
  Fake.Live[*Buffer] = {Type, Size};
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FreePool(VOID* Buffer) {
  FakeFirmware& Fake = FakeFirmware::Current();
  auto Found = Fake.Live.find(Buffer);
  if (Found == Fake.Live.end()) {
    Fake.InvalidFrees++;
    return EFI_INVALID_PARAMETER;
  }
  const UINT8* Bytes = static_cast<const UINT8*>(Buffer);
  Fake.FreedContents.emplace_back(Bytes, Bytes + Found->second.Size);
  Fake.Live.erase(Found);
  std::free(Buffer);
  return EFI_SUCCESS;
}

EFI_TPL EFIAPI RaiseTPL(EFI_TPL NewTpl) {
  FakeFirmware& Fake = FakeFirmware::Current();
  const EFI_TPL Old = Fake.Tpl;
  Fake.Tpl = NewTpl;
  return Old;
}

VOID EFIAPI RestoreTPL(EFI_TPL OldTpl) { FakeFirmware::Current().Tpl = OldTpl; }

EFI_STATUS EFIAPI CreateEvent(UINT32 Type, EFI_TPL Tpl, EFI_EVENT_NOTIFY Function, VOID* Context, EFI_EVENT* Event) {
  FakeFirmware& Fake = FakeFirmware::Current();
  Fake.Calls.push_back("CreateEvent");
  if (Fake.FailCreateEvent) {
    return EFI_OUT_OF_RESOURCES;
  }
  Fake.Events.push_back(new FakeFirmware::EVENT{Type, Tpl, Function, Context});
  *Event = Fake.Events.back();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RegisterProtocolNotify(EFI_GUID*, EFI_EVENT, VOID** Registration) {
  FakeFirmware::Current().Calls.push_back("RegisterProtocolNotify");
  *Registration = reinterpret_cast<VOID*>(0x5E6);
  return EFI_SUCCESS;
}

// Runs the notify function at once, as it would run when the TPL drops.
EFI_STATUS EFIAPI SignalEvent(EFI_EVENT Event) {
  FakeFirmware::Current().Calls.push_back("SignalEvent");
  auto* Record = static_cast<FakeFirmware::EVENT*>(Event);
  Record->Function(Event, Record->Context);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI LocateProtocol(EFI_GUID* Protocol, VOID*, VOID** Interface) {
  FakeFirmware& Fake = FakeFirmware::Current();
  Fake.LocateCalls++;
  for (const auto& [Guid, Instance] : Fake.Protocols) {
    if (Guid == *Protocol) {
      *Interface = Instance;
      return EFI_SUCCESS;
    }
  }
  *Interface = nullptr;
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI OutputString(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL*, CHAR16* String) {
  FakeFirmware& Fake = FakeFirmware::Current();
  Fake.ConsoleCalls++;
  if (!EFI_ERROR(Fake.ConsoleStatus)) {
    Fake.Console += String;
  }
  return Fake.ConsoleStatus;
}

}  // namespace

FakeFirmware::FakeFirmware() {
  Instance = this;
  BootServices.Hdr.Signature = EFI_BOOT_SERVICES_SIGNATURE;
  BootServices.AllocatePool = AllocatePool;
  BootServices.FreePool = FreePool;
  BootServices.RaiseTPL = RaiseTPL;
  BootServices.RestoreTPL = RestoreTPL;
  BootServices.CreateEvent = CreateEvent;
  BootServices.RegisterProtocolNotify = RegisterProtocolNotify;
  BootServices.SignalEvent = SignalEvent;
  BootServices.LocateProtocol = LocateProtocol;
  RuntimeServices.Hdr.Signature = EFI_RUNTIME_SERVICES_SIGNATURE;
  ConOut.OutputString = OutputString;
  SystemTable.Hdr.Signature = EFI_SYSTEM_TABLE_SIGNATURE;
  SystemTable.BootServices = &BootServices;
  SystemTable.RuntimeServices = &RuntimeServices;
  SystemTable.ConOut = &ConOut;
  gST = &SystemTable;
  gBS = &BootServices;
  gRT = &RuntimeServices;
}

FakeFirmware::~FakeFirmware() {
  for (EVENT* Event : Events) delete Event;
  for (auto& [Buffer, Allocation] : Live) std::free(Buffer);
  gST = nullptr;
  gBS = nullptr;
  gRT = nullptr;
  Instance = nullptr;
}

VOID FakeFirmware::SyncConfigurationTable() {
  SystemTable.NumberOfTableEntries = ConfigurationTable.size();
  SystemTable.ConfigurationTable = ConfigurationTable.data();
}
