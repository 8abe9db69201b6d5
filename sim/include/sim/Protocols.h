// The handle and protocol database of one boot, with protocol notification
// registrations.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uefi/SystemTable.h"

namespace sim {

class Boot;

class Protocols {
 public:
  explicit Protocols(Boot& Owner);
  Protocols(const Protocols&) = delete;
  Protocols& operator=(const Protocols&) = delete;

  // The boot services, with the caller resolved by the service entry.
  [[nodiscard]] EFI_STATUS Install(EFI_HANDLE* Handle, const EFI_GUID* Protocol, EFI_INTERFACE_TYPE Type,
                                   VOID* Interface, const std::string& Caller);
  [[nodiscard]] EFI_STATUS Uninstall(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID* Interface,
                                     const std::string& Caller);
  [[nodiscard]] EFI_STATUS Reinstall(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID* OldInterface,
                                     VOID* NewInterface, const std::string& Caller);
  // Installs (Uninstalls) every GUID/interface pair, all or nothing.
  [[nodiscard]] EFI_STATUS InstallMultiple(EFI_HANDLE* Handle,
                                           const std::vector<std::pair<const EFI_GUID*, VOID*>>& Pairs,
                                           const std::string& Caller);
  [[nodiscard]] EFI_STATUS UninstallMultiple(EFI_HANDLE Handle,
                                             const std::vector<std::pair<const EFI_GUID*, VOID*>>& Pairs,
                                             const std::string& Caller);
  [[nodiscard]] EFI_STATUS HandleProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID** Interface) const;
  [[nodiscard]] EFI_STATUS OpenProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID** Interface,
                                        EFI_HANDLE Agent, EFI_HANDLE Controller, UINT32 Attributes);
  [[nodiscard]] EFI_STATUS CloseProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, EFI_HANDLE Agent,
                                         EFI_HANDLE Controller);
  [[nodiscard]] EFI_STATUS OpenInformation(EFI_HANDLE Handle, const EFI_GUID* Protocol,
                                           EFI_OPEN_PROTOCOL_INFORMATION_ENTRY** Entries, UINTN* Count,
                                           const std::string& Caller);
  // The handle with Protocol whose device path is the longest prefix of
  // *Path; *Path moves past the part that matched.
  [[nodiscard]] EFI_STATUS LocateDevicePath(const EFI_GUID* Protocol, EFI_DEVICE_PATH_PROTOCOL** Path,
                                            EFI_HANDLE* Device);
  [[nodiscard]] EFI_STATUS RegisterNotify(const EFI_GUID* Protocol, EFI_EVENT Event, VOID** Registration);
  [[nodiscard]] EFI_STATUS LocateHandle(EFI_LOCATE_SEARCH_TYPE Search, const EFI_GUID* Protocol, VOID* SearchKey,
                                        UINTN* BufferSize, EFI_HANDLE* Buffer);
  [[nodiscard]] EFI_STATUS LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE Search, const EFI_GUID* Protocol,
                                              VOID* SearchKey, UINTN* Count, EFI_HANDLE** Buffer,
                                              const std::string& Caller);
  [[nodiscard]] EFI_STATUS LocateProtocol(const EFI_GUID* Protocol, VOID* Registration, VOID** Interface);
  [[nodiscard]] EFI_STATUS ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID*** Buffer, UINTN* Count,
                                              const std::string& Caller);

  // Platform side.
  // A handle that exists with or without protocols (console input before
  // the keyboard arrives).
  EFI_HANDLE CreatePlatformHandle(std::string Name);
  bool IsHandle(EFI_HANDLE Handle) const;
  std::vector<EFI_HANDLE> HandlesWith(const EFI_GUID& Protocol) const;
  VOID* Find(EFI_HANDLE Handle, const EFI_GUID& Protocol) const;
  // The number the trace uses for Handle (0 for no handle).
  std::uint64_t HandleNumber(EFI_HANDLE Handle) const;
  // Drops the registrations that signal Event (the event was closed).
  void ForgetEvent(EFI_EVENT Event);

 private:
  struct HandleToken {
    std::uint64_t Number;
  };
  struct InterfaceEntry {
    EFI_GUID Guid;
    VOID* Interface;
    std::string Owner;
    std::uint64_t Stamp;  // install order; a reinstall takes a new one
    std::vector<EFI_OPEN_PROTOCOL_INFORMATION_ENTRY> Opens;
  };
  struct HandleRecord {
    std::string Name;
    bool Pinned = false;
    std::vector<InterfaceEntry> Interfaces;
  };
  struct RegistrationRecord {
    EFI_GUID Guid;
    EFI_EVENT Event;
    std::uint64_t LastStamp;  // the newest interface this registration has seen
    bool Active = true;
  };

  HandleRecord* Record(EFI_HANDLE Handle);
  const HandleRecord* Record(EFI_HANDLE Handle) const;
  EFI_HANDLE NewHandle(std::string Name, bool Pinned);
  void DropIfEmpty(EFI_HANDLE Handle);
  void Notify(const EFI_GUID& Guid);
  // The oldest interface of Guid newer than the registration has seen.
  std::optional<std::pair<EFI_HANDLE, InterfaceEntry*>> NextForRegistration(RegistrationRecord& Registration);
  std::vector<EFI_HANDLE> Search(EFI_LOCATE_SEARCH_TYPE Search, const EFI_GUID* Protocol) const;
  RegistrationRecord* FindRegistration(VOID* Key);
  const EFI_GUID* InternGuid(const EFI_GUID& Guid);

  Boot& Boot_;
  std::uint64_t NextStamp_ = 1;
  std::deque<HandleToken> Tokens_;  // handle values stay unique for the boot
  std::map<const VOID*, std::uint64_t> Numbers_;
  std::map<std::uint64_t, HandleRecord> Handles_;  // live handles, in creation order
  std::deque<RegistrationRecord> Registrations_;
  std::deque<EFI_GUID> Guids_;  // stable GUID storage for ProtocolsPerHandle
};

}  // namespace sim
