// The boot-services table: each entry checks the call, finds the caller and
// hands the work to the part of the boot that owns it.
#include <cstring>
#include <vector>

#include "ServiceCall.h"
#include "sim/SystemTables.h"

namespace sim {
namespace {

using Pairs = std::vector<std::pair<const EFI_GUID*, VOID*>>;

EFI_TPL EFIAPI RaiseTplEntry(EFI_TPL NewTpl) {
  ServiceCall Call(Service::RaiseTPL, __builtin_return_address(0));
  return Call.Current.Events().RaiseTpl(NewTpl);
}

VOID EFIAPI RestoreTplEntry(EFI_TPL OldTpl) {
  ServiceCall Call(Service::RestoreTPL, __builtin_return_address(0));
  Call.Current.Events().RestoreTpl(OldTpl);
}

EFI_STATUS EFIAPI AllocatePagesEntry(EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages,
                                     EFI_PHYSICAL_ADDRESS* Memory) {
  ServiceCall Call(Service::AllocatePages, __builtin_return_address(0));
  return Call.Current.Memory().AllocatePages(Type, MemoryType, Pages, Memory, Call.Caller());
}

EFI_STATUS EFIAPI FreePagesEntry(EFI_PHYSICAL_ADDRESS Memory, UINTN Pages) {
  ServiceCall Call(Service::FreePages, __builtin_return_address(0));
  return Call.Current.Memory().FreePages(Memory, Pages, Call.Caller());
}

EFI_STATUS EFIAPI GetMemoryMapEntry(UINTN* MapSize, EFI_MEMORY_DESCRIPTOR* Map, UINTN* MapKey,
                                    UINTN* DescriptorSize, UINT32* DescriptorVersion) {
  ServiceCall Call(Service::GetMemoryMap, __builtin_return_address(0));
  return Call.Current.Memory().GetMemoryMap(MapSize, Map, MapKey, DescriptorSize, DescriptorVersion);
}

EFI_STATUS EFIAPI AllocatePoolEntry(EFI_MEMORY_TYPE PoolType, UINTN Size, VOID** Buffer) {
  ServiceCall Call(Service::AllocatePool, __builtin_return_address(0));
  return Call.Current.Memory().AllocatePool(PoolType, Size, Buffer, Call.Caller());
}

EFI_STATUS EFIAPI FreePoolEntry(VOID* Buffer) {
  ServiceCall Call(Service::FreePool, __builtin_return_address(0));
  return Call.Current.Memory().FreePool(Buffer, Call.Caller());
}

EFI_STATUS EFIAPI CreateEventEntry(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                                   VOID* NotifyContext, EFI_EVENT* Event) {
  ServiceCall Call(Service::CreateEvent, __builtin_return_address(0));
  return Call.Current.Events().Create(Type, NotifyTpl, NotifyFunction, NotifyContext, nullptr, Event, Call.Caller());
}

EFI_STATUS EFIAPI SetTimerEntry(EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime) {
  ServiceCall Call(Service::SetTimer, __builtin_return_address(0));
  return Call.Current.Events().SetTimer(Event, Type, TriggerTime);
}

EFI_STATUS EFIAPI WaitForEventEntry(UINTN NumberOfEvents, EFI_EVENT* Event, UINTN* Index) {
  ServiceCall Call(Service::WaitForEvent, __builtin_return_address(0));
  return Call.Current.Events().Wait(NumberOfEvents, Event, Index);
}

EFI_STATUS EFIAPI SignalEventEntry(EFI_EVENT Event) {
  ServiceCall Call(Service::SignalEvent, __builtin_return_address(0));
  return Call.Current.Events().Signal(Event);
}

EFI_STATUS EFIAPI CloseEventEntry(EFI_EVENT Event) {
  ServiceCall Call(Service::CloseEvent, __builtin_return_address(0));
  return Call.Current.Events().Close(Event);
}

EFI_STATUS EFIAPI CheckEventEntry(EFI_EVENT Event) {
  ServiceCall Call(Service::CheckEvent, __builtin_return_address(0));
  return Call.Current.Events().Check(Event);
}

EFI_STATUS EFIAPI InstallProtocolInterfaceEntry(EFI_HANDLE* Handle, EFI_GUID* Protocol,
                                                EFI_INTERFACE_TYPE InterfaceType, VOID* Interface) {
  ServiceCall Call(Service::InstallProtocolInterface, __builtin_return_address(0));
  return Call.Current.Protocols().Install(Handle, Protocol, InterfaceType, Interface, Call.Caller());
}

EFI_STATUS EFIAPI ReinstallProtocolInterfaceEntry(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID* OldInterface,
                                                  VOID* NewInterface) {
  ServiceCall Call(Service::ReinstallProtocolInterface, __builtin_return_address(0));
  return Call.Current.Protocols().Reinstall(Handle, Protocol, OldInterface, NewInterface, Call.Caller());
}

EFI_STATUS EFIAPI UninstallProtocolInterfaceEntry(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID* Interface) {
  ServiceCall Call(Service::UninstallProtocolInterface, __builtin_return_address(0));
  return Call.Current.Protocols().Uninstall(Handle, Protocol, Interface, Call.Caller());
}

EFI_STATUS EFIAPI HandleProtocolEntry(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID** Interface) {
  ServiceCall Call(Service::HandleProtocol, __builtin_return_address(0));
  return Call.Current.Protocols().HandleProtocol(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI RegisterProtocolNotifyEntry(EFI_GUID* Protocol, EFI_EVENT Event, VOID** Registration) {
  ServiceCall Call(Service::RegisterProtocolNotify, __builtin_return_address(0));
  return Call.Current.Protocols().RegisterNotify(Protocol, Event, Registration);
}

EFI_STATUS EFIAPI LocateHandleEntry(EFI_LOCATE_SEARCH_TYPE SearchType, EFI_GUID* Protocol, VOID* SearchKey,
                                    UINTN* BufferSize, EFI_HANDLE* Buffer) {
  ServiceCall Call(Service::LocateHandle, __builtin_return_address(0));
  return Call.Current.Protocols().LocateHandle(SearchType, Protocol, SearchKey, BufferSize, Buffer);
}

EFI_STATUS EFIAPI LocateDevicePathEntry(EFI_GUID* Protocol, EFI_DEVICE_PATH_PROTOCOL** DevicePath,
                                        EFI_HANDLE* Device) {
  ServiceCall Call(Service::LocateDevicePath, __builtin_return_address(0));
  return Call.Current.Protocols().LocateDevicePath(Protocol, DevicePath, Device);
}

EFI_STATUS EFIAPI InstallConfigurationTableEntry(EFI_GUID* Guid, VOID* Table) {
  ServiceCall Call(Service::InstallConfigurationTable, __builtin_return_address(0));
  return Call.Current.Tables().InstallConfigurationTable(Guid, Table, Call.Caller());
}

// Images other than the drivers the platform dispatches are not provided.
EFI_STATUS Unprovided(ServiceCall& Call, const char* Name, EFI_STATUS Result) {
  Call.Current.Trace().Record("service.unprovided", {{"service", Name}, {"caller", Call.Caller()}});
  return Result;
}

EFI_STATUS EFIAPI LoadImageEntry(BOOLEAN BootPolicy, EFI_HANDLE ParentImageHandle, EFI_DEVICE_PATH_PROTOCOL* DevicePath,
                                 VOID* SourceBuffer, UINTN SourceSize, EFI_HANDLE* ImageHandle) {
  (void)BootPolicy, (void)ParentImageHandle, (void)DevicePath, (void)SourceBuffer, (void)SourceSize;
  ServiceCall Call(Service::LoadImage, __builtin_return_address(0));
  if (ImageHandle == nullptr) return EFI_INVALID_PARAMETER;
  return Unprovided(Call, "LoadImage", EFI_UNSUPPORTED);
}

EFI_STATUS EFIAPI StartImageEntry(EFI_HANDLE ImageHandle, UINTN* ExitDataSize, CHAR16** ExitData) {
  (void)ImageHandle, (void)ExitDataSize, (void)ExitData;
  ServiceCall Call(Service::StartImage, __builtin_return_address(0));
  // Only LoadImage makes a handle startable, and it loads nothing here.
  return Unprovided(Call, "StartImage", EFI_INVALID_PARAMETER);
}

EFI_STATUS EFIAPI ExitEntry(EFI_HANDLE ImageHandle, EFI_STATUS ExitStatus, UINTN ExitDataSize, CHAR16* ExitData) {
  (void)ImageHandle, (void)ExitStatus, (void)ExitDataSize, (void)ExitData;
  ServiceCall Call(Service::Exit, __builtin_return_address(0));
  return Unprovided(Call, "Exit", EFI_INVALID_PARAMETER);
}

EFI_STATUS EFIAPI UnloadImageEntry(EFI_HANDLE ImageHandle) {
  ServiceCall Call(Service::UnloadImage, __builtin_return_address(0));
  // The drivers install no unload routine.
  for (const auto& Image : Call.Current.Images()) {
    if (Image->Handle == ImageHandle) return EFI_UNSUPPORTED;
  }
  return EFI_INVALID_PARAMETER;
}

EFI_STATUS EFIAPI ExitBootServicesEntry(EFI_HANDLE ImageHandle, UINTN MapKey) {
  ServiceCall Call(Service::ExitBootServices, __builtin_return_address(0));
  (void)ImageHandle;
  // Only the key of the current memory map lets boot services end.
  if (MapKey != Call.Current.Memory().MapKey()) return EFI_INVALID_PARAMETER;
  Call.Current.ExitBootServices();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetNextMonotonicCountEntry(UINT64* Count) {
  ServiceCall Call(Service::GetNextMonotonicCount, __builtin_return_address(0));
  if (Count == nullptr) return EFI_INVALID_PARAMETER;
  *Count = Call.Current.NextMonotonicCount();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI StallEntry(UINTN Microseconds) {
  ServiceCall Call(Service::Stall, __builtin_return_address(0));
  Call.Current.Clock().AdvanceMicroseconds(Microseconds);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetWatchdogTimerEntry(UINTN Timeout, UINT64 WatchdogCode, UINTN DataSize, CHAR16* WatchdogData) {
  (void)DataSize, (void)WatchdogData;
  ServiceCall Call(Service::SetWatchdogTimer, __builtin_return_address(0));
  Call.Current.SetWatchdog(Timeout, WatchdogCode);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ConnectControllerEntry(EFI_HANDLE ControllerHandle, EFI_HANDLE* DriverImageHandle,
                                         EFI_DEVICE_PATH_PROTOCOL* RemainingDevicePath, BOOLEAN Recursive) {
  (void)DriverImageHandle, (void)RemainingDevicePath, (void)Recursive;
  ServiceCall Call(Service::ConnectController, __builtin_return_address(0));
  if (!Call.Current.Protocols().IsHandle(ControllerHandle)) return EFI_INVALID_PARAMETER;
  return EFI_NOT_FOUND;  // no driver of the driver model runs here
}

EFI_STATUS EFIAPI DisconnectControllerEntry(EFI_HANDLE ControllerHandle, EFI_HANDLE DriverImageHandle,
                                            EFI_HANDLE ChildHandle) {
  (void)DriverImageHandle, (void)ChildHandle;
  ServiceCall Call(Service::DisconnectController, __builtin_return_address(0));
  if (!Call.Current.Protocols().IsHandle(ControllerHandle)) return EFI_INVALID_PARAMETER;
  return EFI_SUCCESS;  // nothing is connected, so nothing is left to stop
}

EFI_STATUS EFIAPI OpenProtocolEntry(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID** Interface, EFI_HANDLE AgentHandle,
                                    EFI_HANDLE ControllerHandle, UINT32 Attributes) {
  ServiceCall Call(Service::OpenProtocol, __builtin_return_address(0));
  return Call.Current.Protocols().OpenProtocol(Handle, Protocol, Interface, AgentHandle, ControllerHandle,
                                               Attributes);
}

EFI_STATUS EFIAPI CloseProtocolEntry(EFI_HANDLE Handle, EFI_GUID* Protocol, EFI_HANDLE AgentHandle,
                                     EFI_HANDLE ControllerHandle) {
  ServiceCall Call(Service::CloseProtocol, __builtin_return_address(0));
  return Call.Current.Protocols().CloseProtocol(Handle, Protocol, AgentHandle, ControllerHandle);
}

EFI_STATUS EFIAPI OpenProtocolInformationEntry(EFI_HANDLE Handle, EFI_GUID* Protocol,
                                               EFI_OPEN_PROTOCOL_INFORMATION_ENTRY** EntryBuffer, UINTN* EntryCount) {
  ServiceCall Call(Service::OpenProtocolInformation, __builtin_return_address(0));
  return Call.Current.Protocols().OpenInformation(Handle, Protocol, EntryBuffer, EntryCount, Call.Caller());
}

EFI_STATUS EFIAPI ProtocolsPerHandleEntry(EFI_HANDLE Handle, EFI_GUID*** ProtocolBuffer, UINTN* ProtocolBufferCount) {
  ServiceCall Call(Service::ProtocolsPerHandle, __builtin_return_address(0));
  return Call.Current.Protocols().ProtocolsPerHandle(Handle, ProtocolBuffer, ProtocolBufferCount, Call.Caller());
}

EFI_STATUS EFIAPI LocateHandleBufferEntry(EFI_LOCATE_SEARCH_TYPE SearchType, EFI_GUID* Protocol, VOID* SearchKey,
                                          UINTN* NoHandles, EFI_HANDLE** Buffer) {
  ServiceCall Call(Service::LocateHandleBuffer, __builtin_return_address(0));
  return Call.Current.Protocols().LocateHandleBuffer(SearchType, Protocol, SearchKey, NoHandles, Buffer,
                                                     Call.Caller());
}

EFI_STATUS EFIAPI LocateProtocolEntry(EFI_GUID* Protocol, VOID* Registration, VOID** Interface) {
  ServiceCall Call(Service::LocateProtocol, __builtin_return_address(0));
  return Call.Current.Protocols().LocateProtocol(Protocol, Registration, Interface);
}

// GUID and interface pairs up to a NULL GUID, from a Microsoft-convention
// variable argument list.
Pairs ReadPairs(__builtin_ms_va_list& Arguments) {
  Pairs Found;
  for (;;) {
    auto* Guid = __builtin_va_arg(Arguments, EFI_GUID*);
    if (Guid == nullptr) break;
    auto* Interface = __builtin_va_arg(Arguments, VOID*);
    Found.emplace_back(Guid, Interface);
  }
  return Found;
}

EFI_STATUS EFIAPI InstallMultipleProtocolInterfacesEntry(EFI_HANDLE* Handle, ...) {
  ServiceCall Call(Service::InstallMultipleProtocolInterfaces, __builtin_return_address(0));
  __builtin_ms_va_list Arguments;
  __builtin_ms_va_start(Arguments, Handle);
  Pairs Found = ReadPairs(Arguments);
  __builtin_ms_va_end(Arguments);
  return Call.Current.Protocols().InstallMultiple(Handle, Found, Call.Caller());
}

EFI_STATUS EFIAPI UninstallMultipleProtocolInterfacesEntry(EFI_HANDLE Handle, ...) {
  ServiceCall Call(Service::UninstallMultipleProtocolInterfaces, __builtin_return_address(0));
  __builtin_ms_va_list Arguments;
  __builtin_ms_va_start(Arguments, Handle);
  Pairs Found = ReadPairs(Arguments);
  __builtin_ms_va_end(Arguments);
  return Call.Current.Protocols().UninstallMultiple(Handle, Found, Call.Caller());
}

EFI_STATUS EFIAPI CalculateCrc32Entry(VOID* Data, UINTN DataSize, UINT32* Crc32Out) {
  ServiceCall Call(Service::CalculateCrc32, __builtin_return_address(0));
  if (Data == nullptr || DataSize == 0 || Crc32Out == nullptr) return EFI_INVALID_PARAMETER;
  *Crc32Out = Crc32(Data, DataSize);
  return EFI_SUCCESS;
}

VOID EFIAPI CopyMemEntry(VOID* Destination, VOID* Source, UINTN Length) {
  ServiceCall Call(Service::CopyMem, __builtin_return_address(0));
  if (Length != 0) std::memmove(Destination, Source, Length);  // overlap allowed
}

VOID EFIAPI SetMemEntry(VOID* Buffer, UINTN Size, UINT8 Value) {
  ServiceCall Call(Service::SetMem, __builtin_return_address(0));
  if (Size != 0) std::memset(Buffer, Value, Size);
}

EFI_STATUS EFIAPI CreateEventExEntry(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                                     CONST VOID* NotifyContext, CONST EFI_GUID* EventGroup, EFI_EVENT* Event) {
  ServiceCall Call(Service::CreateEventEx, __builtin_return_address(0));
  return Call.Current.Events().Create(Type, NotifyTpl, NotifyFunction, NotifyContext, EventGroup, Event,
                                      Call.Caller());
}

}  // namespace

void FillBootServices(EFI_BOOT_SERVICES& Table) {
  Table.RaiseTPL = RaiseTplEntry;
  Table.RestoreTPL = RestoreTplEntry;
  Table.AllocatePages = AllocatePagesEntry;
  Table.FreePages = FreePagesEntry;
  Table.GetMemoryMap = GetMemoryMapEntry;
  Table.AllocatePool = AllocatePoolEntry;
  Table.FreePool = FreePoolEntry;
  Table.CreateEvent = CreateEventEntry;
  Table.SetTimer = SetTimerEntry;
  Table.WaitForEvent = WaitForEventEntry;
  Table.SignalEvent = SignalEventEntry;
  Table.CloseEvent = CloseEventEntry;
  Table.CheckEvent = CheckEventEntry;
  Table.InstallProtocolInterface = InstallProtocolInterfaceEntry;
  Table.ReinstallProtocolInterface = ReinstallProtocolInterfaceEntry;
  Table.UninstallProtocolInterface = UninstallProtocolInterfaceEntry;
  Table.HandleProtocol = HandleProtocolEntry;
  Table.Reserved = nullptr;
  Table.RegisterProtocolNotify = RegisterProtocolNotifyEntry;
  Table.LocateHandle = LocateHandleEntry;
  Table.LocateDevicePath = LocateDevicePathEntry;
  Table.InstallConfigurationTable = InstallConfigurationTableEntry;
  Table.LoadImage = LoadImageEntry;
  Table.StartImage = StartImageEntry;
  Table.Exit = ExitEntry;
  Table.UnloadImage = UnloadImageEntry;
  Table.ExitBootServices = ExitBootServicesEntry;
  Table.GetNextMonotonicCount = GetNextMonotonicCountEntry;
  Table.Stall = StallEntry;
  Table.SetWatchdogTimer = SetWatchdogTimerEntry;
  Table.ConnectController = ConnectControllerEntry;
  Table.DisconnectController = DisconnectControllerEntry;
  Table.OpenProtocol = OpenProtocolEntry;
  Table.CloseProtocol = CloseProtocolEntry;
  Table.OpenProtocolInformation = OpenProtocolInformationEntry;
  Table.ProtocolsPerHandle = ProtocolsPerHandleEntry;
  Table.LocateHandleBuffer = LocateHandleBufferEntry;
  Table.LocateProtocol = LocateProtocolEntry;
  Table.InstallMultipleProtocolInterfaces = InstallMultipleProtocolInterfacesEntry;
  Table.UninstallMultipleProtocolInterfaces = UninstallMultipleProtocolInterfacesEntry;
  Table.CalculateCrc32 = CalculateCrc32Entry;
  Table.CopyMem = CopyMemEntry;
  Table.SetMem = SetMemEntry;
  Table.CreateEventEx = CreateEventExEntry;
}

}  // namespace sim
