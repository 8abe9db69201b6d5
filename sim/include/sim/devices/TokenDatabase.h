// The platform's configuration-token database behind EFI_PCD_PROTOCOL. A test
// or scenario fills it with typed tokens (token-space GUID, token number,
// value); drivers read and set them. Tokens persist across boots, as the
// database of a flashed image would. GetNextToken walks a space in
// increasing token-number order.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/Component.h"
#include "sim/Guid.h"
#include "uefi/protocol/Pcd.h"

namespace sim {

class TokenDatabase : public Component {
 public:
  enum class Type { Bool, U8, U16, U32, U64, Pointer };

  TokenDatabase();
  std::string Name() const override { return "pcd"; }
  void OnBootStart(Boot& Current) override;

  // A NULL-GUID space (all zero) is the default token space.
  void SetBool(const EFI_GUID& Space, UINTN Token, bool Value);
  void Set16(const EFI_GUID& Space, UINTN Token, UINT16 Value);
  void Set32(const EFI_GUID& Space, UINTN Token, UINT32 Value);
  void Set64(const EFI_GUID& Space, UINTN Token, UINT64 Value);
  void SetBytes(const EFI_GUID& Space, UINTN Token, std::vector<UINT8> Bytes, std::size_t MaxSize = 0);
  void Remove(const EFI_GUID& Space, UINTN Token);

  struct Entry {
    Type Kind = Type::U64;
    UINT64 Value = 0;
    std::vector<UINT8> Bytes;  // pointer tokens: the value, kept at MaxSize capacity
    std::size_t Size = 0;      // current size of a pointer token
  };
  const Entry* Find(const EFI_GUID& Space, UINTN Token) const;

  // Service side (used by the protocol functions).
  Entry* Lookup(const EFI_GUID* Space, UINTN Token, const char* Access);
  EFI_STATUS NextToken(const EFI_GUID* Space, UINTN* Token) const;
  EFI_STATUS NextSpace(const EFI_GUID** Space) const;

 private:
  void Put(const EFI_GUID& Space, UINTN Token, Entry Value);

  std::map<EFI_GUID, std::map<UINTN, Entry>, GuidLess> Spaces_;
  EFI_PCD_PROTOCOL Protocol_{};
};

}  // namespace sim
