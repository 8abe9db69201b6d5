// The EFI system table with the boot-services and runtime-services tables.
// Every slot is in the standard's order; the offsets are pinned because the
// drivers and the platform are built separately.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

struct EFI_SIMPLE_TEXT_INPUT_PROTOCOL;
struct EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL;
struct EFI_CAPSULE_HEADER;

struct EFI_TABLE_HEADER {
  UINT64 Signature;
  UINT32 Revision;
  UINT32 HeaderSize;
  UINT32 CRC32;
  UINT32 Reserved;
};
static_assert(sizeof(EFI_TABLE_HEADER) == 24);

#define EFI_SYSTEM_TABLE_SIGNATURE 0x5453595320494249ull    // "IBI SYST"
#define EFI_BOOT_SERVICES_SIGNATURE 0x56524553544f4f42ull   // "BOOTSERV"
#define EFI_RUNTIME_SERVICES_SIGNATURE 0x56524553544e5552ull  // "RUNTSERV"
#define EFI_2_100_SYSTEM_TABLE_REVISION ((2u << 16) | 100u)

struct EFI_BOOT_SERVICES {
  EFI_TABLE_HEADER Hdr;
  // Task priority.
  EFI_TPL(EFIAPI* RaiseTPL)(EFI_TPL NewTpl);
  VOID(EFIAPI* RestoreTPL)(EFI_TPL OldTpl);
  // Memory.
  EFI_STATUS(EFIAPI* AllocatePages)(EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages,
                                     EFI_PHYSICAL_ADDRESS* Memory);
  EFI_STATUS(EFIAPI* FreePages)(EFI_PHYSICAL_ADDRESS Memory, UINTN Pages);
  EFI_STATUS(EFIAPI* GetMemoryMap)(UINTN* MemoryMapSize, EFI_MEMORY_DESCRIPTOR* MemoryMap, UINTN* MapKey,
                                    UINTN* DescriptorSize, UINT32* DescriptorVersion);
  EFI_STATUS(EFIAPI* AllocatePool)(EFI_MEMORY_TYPE PoolType, UINTN Size, VOID** Buffer);
  EFI_STATUS(EFIAPI* FreePool)(VOID* Buffer);
  // Events and timers.
  EFI_STATUS(EFIAPI* CreateEvent)(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                                   VOID* NotifyContext, EFI_EVENT* Event);
  EFI_STATUS(EFIAPI* SetTimer)(EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime);
  EFI_STATUS(EFIAPI* WaitForEvent)(UINTN NumberOfEvents, EFI_EVENT* Event, UINTN* Index);
  EFI_STATUS(EFIAPI* SignalEvent)(EFI_EVENT Event);
  EFI_STATUS(EFIAPI* CloseEvent)(EFI_EVENT Event);
  EFI_STATUS(EFIAPI* CheckEvent)(EFI_EVENT Event);
  // Protocol handlers.
  EFI_STATUS(EFIAPI* InstallProtocolInterface)(EFI_HANDLE* Handle, EFI_GUID* Protocol,
                                                EFI_INTERFACE_TYPE InterfaceType, VOID* Interface);
  EFI_STATUS(EFIAPI* ReinstallProtocolInterface)(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID* OldInterface,
                                                  VOID* NewInterface);
  EFI_STATUS(EFIAPI* UninstallProtocolInterface)(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID* Interface);
  EFI_STATUS(EFIAPI* HandleProtocol)(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID** Interface);
  VOID* Reserved;
  EFI_STATUS(EFIAPI* RegisterProtocolNotify)(EFI_GUID* Protocol, EFI_EVENT Event, VOID** Registration);
  EFI_STATUS(EFIAPI* LocateHandle)(EFI_LOCATE_SEARCH_TYPE SearchType, EFI_GUID* Protocol, VOID* SearchKey,
                                    UINTN* BufferSize, EFI_HANDLE* Buffer);
  EFI_STATUS(EFIAPI* LocateDevicePath)(EFI_GUID* Protocol, EFI_DEVICE_PATH_PROTOCOL** DevicePath,
                                        EFI_HANDLE* Device);
  EFI_STATUS(EFIAPI* InstallConfigurationTable)(EFI_GUID* Guid, VOID* Table);
  // Images.
  EFI_STATUS(EFIAPI* LoadImage)(BOOLEAN BootPolicy, EFI_HANDLE ParentImageHandle,
                                 EFI_DEVICE_PATH_PROTOCOL* DevicePath, VOID* SourceBuffer, UINTN SourceSize,
                                 EFI_HANDLE* ImageHandle);
  EFI_STATUS(EFIAPI* StartImage)(EFI_HANDLE ImageHandle, UINTN* ExitDataSize, CHAR16** ExitData);
  EFI_STATUS(EFIAPI* Exit)(EFI_HANDLE ImageHandle, EFI_STATUS ExitStatus, UINTN ExitDataSize, CHAR16* ExitData);
  EFI_STATUS(EFIAPI* UnloadImage)(EFI_HANDLE ImageHandle);
  EFI_STATUS(EFIAPI* ExitBootServices)(EFI_HANDLE ImageHandle, UINTN MapKey);
  // Miscellaneous.
  EFI_STATUS(EFIAPI* GetNextMonotonicCount)(UINT64* Count);
  EFI_STATUS(EFIAPI* Stall)(UINTN Microseconds);
  EFI_STATUS(EFIAPI* SetWatchdogTimer)(UINTN Timeout, UINT64 WatchdogCode, UINTN DataSize, CHAR16* WatchdogData);
  // Driver support.
  EFI_STATUS(EFIAPI* ConnectController)(EFI_HANDLE ControllerHandle, EFI_HANDLE* DriverImageHandle,
                                         EFI_DEVICE_PATH_PROTOCOL* RemainingDevicePath, BOOLEAN Recursive);
  EFI_STATUS(EFIAPI* DisconnectController)(EFI_HANDLE ControllerHandle, EFI_HANDLE DriverImageHandle,
                                            EFI_HANDLE ChildHandle);
  // Open and close protocol.
  EFI_STATUS(EFIAPI* OpenProtocol)(EFI_HANDLE Handle, EFI_GUID* Protocol, VOID** Interface, EFI_HANDLE AgentHandle,
                                    EFI_HANDLE ControllerHandle, UINT32 Attributes);
  EFI_STATUS(EFIAPI* CloseProtocol)(EFI_HANDLE Handle, EFI_GUID* Protocol, EFI_HANDLE AgentHandle,
                                     EFI_HANDLE ControllerHandle);
  EFI_STATUS(EFIAPI* OpenProtocolInformation)(EFI_HANDLE Handle, EFI_GUID* Protocol,
                                               EFI_OPEN_PROTOCOL_INFORMATION_ENTRY** EntryBuffer,
                                               UINTN* EntryCount);
  // Library.
  EFI_STATUS(EFIAPI* ProtocolsPerHandle)(EFI_HANDLE Handle, EFI_GUID*** ProtocolBuffer, UINTN* ProtocolBufferCount);
  EFI_STATUS(EFIAPI* LocateHandleBuffer)(EFI_LOCATE_SEARCH_TYPE SearchType, EFI_GUID* Protocol, VOID* SearchKey,
                                          UINTN* NoHandles, EFI_HANDLE** Buffer);
  EFI_STATUS(EFIAPI* LocateProtocol)(EFI_GUID* Protocol, VOID* Registration, VOID** Interface);
  EFI_STATUS(EFIAPI* InstallMultipleProtocolInterfaces)(EFI_HANDLE* Handle, ...);
  EFI_STATUS(EFIAPI* UninstallMultipleProtocolInterfaces)(EFI_HANDLE Handle, ...);
  // 32-bit CRC.
  EFI_STATUS(EFIAPI* CalculateCrc32)(VOID* Data, UINTN DataSize, UINT32* Crc32);
  // Memory utilities.
  VOID(EFIAPI* CopyMem)(VOID* Destination, VOID* Source, UINTN Length);
  VOID(EFIAPI* SetMem)(VOID* Buffer, UINTN Size, UINT8 Value);
  EFI_STATUS(EFIAPI* CreateEventEx)(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                                     CONST VOID* NotifyContext, CONST EFI_GUID* EventGroup, EFI_EVENT* Event);
};
#define EFI_BS_SLOT(Member, Index) \
  static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, Member) == sizeof(EFI_TABLE_HEADER) + 8 * (Index))
