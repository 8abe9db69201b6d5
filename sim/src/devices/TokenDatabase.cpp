#include "sim/devices/TokenDatabase.h"

#include <cstring>

#include <nlohmann/json.hpp>

#include "sim/Boot.h"
#include "sim/Machine.h"

namespace sim {
namespace {

constexpr EFI_GUID kDefaultSpace{};

TokenDatabase& Database() {
  auto Found = Boot::Current().Machine().FindComponent<TokenDatabase>();
  return *Found;
}

const EFI_GUID* SpaceOf(CONST EFI_GUID* Guid) { return Guid != nullptr ? Guid : &kDefaultSpace; }

UINT64 GetValue(CONST EFI_GUID* Guid, UINTN Token, const char* Access) {
  TokenDatabase::Entry* Found = Database().Lookup(SpaceOf(Guid), Token, Access);
  return Found != nullptr ? Found->Value : 0;
}

EFI_STATUS SetValue(CONST EFI_GUID* Guid, UINTN Token, UINT64 Value, TokenDatabase::Type Kind) {
  TokenDatabase::Entry* Found = Database().Lookup(SpaceOf(Guid), Token, "set");
  if (Found == nullptr) return EFI_NOT_FOUND;
  if (Found->Kind != Kind) return EFI_INVALID_PARAMETER;
  Found->Value = Value;
  Boot::Current().Trace().Record("pcd.set", {{"space", GuidLabel(*SpaceOf(Guid))}, {"token", Token}, {"value", Value}});
  return EFI_SUCCESS;
}

EFI_STATUS SetPointer(CONST EFI_GUID* Guid, UINTN Token, UINTN* Size, VOID* Buffer) {
  if (Size == nullptr || (Buffer == nullptr && *Size != 0)) return EFI_INVALID_PARAMETER;
  TokenDatabase::Entry* Found = Database().Lookup(SpaceOf(Guid), Token, "set");
  if (Found == nullptr) return EFI_NOT_FOUND;
  if (Found->Kind != TokenDatabase::Type::Pointer) return EFI_INVALID_PARAMETER;
  if (*Size > Found->Bytes.size()) {
    *Size = Found->Bytes.size();
    return EFI_INVALID_PARAMETER;
  }
  std::memcpy(Found->Bytes.data(), Buffer, *Size);
  Found->Size = *Size;
  Boot::Current().Trace().Record("pcd.set", {{"space", GuidLabel(*SpaceOf(Guid))}, {"token", Token}, {"bytes", *Size}});
  return EFI_SUCCESS;
}

VOID* GetPointer(CONST EFI_GUID* Guid, UINTN Token) {
  TokenDatabase::Entry* Found = Database().Lookup(SpaceOf(Guid), Token, "get");
  return Found != nullptr && Found->Kind == TokenDatabase::Type::Pointer ? Found->Bytes.data() : nullptr;
}

UINTN GetSize(CONST EFI_GUID* Guid, UINTN Token) {
  TokenDatabase::Entry* Found = Database().Lookup(SpaceOf(Guid), Token, "size");
  if (Found == nullptr) return 0;
  switch (Found->Kind) {
    case TokenDatabase::Type::Bool:
    case TokenDatabase::Type::U8:
      return 1;
    case TokenDatabase::Type::U16:
      return 2;
    case TokenDatabase::Type::U32:
      return 4;
    case TokenDatabase::Type::U64:
      return 8;
    case TokenDatabase::Type::Pointer:
      return Found->Size;
  }
  return 0;
}

// The protocol's functions: no This pointer, so they find the database of
// the running boot.
namespace Service {
VOID EFIAPI SetSku(UINTN) {}
UINT8 EFIAPI Get8(UINTN T) { return (UINT8)GetValue(nullptr, T, "get"); }
UINT16 EFIAPI Get16(UINTN T) { return (UINT16)GetValue(nullptr, T, "get"); }
UINT32 EFIAPI Get32(UINTN T) { return (UINT32)GetValue(nullptr, T, "get"); }
UINT64 EFIAPI Get64(UINTN T) { return GetValue(nullptr, T, "get"); }
VOID* EFIAPI GetPtr(UINTN T) { return GetPointer(nullptr, T); }
BOOLEAN EFIAPI GetBool(UINTN T) { return GetValue(nullptr, T, "get") != 0; }
UINTN EFIAPI GetSizeDefault(UINTN T) { return GetSize(nullptr, T); }
UINT8 EFIAPI Get8Ex(CONST EFI_GUID* G, UINTN T) { return (UINT8)GetValue(G, T, "get"); }
UINT16 EFIAPI Get16Ex(CONST EFI_GUID* G, UINTN T) { return (UINT16)GetValue(G, T, "get"); }
UINT32 EFIAPI Get32Ex(CONST EFI_GUID* G, UINTN T) { return (UINT32)GetValue(G, T, "get"); }
UINT64 EFIAPI Get64Ex(CONST EFI_GUID* G, UINTN T) { return GetValue(G, T, "get"); }
VOID* EFIAPI GetPtrEx(CONST EFI_GUID* G, UINTN T) { return GetPointer(G, T); }
BOOLEAN EFIAPI GetBoolEx(CONST EFI_GUID* G, UINTN T) { return GetValue(G, T, "get") != 0; }
UINTN EFIAPI GetSizeEx(CONST EFI_GUID* G, UINTN T) { return GetSize(G, T); }
EFI_STATUS EFIAPI Set8(UINTN T, UINT8 V) { return SetValue(nullptr, T, V, TokenDatabase::Type::U8); }
EFI_STATUS EFIAPI Set16(UINTN T, UINT16 V) { return SetValue(nullptr, T, V, TokenDatabase::Type::U16); }
EFI_STATUS EFIAPI Set32(UINTN T, UINT32 V) { return SetValue(nullptr, T, V, TokenDatabase::Type::U32); }
EFI_STATUS EFIAPI Set64(UINTN T, UINT64 V) { return SetValue(nullptr, T, V, TokenDatabase::Type::U64); }
EFI_STATUS EFIAPI SetPtr(UINTN T, UINTN* S, VOID* B) { return SetPointer(nullptr, T, S, B); }
EFI_STATUS EFIAPI SetBool(UINTN T, BOOLEAN V) { return SetValue(nullptr, T, V != 0, TokenDatabase::Type::Bool); }
EFI_STATUS EFIAPI Set8Ex(CONST EFI_GUID* G, UINTN T, UINT8 V) { return SetValue(G, T, V, TokenDatabase::Type::U8); }
EFI_STATUS EFIAPI Set16Ex(CONST EFI_GUID* G, UINTN T, UINT16 V) {
  return SetValue(G, T, V, TokenDatabase::Type::U16);
}
EFI_STATUS EFIAPI Set32Ex(CONST EFI_GUID* G, UINTN T, UINT32 V) {
  return SetValue(G, T, V, TokenDatabase::Type::U32);
}
EFI_STATUS EFIAPI Set64Ex(CONST EFI_GUID* G, UINTN T, UINT64 V) {
  return SetValue(G, T, V, TokenDatabase::Type::U64);
}
EFI_STATUS EFIAPI SetPtrEx(CONST EFI_GUID* G, UINTN T, UINTN* S, VOID* B) { return SetPointer(G, T, S, B); }
EFI_STATUS EFIAPI SetBoolEx(CONST EFI_GUID* G, UINTN T, BOOLEAN V) {
  return SetValue(G, T, V != 0, TokenDatabase::Type::Bool);
}
// Watching tokens is not offered by this database.
EFI_STATUS EFIAPI CallbackOnSet(CONST EFI_GUID*, UINTN, EFI_PCD_PROTOCOL_CALLBACK) { return EFI_UNSUPPORTED; }
EFI_STATUS EFIAPI CancelCallback(CONST EFI_GUID*, UINTN, EFI_PCD_PROTOCOL_CALLBACK) { return EFI_UNSUPPORTED; }
EFI_STATUS EFIAPI GetNextToken(CONST EFI_GUID* G, UINTN* T) { return Database().NextToken(SpaceOf(G), T); }
EFI_STATUS EFIAPI GetNextTokenSpace(CONST EFI_GUID** G) { return Database().NextSpace(G); }
}  // namespace Service

}  // namespace

TokenDatabase::TokenDatabase() {
  using namespace Service;
  Protocol_ = EFI_PCD_PROTOCOL{SetSku,   Get8,     Get16,     Get32,     Get64,         GetPtr,         GetBool,
                               GetSizeDefault, Get8Ex, Get16Ex, Get32Ex, Get64Ex,      GetPtrEx,       GetBoolEx,
                               GetSizeEx, Service::Set8, Service::Set16, Service::Set32, Service::Set64,
                               SetPtr,   Service::SetBool, Set8Ex, Set16Ex, Set32Ex,   Set64Ex,        SetPtrEx,
                               SetBoolEx, CallbackOnSet, CancelCallback, GetNextToken, GetNextTokenSpace};
}

void TokenDatabase::OnBootStart(Boot& Current) {
  EFI_HANDLE Handle = nullptr;
  EFI_STATUS Status =
      Current.Protocols().Install(&Handle, &EFI_PCD_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, &Protocol_, Name());
  (void)Status;
}

void TokenDatabase::Put(const EFI_GUID& Space, UINTN Token, Entry Value) { Spaces_[Space][Token] = std::move(Value); }

void TokenDatabase::SetBool(const EFI_GUID& Space, UINTN Token, bool Value) {
  Put(Space, Token, {Type::Bool, Value ? 1u : 0u, {}, 0});
}
void TokenDatabase::Set16(const EFI_GUID& Space, UINTN Token, UINT16 Value) { Put(Space, Token, {Type::U16, Value, {}, 0}); }
void TokenDatabase::Set32(const EFI_GUID& Space, UINTN Token, UINT32 Value) { Put(Space, Token, {Type::U32, Value, {}, 0}); }
void TokenDatabase::Set64(const EFI_GUID& Space, UINTN Token, UINT64 Value) { Put(Space, Token, {Type::U64, Value, {}, 0}); }

void TokenDatabase::SetBytes(const EFI_GUID& Space, UINTN Token, std::vector<UINT8> Bytes, std::size_t MaxSize) {
  std::size_t Size = Bytes.size();
  Bytes.resize(std::max(MaxSize, Size));
  Put(Space, Token, {Type::Pointer, 0, std::move(Bytes), Size});
}

void TokenDatabase::Remove(const EFI_GUID& Space, UINTN Token) {
  auto It = Spaces_.find(Space);
  if (It != Spaces_.end()) It->second.erase(Token);
}

const TokenDatabase::Entry* TokenDatabase::Find(const EFI_GUID& Space, UINTN Token) const {
  auto It = Spaces_.find(Space);
  if (It == Spaces_.end()) return nullptr;
  auto Found = It->second.find(Token);
  return Found == It->second.end() ? nullptr : &Found->second;
}

TokenDatabase::Entry* TokenDatabase::Lookup(const EFI_GUID* Space, UINTN Token, const char* Access) {
  auto* Found = const_cast<Entry*>(Find(*Space, Token));
  if (Found == nullptr) {
    // Reading a token the platform never defined is a build-configuration
    // fault of the platform; the value reads as zero.
    Boot::Current().Trace().Record("pcd.missing", {{"space", GuidLabel(*Space)}, {"token", Token}, {"access", Access}});
  }
  return Found;
}

EFI_STATUS TokenDatabase::NextToken(const EFI_GUID* Space, UINTN* Token) const {
  if (Token == nullptr) return EFI_INVALID_PARAMETER;
  auto It = Spaces_.find(*Space);
  if (It == Spaces_.end() || It->second.empty()) {
    *Token = 0;
    return EFI_NOT_FOUND;
  }
  const auto& Tokens = It->second;
  auto Next = *Token == 0 ? Tokens.begin() : Tokens.upper_bound(*Token);
  if (*Token != 0 && Tokens.find(*Token) == Tokens.end()) return EFI_NOT_FOUND;
  *Token = Next == Tokens.end() ? 0 : Next->first;
  return EFI_SUCCESS;
}

EFI_STATUS TokenDatabase::NextSpace(const EFI_GUID** Space) const {
  if (Space == nullptr) return EFI_INVALID_PARAMETER;
  auto Next = Spaces_.begin();
  if (*Space != nullptr) {
    auto Current = Spaces_.find(**Space);
    if (Current == Spaces_.end()) return EFI_NOT_FOUND;
    Next = std::next(Current);
  }
  // The default space is not part of the walk.
  while (Next != Spaces_.end() && GuidEqual(Next->first, kDefaultSpace)) ++Next;
  *Space = Next == Spaces_.end() ? nullptr : &Next->first;
  return EFI_SUCCESS;
}

}  // namespace sim
