// The variable stores and the variable services over them.
#include "sim/Variables.h"

#include <algorithm>
#include <cstring>

#include "sim/Boot.h"
#include "sim/Trace.h"

namespace sim {
namespace {

constexpr UINT32 kAccess = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr UINT32 kEnhancedAuthenticatedAccess = 0x80;
constexpr UINT32 kAuthenticated = EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS |
                                  EFI_VARIABLE_TIME_BASED_AUTHENTICATED_WRITE_ACCESS | kEnhancedAuthenticatedAccess;
constexpr UINT32 kKnownAttributes = EFI_VARIABLE_NON_VOLATILE | kAccess | EFI_VARIABLE_HARDWARE_ERROR_RECORD |
                                    kAuthenticated | EFI_VARIABLE_APPEND_WRITE;

// The attribute checks shared by SetVariable and QueryVariableInfo.
EFI_STATUS CheckAttributes(UINT32 Attributes) {
  if ((Attributes & ~kKnownAttributes) != 0) return EFI_INVALID_PARAMETER;
  // Authenticated writes and hardware error records are not provided here.
  if ((Attributes & (kAuthenticated | EFI_VARIABLE_HARDWARE_ERROR_RECORD)) != 0) return EFI_UNSUPPORTED;
  if ((Attributes & EFI_VARIABLE_RUNTIME_ACCESS) != 0 && (Attributes & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0) {
    return EFI_INVALID_PARAMETER;
  }
  return EFI_SUCCESS;
}

}  // namespace

bool VariableStore::Key::operator<(const Key& Other) const {
  int Order = std::memcmp(&Guid, &Other.Guid, sizeof(EFI_GUID));
  return Order != 0 ? Order < 0 : Name < Other.Name;
}

const Variable* VariableStore::Get(const std::u16string& Name, const EFI_GUID& Guid) const {
  auto Found = Variables_.find(Key{Name, Guid});
  return Found == Variables_.end() ? nullptr : &Found->second;
}

void VariableStore::Put(const std::u16string& Name, const EFI_GUID& Guid, UINT32 Attributes,
                        std::vector<std::uint8_t> Data) {
  Variables_[Key{Name, Guid}] = Variable{Attributes, std::move(Data)};
}

bool VariableStore::Erase(const std::u16string& Name, const EFI_GUID& Guid) {
  return Variables_.erase(Key{Name, Guid}) != 0;
}

std::vector<std::pair<std::u16string, EFI_GUID>> VariableStore::Names() const {
  std::vector<std::pair<std::u16string, EFI_GUID>> All;
  for (const auto& [Where, Value] : Variables_) All.emplace_back(Where.Name, Where.Guid);
  return All;
}

std::size_t VariableStore::Cost(const std::u16string& Name, std::size_t DataSize) {
  return kHeaderSize + (Name.size() + 1) * sizeof(CHAR16) + DataSize;
}

std::size_t VariableStore::Used() const {
  std::size_t Total = 0;
  for (const auto& [Where, Value] : Variables_) Total += Cost(Where.Name, Value.Data.size());
  return Total;
}

Variables::Variables(Boot& Owner, VariableStore& NonVolatile, VariableStore& Volatile)
    : Boot_(Owner), NonVolatile_(NonVolatile), Volatile_(Volatile) {}

std::optional<std::u16string> Variables::ReadName(const CHAR16* Name, const char* Service) {
  for (std::size_t Length = 0; Length <= kMaxNameLength; Length++) {
    if (Name[Length] == 0) return std::u16string(Name, Length);
  }
  Boot_.Violate("variable.name-unterminated",
                std::string(Service) + " with a name of no terminator in " + std::to_string(kMaxNameLength) +
                    " characters");
  return std::nullopt;
}

VariableStore* Variables::Holder(const std::u16string& Name, const EFI_GUID& Guid) {
  if (NonVolatile_.Get(Name, Guid) != nullptr) return &NonVolatile_;
  if (Volatile_.Get(Name, Guid) != nullptr) return &Volatile_;
  return nullptr;
}

EFI_STATUS Variables::Get(const CHAR16* Name, const EFI_GUID* Guid, UINT32* Attributes, UINTN* DataSize,
                          VOID* Data) {
  if (Name == nullptr || Guid == nullptr || DataSize == nullptr) return EFI_INVALID_PARAMETER;
  auto Text = ReadName(Name, "GetVariable");
  if (!Text) return EFI_INVALID_PARAMETER;
  VariableStore* Store = Text->empty() ? nullptr : Holder(*Text, *Guid);
  if (Store == nullptr) return EFI_NOT_FOUND;
  const Variable* Found = Store->Get(*Text, *Guid);
  if (Attributes != nullptr) *Attributes = Found->Attributes;
  if (*DataSize < Found->Data.size()) {
    *DataSize = Found->Data.size();
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Data == nullptr) return EFI_INVALID_PARAMETER;
  std::memcpy(Data, Found->Data.data(), Found->Data.size());
  *DataSize = Found->Data.size();
  return EFI_SUCCESS;
}

EFI_STATUS Variables::GetNextName(UINTN* NameSize, CHAR16* Name, EFI_GUID* Guid) {
  if (NameSize == nullptr || Name == nullptr || Guid == nullptr) return EFI_INVALID_PARAMETER;
  // The name handed in must end within the buffer it sits in.
  std::size_t Room = *NameSize / sizeof(CHAR16);
  std::size_t Length = 0;
  while (Length < Room && Name[Length] != 0) Length++;
  if (Length == Room) return EFI_INVALID_PARAMETER;
  std::u16string Previous(Name, Length);

  auto All = NonVolatile_.Names();
  auto Volatile = Volatile_.Names();
  All.insert(All.end(), Volatile.begin(), Volatile.end());
  std::size_t Next = 0;
  if (!Previous.empty()) {
    auto Found = std::find_if(All.begin(), All.end(), [&](const auto& Entry) {
      return Entry.first == Previous && GuidEqual(Entry.second, *Guid);
    });
    if (Found == All.end()) return EFI_INVALID_PARAMETER;
    Next = (std::size_t)(Found - All.begin()) + 1;
  }
  if (Next >= All.size()) return EFI_NOT_FOUND;
  const auto& [NextName, NextGuid] = All[Next];
  UINTN Needed = (NextName.size() + 1) * sizeof(CHAR16);
  if (*NameSize < Needed) {
    *NameSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy(Name, NextName.c_str(), Needed);
  *Guid = NextGuid;
  *NameSize = Needed;
  return EFI_SUCCESS;
}

EFI_STATUS Variables::Set(const CHAR16* Name, const EFI_GUID* Guid, UINT32 Attributes, UINTN DataSize,
                          const VOID* Data, const std::string& Caller) {
  if (Name == nullptr || Guid == nullptr) return EFI_INVALID_PARAMETER;
  auto Text = ReadName(Name, "SetVariable");
  if (!Text || Text->empty()) return EFI_INVALID_PARAMETER;
  if (DataSize != 0 && Data == nullptr) return EFI_INVALID_PARAMETER;
  EFI_STATUS Status = CheckAttributes(Attributes);
  if (EFI_ERROR(Status)) return Status;

  bool Append = (Attributes & EFI_VARIABLE_APPEND_WRITE) != 0;
  UINT32 Stored = Attributes & ~EFI_VARIABLE_APPEND_WRITE;
  bool Delete = (Attributes & kAccess) == 0 || (DataSize == 0 && !Append);
  VariableStore* Store = Holder(*Text, *Guid);
  const Variable* Existing = Store != nullptr ? Store->Get(*Text, *Guid) : nullptr;
  // Rewriting with other attributes is refused, unless no access is given.
  if (Existing != nullptr && (Attributes & kAccess) != 0 && Stored != Existing->Attributes) {
    return EFI_INVALID_PARAMETER;
  }
  nlohmann::json Record{{"name", Utf8FromUcs2(*Text)}, {"guid", GuidToString(*Guid)}, {"caller", Caller}};
  if (Delete) {
    if (Existing == nullptr) return EFI_NOT_FOUND;
    Store->Erase(*Text, *Guid);
    Boot_.Trace().Record("variable.delete", Record);
    return EFI_SUCCESS;
  }
  if (Append && DataSize == 0) return EFI_SUCCESS;  // nothing to add

  VariableStore& Target = (Stored & EFI_VARIABLE_NON_VOLATILE) != 0 ? NonVolatile_ : Volatile_;
  // Sized before anything is copied: a driver's DataSize may be anything.
  std::size_t Kept = Append && Existing != nullptr ? Existing->Data.size() : 0;
  if (DataSize > Target.MaxVariableSize() ||
      VariableStore::Cost(*Text, Kept + DataSize) > Target.MaxVariableSize()) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<std::uint8_t> Value;
  if (Kept != 0) Value = Existing->Data;
  const auto* Bytes = static_cast<const std::uint8_t*>(Data);
  Value.insert(Value.end(), Bytes, Bytes + DataSize);

  std::size_t Freed = Existing != nullptr ? VariableStore::Cost(*Text, Existing->Data.size()) : 0;
  if (Target.Used() - Freed + VariableStore::Cost(*Text, Value.size()) > Target.Capacity()) {
    return EFI_OUT_OF_RESOURCES;
  }
  Record["attributes"] = Stored;
  Record["size"] = Value.size();
  Record["data"] = HexBytes(Value.data(), Value.size());
  Target.Put(*Text, *Guid, Stored, std::move(Value));
  Boot_.Trace().Record(Append ? "variable.append" : "variable.set", Record);
  return EFI_SUCCESS;
}

EFI_STATUS Variables::QueryInfo(UINT32 Attributes, UINT64* MaximumStorage, UINT64* RemainingStorage,
                                UINT64* MaximumVariableSize) {
  if (MaximumStorage == nullptr || RemainingStorage == nullptr || MaximumVariableSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if ((Attributes & kAccess) == 0) return EFI_INVALID_PARAMETER;
  EFI_STATUS Status = CheckAttributes(Attributes);
  if (EFI_ERROR(Status)) return Status;
  const VariableStore& Store = (Attributes & EFI_VARIABLE_NON_VOLATILE) != 0 ? NonVolatile_ : Volatile_;
  *MaximumStorage = Store.Capacity();
  *RemainingStorage = Store.Capacity() - std::min(Store.Used(), Store.Capacity());
  *MaximumVariableSize = Store.MaxVariableSize();
  return EFI_SUCCESS;
}

}  // namespace sim