EFI_BS_SLOT(RaiseTPL, 0);
EFI_BS_SLOT(RestoreTPL, 1);
EFI_BS_SLOT(AllocatePages, 2);
EFI_BS_SLOT(FreePages, 3);
EFI_BS_SLOT(GetMemoryMap, 4);
EFI_BS_SLOT(AllocatePool, 5);
EFI_BS_SLOT(FreePool, 6);
EFI_BS_SLOT(CreateEvent, 7);
EFI_BS_SLOT(SetTimer, 8);
EFI_BS_SLOT(WaitForEvent, 9);
EFI_BS_SLOT(SignalEvent, 10);
EFI_BS_SLOT(CloseEvent, 11);
EFI_BS_SLOT(CheckEvent, 12);
EFI_BS_SLOT(InstallProtocolInterface, 13);
EFI_BS_SLOT(ReinstallProtocolInterface, 14);
EFI_BS_SLOT(UninstallProtocolInterface, 15);
EFI_BS_SLOT(HandleProtocol, 16);
EFI_BS_SLOT(Reserved, 17);
EFI_BS_SLOT(RegisterProtocolNotify, 18);
EFI_BS_SLOT(LocateHandle, 19);
EFI_BS_SLOT(LocateDevicePath, 20);
EFI_BS_SLOT(InstallConfigurationTable, 21);
EFI_BS_SLOT(LoadImage, 22);
EFI_BS_SLOT(StartImage, 23);
EFI_BS_SLOT(Exit, 24);
EFI_BS_SLOT(UnloadImage, 25);
EFI_BS_SLOT(ExitBootServices, 26);
EFI_BS_SLOT(GetNextMonotonicCount, 27);
EFI_BS_SLOT(Stall, 28);
EFI_BS_SLOT(SetWatchdogTimer, 29);
EFI_BS_SLOT(ConnectController, 30);
EFI_BS_SLOT(DisconnectController, 31);
EFI_BS_SLOT(OpenProtocol, 32);
EFI_BS_SLOT(CloseProtocol, 33);
EFI_BS_SLOT(OpenProtocolInformation, 34);
EFI_BS_SLOT(ProtocolsPerHandle, 35);
EFI_BS_SLOT(LocateHandleBuffer, 36);
EFI_BS_SLOT(LocateProtocol, 37);
EFI_BS_SLOT(InstallMultipleProtocolInterfaces, 38);
EFI_BS_SLOT(UninstallMultipleProtocolInterfaces, 39);
EFI_BS_SLOT(CalculateCrc32, 40);
EFI_BS_SLOT(CopyMem, 41);
EFI_BS_SLOT(SetMem, 42);
EFI_BS_SLOT(CreateEventEx, 43);
#undef EFI_BS_SLOT
static_assert(sizeof(EFI_BOOT_SERVICES) == 376);

