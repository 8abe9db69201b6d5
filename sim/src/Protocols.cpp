// The handle and protocol database: installs, lookups and notification
// registrations, with the UEFI results for missing and duplicate protocols.
#include "sim/Protocols.h"

#include <algorithm>
#include <cstring>

#include "sim/Boot.h"
#include "sim/Guid.h"
#include "sim/StandardGuids.h"
#include "uefi/protocol/DevicePath.h"

namespace sim {

Protocols::Protocols(Boot& Owner) : Boot_(Owner) {}

EFI_HANDLE Protocols::NewHandle(std::string Name, bool Pinned) {
  Tokens_.push_back(HandleToken{Tokens_.size() + 1});
  HandleToken* Token = &Tokens_.back();
  Numbers_[Token] = Token->Number;
  Handles_[Token->Number] = HandleRecord{std::move(Name), Pinned, {}};
  return Token;
}

EFI_HANDLE Protocols::CreatePlatformHandle(std::string Name) { return NewHandle(std::move(Name), true); }

Protocols::HandleRecord* Protocols::Record(EFI_HANDLE Handle) {
  auto Number = Numbers_.find(Handle);
  if (Number == Numbers_.end()) return nullptr;
  auto Found = Handles_.find(Number->second);
  return Found == Handles_.end() ? nullptr : &Found->second;
}

const Protocols::HandleRecord* Protocols::Record(EFI_HANDLE Handle) const {
  return const_cast<Protocols*>(this)->Record(Handle);
}

bool Protocols::IsHandle(EFI_HANDLE Handle) const { return Record(Handle) != nullptr; }

std::uint64_t Protocols::HandleNumber(EFI_HANDLE Handle) const {
  auto Number = Numbers_.find(Handle);
  return Number == Numbers_.end() ? 0 : Number->second;
}

void Protocols::DropIfEmpty(EFI_HANDLE Handle) {
  auto Number = Numbers_.find(Handle);
  auto Found = Handles_.find(Number->second);
  if (!Found->second.Pinned && Found->second.Interfaces.empty()) {
    Handles_.erase(Found);
  }
}

const EFI_GUID* Protocols::InternGuid(const EFI_GUID& Guid) {
  for (const auto& Known : Guids_) {
    if (GuidEqual(Known, Guid)) return &Known;
  }
  Guids_.push_back(Guid);
  return &Guids_.back();
}

void Protocols::Notify(const EFI_GUID& Guid) {
  // Copied first: a notify function may register or close while we walk.
  std::vector<EFI_EVENT> ToSignal;
  for (const auto& Registration : Registrations_) {
    if (Registration.Active && GuidEqual(Registration.Guid, Guid)) ToSignal.push_back(Registration.Event);
  }
  for (EFI_EVENT Event : ToSignal) {
    if (Boot_.Events().Usable(Event, "protocol notification")) (void)Boot_.Events().Signal(Event);
  }
}

namespace {

nlohmann::json Describe(const Protocols& Database, EFI_HANDLE Handle, const EFI_GUID& Guid,
                        const std::string& Caller) {
  return {{"protocol", GuidLabel(Guid)}, {"handle", Database.HandleNumber(Handle)}, {"caller", Caller}};
}

}  // namespace

EFI_STATUS Protocols::Install(EFI_HANDLE* Handle, const EFI_GUID* Protocol, EFI_INTERFACE_TYPE Type,
                              VOID* Interface, const std::string& Caller) {
  if (Handle == nullptr || Protocol == nullptr || Type != EFI_NATIVE_INTERFACE) return EFI_INVALID_PARAMETER;
  EFI_HANDLE Target = *Handle;
  if (Target != nullptr) {
    HandleRecord* Existing = Record(Target);
    if (Existing == nullptr) return EFI_INVALID_PARAMETER;
    for (const auto& Entry : Existing->Interfaces) {
      if (GuidEqual(Entry.Guid, *Protocol)) {
        Boot_.Violate("protocol.duplicate",
                      GuidLabel(*Protocol) + " installed twice on handle " + std::to_string(HandleNumber(Target)),
                      Caller);
        return EFI_INVALID_PARAMETER;
      }
    }
  } else {
    Target = NewHandle({}, false);
  }
  Record(Target)->Interfaces.push_back(InterfaceEntry{*Protocol, Interface, Caller, NextStamp_++, {}});
  *Handle = Target;
  Boot_.Trace().Record("protocol.install", Describe(*this, Target, *Protocol, Caller));
  Notify(*Protocol);
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::Uninstall(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID* Interface,
                                const std::string& Caller) {
  HandleRecord* Target = Record(Handle);
  if (Target == nullptr || Protocol == nullptr) return EFI_INVALID_PARAMETER;
  auto Entry = std::find_if(Target->Interfaces.begin(), Target->Interfaces.end(),
                            [&](const InterfaceEntry& E) { return GuidEqual(E.Guid, *Protocol); });
  if (Entry == Target->Interfaces.end() || Entry->Interface != Interface) return EFI_NOT_FOUND;
  Target->Interfaces.erase(Entry);
  Boot_.Trace().Record("protocol.uninstall", Describe(*this, Handle, *Protocol, Caller));
  DropIfEmpty(Handle);
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::Reinstall(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID* OldInterface,
                                VOID* NewInterface, const std::string& Caller) {
  HandleRecord* Target = Record(Handle);
  if (Target == nullptr || Protocol == nullptr) return EFI_INVALID_PARAMETER;
  auto Entry = std::find_if(Target->Interfaces.begin(), Target->Interfaces.end(),
                            [&](const InterfaceEntry& E) { return GuidEqual(E.Guid, *Protocol); });
  if (Entry == Target->Interfaces.end() || Entry->Interface != OldInterface) return EFI_NOT_FOUND;
  Entry->Interface = NewInterface;
  Entry->Owner = Caller;
  Entry->Stamp = NextStamp_++;  // new again for every registration
  Boot_.Trace().Record("protocol.reinstall", Describe(*this, Handle, *Protocol, Caller));
  Notify(*Protocol);
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::InstallMultiple(EFI_HANDLE* Handle,
                                      const std::vector<std::pair<const EFI_GUID*, VOID*>>& Pairs,
                                      const std::string& Caller) {
  if (Handle == nullptr) return EFI_INVALID_PARAMETER;
  // Notifications wait until every interface is in place.
  EFI_TPL Old = Boot_.Events().RaiseTpl(std::max(Boot_.Events().CurrentTpl(), TPL_NOTIFY));
  EFI_HANDLE Original = *Handle;
  EFI_STATUS Status = EFI_SUCCESS;
  std::size_t Done = 0;
  for (; Done < Pairs.size(); Done++) {
    Status = Install(Handle, Pairs[Done].first, EFI_NATIVE_INTERFACE, Pairs[Done].second, Caller);
    if (EFI_ERROR(Status)) break;
  }
  if (EFI_ERROR(Status)) {
    while (Done-- > 0) {
      (void)Uninstall(*Handle, Pairs[Done].first, Pairs[Done].second, Caller);
    }
    *Handle = Original;
  }
  Boot_.Events().RestoreTpl(Old);
  return Status;
}

EFI_STATUS Protocols::UninstallMultiple(EFI_HANDLE Handle,
                                        const std::vector<std::pair<const EFI_GUID*, VOID*>>& Pairs,
                                        const std::string& Caller) {
  const HandleRecord* Target = Record(Handle);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  // All or nothing: every pair must be there before any goes.
  for (const auto& [Guid, Interface] : Pairs) {
    if (Guid == nullptr) return EFI_INVALID_PARAMETER;
    bool Present = std::any_of(Target->Interfaces.begin(), Target->Interfaces.end(), [&](const InterfaceEntry& E) {
      return GuidEqual(E.Guid, *Guid) && E.Interface == Interface;
    });
    if (!Present) return EFI_INVALID_PARAMETER;
  }
  for (const auto& [Guid, Interface] : Pairs) {
    (void)Uninstall(Handle, Guid, Interface, Caller);
  }
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::HandleProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID** Interface) const {
  if (Interface == nullptr) return EFI_INVALID_PARAMETER;
  *Interface = nullptr;
  const HandleRecord* Target = Record(Handle);
  if (Target == nullptr || Protocol == nullptr) return EFI_INVALID_PARAMETER;
  for (const auto& Entry : Target->Interfaces) {
    if (GuidEqual(Entry.Guid, *Protocol)) {
      *Interface = Entry.Interface;
      return EFI_SUCCESS;
    }
  }
  return EFI_UNSUPPORTED;
}

EFI_STATUS Protocols::OpenProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, VOID** Interface,
                                   EFI_HANDLE Agent, EFI_HANDLE Controller, UINT32 Attributes) {
  if (Protocol == nullptr) return EFI_INVALID_PARAMETER;
  if (Interface == nullptr && Attributes != kOpenTestProtocol) return EFI_INVALID_PARAMETER;
  HandleRecord* Target = Record(Handle);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  if (Attributes != kOpenByHandleProtocol && Attributes != kOpenGetProtocol && Attributes != kOpenTestProtocol) {
    // The driver model (by driver, exclusive, by child) is not modelled.
    bool Known = Attributes == kOpenByChildController || Attributes == kOpenByDriver ||
                 Attributes == kOpenExclusive || Attributes == (kOpenByDriver | kOpenExclusive);
    Boot_.Trace().Record("protocol.open.unmodelled", {{"protocol", GuidLabel(*Protocol)}, {"attributes", Attributes}});
    return Known ? EFI_UNSUPPORTED : EFI_INVALID_PARAMETER;
  }
  for (auto& Entry : Target->Interfaces) {
    if (!GuidEqual(Entry.Guid, *Protocol)) continue;
    if (Attributes != kOpenTestProtocol) {
      *Interface = Entry.Interface;
      Entry.Opens.push_back(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY{Agent, Controller, Attributes, 1});
    }
    return EFI_SUCCESS;
  }
  if (Interface != nullptr && Attributes != kOpenTestProtocol) *Interface = nullptr;
  return EFI_UNSUPPORTED;
}

EFI_STATUS Protocols::CloseProtocol(EFI_HANDLE Handle, const EFI_GUID* Protocol, EFI_HANDLE Agent,
                                    EFI_HANDLE Controller) {
  HandleRecord* Target = Record(Handle);
  if (Target == nullptr || Protocol == nullptr || !IsHandle(Agent)) return EFI_INVALID_PARAMETER;
  if (Controller != nullptr && !IsHandle(Controller)) return EFI_INVALID_PARAMETER;
  for (auto& Entry : Target->Interfaces) {
    if (!GuidEqual(Entry.Guid, *Protocol)) continue;
    auto Before = Entry.Opens.size();
    std::erase_if(Entry.Opens, [&](const EFI_OPEN_PROTOCOL_INFORMATION_ENTRY& Open) {
      return Open.AgentHandle == Agent && Open.ControllerHandle == Controller;
    });
    return Entry.Opens.size() != Before ? EFI_SUCCESS : EFI_NOT_FOUND;
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS Protocols::OpenInformation(EFI_HANDLE Handle, const EFI_GUID* Protocol,
                                      EFI_OPEN_PROTOCOL_INFORMATION_ENTRY** Entries, UINTN* Count,
                                      const std::string& Caller) {
  if (Entries == nullptr || Count == nullptr) return EFI_INVALID_PARAMETER;
  const HandleRecord* Target = Record(Handle);
  if (Target == nullptr || Protocol == nullptr) return EFI_INVALID_PARAMETER;
  for (const auto& Entry : Target->Interfaces) {
    if (!GuidEqual(Entry.Guid, *Protocol)) continue;
    VOID* Block = nullptr;
    // The caller owns the array.
    std::size_t Size = Entry.Opens.size() * sizeof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY);
    if (EFI_ERROR(Boot_.Memory().AllocatePool(EfiBootServicesData, Size, &Block, Caller))) {
      return EFI_OUT_OF_RESOURCES;
    }
    if (Size != 0) std::memcpy(Block, Entry.Opens.data(), Size);
    *Entries = static_cast<EFI_OPEN_PROTOCOL_INFORMATION_ENTRY*>(Block);
    *Count = Entry.Opens.size();
    return EFI_SUCCESS;
  }
  return EFI_NOT_FOUND;
}

namespace {

constexpr std::size_t kMaxDevicePathNodes = 256;

std::size_t NodeLength(const EFI_DEVICE_PATH_PROTOCOL* Node) {
  return (std::size_t)Node->Length[0] | ((std::size_t)Node->Length[1] << 8);
}

bool IsEnd(const EFI_DEVICE_PATH_PROTOCOL* Node) {
  return Node->Type == END_DEVICE_PATH_TYPE;
}

// The byte length of Path up to its first end node; 0 for a malformed path.
std::size_t PathLength(const EFI_DEVICE_PATH_PROTOCOL* Path) {
  std::size_t Length = 0;
  for (std::size_t Nodes = 0; Nodes < kMaxDevicePathNodes; Nodes++) {
    const auto* Node = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL*>(reinterpret_cast<const UINT8*>(Path) + Length);
    if (IsEnd(Node)) return Length;
    if (NodeLength(Node) < sizeof(EFI_DEVICE_PATH_PROTOCOL)) return 0;
    Length += NodeLength(Node);
  }
  return 0;
}

}  // namespace

EFI_STATUS Protocols::LocateDevicePath(const EFI_GUID* Protocol, EFI_DEVICE_PATH_PROTOCOL** Path,
                                       EFI_HANDLE* Device) {
  if (Protocol == nullptr || Path == nullptr || *Path == nullptr) return EFI_INVALID_PARAMETER;
  std::size_t Wanted = PathLength(*Path);
  EFI_HANDLE Best = nullptr;
  std::size_t BestLength = 0;
  bool Any = false;
  for (EFI_HANDLE Candidate : Search(ByProtocol, Protocol)) {
    auto* Own = static_cast<const EFI_DEVICE_PATH_PROTOCOL*>(Find(Candidate, EFI_DEVICE_PATH_PROTOCOL_GUID));
    if (Own == nullptr) continue;
    std::size_t Length = PathLength(Own);
    if (Length > Wanted || std::memcmp(Own, *Path, Length) != 0) continue;
    // A prefix must end on a node boundary of the path searched for.
    std::size_t Offset = 0;
    while (Offset < Length) {
      Offset += NodeLength(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL*>(reinterpret_cast<const UINT8*>(*Path) + Offset));
    }
    if (Offset != Length) continue;
    if (!Any || Length > BestLength) {
      Best = Candidate;
      BestLength = Length;
      Any = true;
    }
  }
  if (!Any) return EFI_NOT_FOUND;
  if (Device == nullptr) return EFI_INVALID_PARAMETER;
  *Device = Best;
  *Path = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(reinterpret_cast<UINT8*>(*Path) + BestLength);
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::RegisterNotify(const EFI_GUID* Protocol, EFI_EVENT Event, VOID** Registration) {
  if (Protocol == nullptr || Event == nullptr || Registration == nullptr) return EFI_INVALID_PARAMETER;
  if (!Boot_.Events().Usable(Event, "RegisterProtocolNotify")) return EFI_INVALID_PARAMETER;
  // Only interfaces installed from now on are new to this registration.
  Registrations_.push_back(RegistrationRecord{*Protocol, Event, NextStamp_ - 1, true});
  *Registration = &Registrations_.back();
  return EFI_SUCCESS;
}

void Protocols::ForgetEvent(EFI_EVENT Event) {
  for (auto& Registration : Registrations_) {
    if (Registration.Event == Event) Registration.Active = false;
  }
}

Protocols::RegistrationRecord* Protocols::FindRegistration(VOID* Key) {
  for (auto& Registration : Registrations_) {
    if (&Registration == Key) return Registration.Active ? &Registration : nullptr;
  }
  return nullptr;
}

std::optional<std::pair<EFI_HANDLE, Protocols::InterfaceEntry*>> Protocols::NextForRegistration(
    RegistrationRecord& Registration) {
  std::optional<std::pair<EFI_HANDLE, InterfaceEntry*>> Best;
  for (auto& [Number, Handle] : Handles_) {
    for (auto& Entry : Handle.Interfaces) {
      if (!GuidEqual(Entry.Guid, Registration.Guid) || Entry.Stamp <= Registration.LastStamp) continue;
      if (!Best || Entry.Stamp < Best->second->Stamp) Best.emplace(&Tokens_[Number - 1], &Entry);
    }
  }
  return Best;
}

std::vector<EFI_HANDLE> Protocols::Search(EFI_LOCATE_SEARCH_TYPE Kind, const EFI_GUID* Protocol) const {
  std::vector<std::pair<std::uint64_t, EFI_HANDLE>> Found;  // (order, handle)
  for (const auto& [Number, Handle] : Handles_) {
    EFI_HANDLE Value = const_cast<HandleToken*>(&Tokens_[Number - 1]);
    if (Kind == AllHandles) {
      if (!Handle.Interfaces.empty()) Found.emplace_back(Number, Value);
      continue;
    }
    for (const auto& Entry : Handle.Interfaces) {
      if (GuidEqual(Entry.Guid, *Protocol)) Found.emplace_back(Entry.Stamp, Value);
    }
  }
  std::sort(Found.begin(), Found.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
  std::vector<EFI_HANDLE> Handles;
  for (const auto& Item : Found) Handles.push_back(Item.second);
  return Handles;
}

std::vector<EFI_HANDLE> Protocols::HandlesWith(const EFI_GUID& Protocol) const { return Search(ByProtocol, &Protocol); }

VOID* Protocols::Find(EFI_HANDLE Handle, const EFI_GUID& Protocol) const {
  VOID* Interface = nullptr;
  return HandleProtocol(Handle, &Protocol, &Interface) == EFI_SUCCESS ? Interface : nullptr;
}

EFI_STATUS Protocols::LocateHandle(EFI_LOCATE_SEARCH_TYPE Kind, const EFI_GUID* Protocol, VOID* SearchKey,
                                   UINTN* BufferSize, EFI_HANDLE* Buffer) {
  if (BufferSize == nullptr || (*BufferSize > 0 && Buffer == nullptr)) return EFI_INVALID_PARAMETER;
  std::vector<EFI_HANDLE> Found;
  RegistrationRecord* Registration = nullptr;
  std::uint64_t Stamp = 0;
  switch (Kind) {
    case AllHandles:
      Found = Search(AllHandles, nullptr);
      break;
    case ByProtocol:
      if (Protocol == nullptr) return EFI_INVALID_PARAMETER;
      Found = Search(ByProtocol, Protocol);
      break;
    case ByRegisterNotify: {
      if (SearchKey == nullptr) return EFI_INVALID_PARAMETER;
      Registration = FindRegistration(SearchKey);
      auto Next = Registration != nullptr ? NextForRegistration(*Registration) : std::nullopt;
      if (Next) {
        Found.push_back(Next->first);  // one new handle per call
        Stamp = Next->second->Stamp;
      }
      break;
    }
    default:
      return EFI_INVALID_PARAMETER;
  }
  UINTN Needed = Found.size() * sizeof(EFI_HANDLE);
  UINTN Room = *BufferSize;
  *BufferSize = Needed;
  if (Found.empty()) return EFI_NOT_FOUND;
  if (Room < Needed) return EFI_BUFFER_TOO_SMALL;
  std::copy(Found.begin(), Found.end(), Buffer);
  if (Registration != nullptr) Registration->LastStamp = Stamp;
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE Kind, const EFI_GUID* Protocol, VOID* SearchKey,
                                         UINTN* Count, EFI_HANDLE** Buffer, const std::string& Caller) {
  if (Count == nullptr || Buffer == nullptr) return EFI_INVALID_PARAMETER;
  *Count = 0;
  *Buffer = nullptr;
  UINTN Size = 0;
  EFI_STATUS Status = EFI_SUCCESS;
  std::vector<EFI_HANDLE> Found;
  // Asks for the size first, then fills: a registration advances only once.
  Status = LocateHandle(Kind, Protocol, SearchKey, &Size, nullptr);
  if (Status != EFI_BUFFER_TOO_SMALL) return Status;
  VOID* Block = nullptr;
  // The caller owns the array and frees it.
  Status = Boot_.Memory().AllocatePool(EfiBootServicesData, Size, &Block, Caller);
  if (EFI_ERROR(Status)) return EFI_OUT_OF_RESOURCES;
  Status = LocateHandle(Kind, Protocol, SearchKey, &Size, static_cast<EFI_HANDLE*>(Block));
  if (EFI_ERROR(Status)) {
    (void)Boot_.Memory().FreePool(Block, Caller);
    return Status;
  }
  *Buffer = static_cast<EFI_HANDLE*>(Block);
  *Count = Size / sizeof(EFI_HANDLE);
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::LocateProtocol(const EFI_GUID* Protocol, VOID* Registration, VOID** Interface) {
  if (Interface == nullptr) return EFI_INVALID_PARAMETER;
  *Interface = nullptr;
  if (Protocol == nullptr) return EFI_INVALID_PARAMETER;
  if (Registration != nullptr) {
    RegistrationRecord* Watcher = FindRegistration(Registration);
    auto Next = Watcher != nullptr ? NextForRegistration(*Watcher) : std::nullopt;
    if (!Next) return EFI_NOT_FOUND;
    Watcher->LastStamp = Next->second->Stamp;
    *Interface = Next->second->Interface;
    return EFI_SUCCESS;
  }
  const InterfaceEntry* Oldest = nullptr;
  for (const auto& [Number, Handle] : Handles_) {
    for (const auto& Entry : Handle.Interfaces) {
      if (GuidEqual(Entry.Guid, *Protocol) && (Oldest == nullptr || Entry.Stamp < Oldest->Stamp)) Oldest = &Entry;
    }
  }
  if (Oldest == nullptr) return EFI_NOT_FOUND;
  *Interface = Oldest->Interface;
  return EFI_SUCCESS;
}

EFI_STATUS Protocols::ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID*** Buffer, UINTN* Count,
                                         const std::string& Caller) {
  if (Buffer == nullptr || Count == nullptr) return EFI_INVALID_PARAMETER;
  const HandleRecord* Target = Record(Handle);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  std::vector<const EFI_GUID*> Guids;
  for (const auto& Entry : Target->Interfaces) Guids.push_back(InternGuid(Entry.Guid));
  VOID* Block = nullptr;
  // The caller owns the array; the GUIDs it points to stay for the boot.
  if (EFI_ERROR(Boot_.Memory().AllocatePool(EfiBootServicesData, Guids.size() * sizeof(EFI_GUID*), &Block, Caller))) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (!Guids.empty()) std::memcpy(Block, Guids.data(), Guids.size() * sizeof(EFI_GUID*));
  *Buffer = static_cast<EFI_GUID**>(Block);
  *Count = Guids.size();
  return EFI_SUCCESS;
}

}  // namespace sim
