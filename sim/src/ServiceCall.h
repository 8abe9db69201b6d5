// What every service entry does first: find the boot the call reaches, find
// who called, and check the call against the standard's table of TPL
// restrictions.
#pragma once
#include <optional>
#include <string>

#include "sim/Boot.h"

namespace sim {

enum class Service {
  // Boot services.
  RaiseTPL, RestoreTPL, AllocatePages, FreePages, GetMemoryMap, AllocatePool, FreePool, CreateEvent, SetTimer,
  WaitForEvent, SignalEvent, CloseEvent, CheckEvent, InstallProtocolInterface, ReinstallProtocolInterface,
  UninstallProtocolInterface, HandleProtocol, RegisterProtocolNotify, LocateHandle, LocateDevicePath,
  InstallConfigurationTable, LoadImage, StartImage, Exit, UnloadImage, ExitBootServices, GetNextMonotonicCount,
  Stall, SetWatchdogTimer, ConnectController, DisconnectController, OpenProtocol, CloseProtocol,
  OpenProtocolInformation, ProtocolsPerHandle, LocateHandleBuffer, LocateProtocol,
  InstallMultipleProtocolInterfaces, UninstallMultipleProtocolInterfaces, CalculateCrc32, CopyMem, SetMem,
  CreateEventEx,
  // Runtime services.
  GetTime, SetTime, GetWakeupTime, SetWakeupTime, SetVirtualAddressMap, ConvertPointer, GetVariable,
  GetNextVariableName, SetVariable, GetNextHighMonotonicCount, ResetSystem, UpdateCapsule,
  QueryCapsuleCapabilities, QueryVariableInfo,
  // Console output protocol.
  ConsoleOutput,
};

const char* ServiceName(Service Which);

class ServiceCall {
 public:
  // ReturnAddress is the service entry's own return address: the caller.
  ServiceCall(Service Which, const void* ReturnAddress);

  sim::Boot& Current;
  const std::string& Caller();
  // Records a violation of this call, naming the service and the caller.
  void Violate(std::string Kind, std::string Detail);

 private:
  Service Which_;
  const void* ReturnAddress_;
  std::optional<std::string> Caller_;
};

}  // namespace sim