typedef VOID(EFIAPI* EFI_RESET_SYSTEM)(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize,
                                       VOID* ResetData);

struct EFI_RUNTIME_SERVICES {
  EFI_TABLE_HEADER Hdr;
  // Time.
  EFI_STATUS(EFIAPI* GetTime)(EFI_TIME* Time, EFI_TIME_CAPABILITIES* Capabilities);
  EFI_STATUS(EFIAPI* SetTime)(EFI_TIME* Time);
  EFI_STATUS(EFIAPI* GetWakeupTime)(BOOLEAN* Enabled, BOOLEAN* Pending, EFI_TIME* Time);
  EFI_STATUS(EFIAPI* SetWakeupTime)(BOOLEAN Enable, EFI_TIME* Time);
  // Virtual memory.
  EFI_STATUS(EFIAPI* SetVirtualAddressMap)(UINTN MemoryMapSize, UINTN DescriptorSize, UINT32 DescriptorVersion,
                                            EFI_MEMORY_DESCRIPTOR* VirtualMap);
  EFI_STATUS(EFIAPI* ConvertPointer)(UINTN DebugDisposition, VOID** Address);
  // Variables.
  EFI_STATUS(EFIAPI* GetVariable)(CHAR16* VariableName, EFI_GUID* VendorGuid, UINT32* Attributes, UINTN* DataSize,
                                   VOID* Data);
  EFI_STATUS(EFIAPI* GetNextVariableName)(UINTN* VariableNameSize, CHAR16* VariableName, EFI_GUID* VendorGuid);
  EFI_STATUS(EFIAPI* SetVariable)(CHAR16* VariableName, EFI_GUID* VendorGuid, UINT32 Attributes, UINTN DataSize,
                                   VOID* Data);
  // Miscellaneous.
  EFI_STATUS(EFIAPI* GetNextHighMonotonicCount)(UINT32* HighCount);
  EFI_RESET_SYSTEM ResetSystem;
  // Capsules.
  EFI_STATUS(EFIAPI* UpdateCapsule)(EFI_CAPSULE_HEADER** CapsuleHeaderArray, UINTN CapsuleCount,
                                     EFI_PHYSICAL_ADDRESS ScatterGatherList);
  EFI_STATUS(EFIAPI* QueryCapsuleCapabilities)(EFI_CAPSULE_HEADER** CapsuleHeaderArray, UINTN CapsuleCount,
                                                UINT64* MaximumCapsuleSize, EFI_RESET_TYPE* ResetType);
  // Variable store information.
  EFI_STATUS(EFIAPI* QueryVariableInfo)(UINT32 Attributes, UINT64* MaximumVariableStorageSize,
                                         UINT64* RemainingVariableStorageSize, UINT64* MaximumVariableSize);
};
#define EFI_RT_SLOT(Member, Index) \
  static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, Member) == sizeof(EFI_TABLE_HEADER) + 8 * (Index))
