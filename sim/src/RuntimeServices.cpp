// The runtime-services table: time, variables, reset. The rest of the
// table is not provided by this platform and answers EFI_UNSUPPORTED.
#include "CivilTime.h"
#include "ServiceCall.h"
#include "sim/Machine.h"
#include "sim/SystemTables.h"

namespace sim {
namespace {

constexpr UINT32 kClockResolution = 1;             // counts per second of the real-time clock
constexpr UINT32 kClockAccuracy = 50'000'000;      // 50 parts per million, in units of 1e-6 ppm

EFI_STATUS EFIAPI GetTimeEntry(EFI_TIME* Time, EFI_TIME_CAPABILITIES* Capabilities) {
  ServiceCall Call(Service::GetTime, __builtin_return_address(0));
  if (Time == nullptr) return EFI_INVALID_PARAMETER;
  Machine& Owner = Call.Current.Machine();
  *Time = AddTicks(Owner.Config().StartTime, Owner.ElapsedBeforeBoot() + Call.Current.Clock().Now());
  if (Capabilities != nullptr) *Capabilities = EFI_TIME_CAPABILITIES{kClockResolution, kClockAccuracy, FALSE};
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetTimeEntry(EFI_TIME* Time) {
  (void)Time;
  ServiceCall Call(Service::SetTime, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI GetWakeupTimeEntry(BOOLEAN* Enabled, BOOLEAN* Pending, EFI_TIME* Time) {
  (void)Enabled, (void)Pending, (void)Time;
  ServiceCall Call(Service::GetWakeupTime, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI SetWakeupTimeEntry(BOOLEAN Enable, EFI_TIME* Time) {
  (void)Enable, (void)Time;
  ServiceCall Call(Service::SetWakeupTime, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI SetVirtualAddressMapEntry(UINTN MemoryMapSize, UINTN DescriptorSize, UINT32 DescriptorVersion,
                                            EFI_MEMORY_DESCRIPTOR* VirtualMap) {
  (void)MemoryMapSize, (void)DescriptorSize, (void)DescriptorVersion, (void)VirtualMap;
  ServiceCall Call(Service::SetVirtualAddressMap, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI ConvertPointerEntry(UINTN DebugDisposition, VOID** Address) {
  (void)DebugDisposition, (void)Address;
  ServiceCall Call(Service::ConvertPointer, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI GetVariableEntry(CHAR16* VariableName, EFI_GUID* VendorGuid, UINT32* Attributes, UINTN* DataSize,
                                   VOID* Data) {
  ServiceCall Call(Service::GetVariable, __builtin_return_address(0));
  return Call.Current.Variables().Get(VariableName, VendorGuid, Attributes, DataSize, Data);
}

EFI_STATUS EFIAPI GetNextVariableNameEntry(UINTN* VariableNameSize, CHAR16* VariableName, EFI_GUID* VendorGuid) {
  ServiceCall Call(Service::GetNextVariableName, __builtin_return_address(0));
  return Call.Current.Variables().GetNextName(VariableNameSize, VariableName, VendorGuid);
}

EFI_STATUS EFIAPI SetVariableEntry(CHAR16* VariableName, EFI_GUID* VendorGuid, UINT32 Attributes, UINTN DataSize,
                                   VOID* Data) {
  ServiceCall Call(Service::SetVariable, __builtin_return_address(0));
  return Call.Current.Variables().Set(VariableName, VendorGuid, Attributes, DataSize, Data, Call.Caller());
}

EFI_STATUS EFIAPI GetNextHighMonotonicCountEntry(UINT32* HighCount) {
  ServiceCall Call(Service::GetNextHighMonotonicCount, __builtin_return_address(0));
  if (HighCount == nullptr) return EFI_INVALID_PARAMETER;
  *HighCount = Call.Current.NextHighMonotonicCount();
  return EFI_SUCCESS;
}

VOID EFIAPI ResetSystemEntry(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize, VOID* ResetData) {
  ServiceCall Call(Service::ResetSystem, __builtin_return_address(0));
  if (ResetType > EfiResetPlatformSpecific) {
    Call.Violate("reset.type", "reset of unknown type " + std::to_string(ResetType) + ", done as a cold reset");
    ResetType = EfiResetCold;
  }
  nlohmann::json Record = nlohmann::json::object();
  if (DataSize != 0 && ResetData != nullptr) Record["data"] = HexBytes(ResetData, DataSize);
  Call.Current.Reset(ResetType, ResetStatus, Call.Caller(), std::move(Record));
}

EFI_STATUS EFIAPI UpdateCapsuleEntry(EFI_CAPSULE_HEADER** CapsuleHeaderArray, UINTN CapsuleCount,
                                     EFI_PHYSICAL_ADDRESS ScatterGatherList) {
  (void)CapsuleHeaderArray, (void)CapsuleCount, (void)ScatterGatherList;
  ServiceCall Call(Service::UpdateCapsule, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI QueryCapsuleCapabilitiesEntry(EFI_CAPSULE_HEADER** CapsuleHeaderArray, UINTN CapsuleCount,
                                                UINT64* MaximumCapsuleSize, EFI_RESET_TYPE* ResetType) {
  (void)CapsuleHeaderArray, (void)CapsuleCount, (void)MaximumCapsuleSize, (void)ResetType;
  ServiceCall Call(Service::QueryCapsuleCapabilities, __builtin_return_address(0));
  return EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI QueryVariableInfoEntry(UINT32 Attributes, UINT64* MaximumVariableStorageSize,
                                         UINT64* RemainingVariableStorageSize, UINT64* MaximumVariableSize) {
  ServiceCall Call(Service::QueryVariableInfo, __builtin_return_address(0));
  return Call.Current.Variables().QueryInfo(Attributes, MaximumVariableStorageSize, RemainingVariableStorageSize,
                                            MaximumVariableSize);
}

}  // namespace

void FillRuntimeServices(EFI_RUNTIME_SERVICES& Table) {
  Table.GetTime = GetTimeEntry;
  Table.SetTime = SetTimeEntry;
  Table.GetWakeupTime = GetWakeupTimeEntry;
  Table.SetWakeupTime = SetWakeupTimeEntry;
  Table.SetVirtualAddressMap = SetVirtualAddressMapEntry;
  Table.ConvertPointer = ConvertPointerEntry;
  Table.GetVariable = GetVariableEntry;
  Table.GetNextVariableName = GetNextVariableNameEntry;
  Table.SetVariable = SetVariableEntry;
  Table.GetNextHighMonotonicCount = GetNextHighMonotonicCountEntry;
  Table.ResetSystem = ResetSystemEntry;
  Table.UpdateCapsule = UpdateCapsuleEntry;
  Table.QueryCapsuleCapabilities = QueryCapsuleCapabilitiesEntry;
  Table.QueryVariableInfo = QueryVariableInfoEntry;
}

}  // namespace sim