EFI_RT_SLOT(GetTime, 0);
EFI_RT_SLOT(SetTime, 1);
EFI_RT_SLOT(GetWakeupTime, 2);
EFI_RT_SLOT(SetWakeupTime, 3);
EFI_RT_SLOT(SetVirtualAddressMap, 4);
EFI_RT_SLOT(ConvertPointer, 5);
EFI_RT_SLOT(GetVariable, 6);
EFI_RT_SLOT(GetNextVariableName, 7);
EFI_RT_SLOT(SetVariable, 8);
EFI_RT_SLOT(GetNextHighMonotonicCount, 9);
EFI_RT_SLOT(ResetSystem, 10);
EFI_RT_SLOT(UpdateCapsule, 11);
EFI_RT_SLOT(QueryCapsuleCapabilities, 12);
EFI_RT_SLOT(QueryVariableInfo, 13);
#undef EFI_RT_SLOT
static_assert(sizeof(EFI_RUNTIME_SERVICES) == 136);

struct EFI_CONFIGURATION_TABLE {
  EFI_GUID VendorGuid;
  VOID* VendorTable;
};
static_assert(sizeof(EFI_CONFIGURATION_TABLE) == 24);

struct EFI_SYSTEM_TABLE {
  EFI_TABLE_HEADER Hdr;
  CHAR16* FirmwareVendor;
  UINT32 FirmwareRevision;
  EFI_HANDLE ConsoleInHandle;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL* ConIn;
  EFI_HANDLE ConsoleOutHandle;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* ConOut;
  EFI_HANDLE StandardErrorHandle;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* StdErr;
  EFI_RUNTIME_SERVICES* RuntimeServices;
  EFI_BOOT_SERVICES* BootServices;
  UINTN NumberOfTableEntries;
  EFI_CONFIGURATION_TABLE* ConfigurationTable;
};
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, FirmwareRevision) == 32);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConsoleInHandle) == 40);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConOut) == 64);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, RuntimeServices) == 88);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, BootServices) == 96);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConfigurationTable) == 112);
static_assert(sizeof(EFI_SYSTEM_TABLE) == 120);

typedef EFI_STATUS(EFIAPI* EFI_IMAGE_ENTRY_POINT)(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable);
