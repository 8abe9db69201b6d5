#include "sim/devices/HashService.h"

#include <openssl/sha.h>

#include <nlohmann/json.hpp>

#include "sim/Boot.h"
#include "sim/Guid.h"

namespace sim {
namespace {

bool IsSha256(const EFI_GUID* Algorithm) { return GuidEqual(*Algorithm, EFI_HASH_ALGORITHM_SHA256_GUID); }

EFI_STATUS EFIAPI GetHashSize(CONST EFI_HASH_PROTOCOL* This, CONST EFI_GUID* Algorithm, UINTN* HashSize) {
  if (This == nullptr || Algorithm == nullptr || HashSize == nullptr) return EFI_INVALID_PARAMETER;
  if (!IsSha256(Algorithm)) return EFI_UNSUPPORTED;
  *HashSize = SHA256_DIGEST_LENGTH;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI Hash(CONST EFI_HASH_PROTOCOL* This, CONST EFI_GUID* Algorithm, BOOLEAN Extend,
                       CONST UINT8* Message, UINT64 MessageSize, EFI_HASH_OUTPUT* Output) {
  if (This == nullptr || Algorithm == nullptr || Output == nullptr) return EFI_INVALID_PARAMETER;
  if (Message == nullptr && MessageSize != 0) return EFI_INVALID_PARAMETER;
  if (!IsSha256(Algorithm) || Extend) return EFI_UNSUPPORTED;
  if (Output->Sha256Hash == nullptr) return EFI_INVALID_PARAMETER;
  SHA256(Message, MessageSize, *Output->Sha256Hash);
  Boot::Current().Trace().Record("hash.sha256", {{"bytes", MessageSize}});
  return EFI_SUCCESS;
}

}  // namespace

HashService::HashService() {
  Protocol_.GetHashSize = GetHashSize;
  Protocol_.Hash = Hash;
}

void HashService::OnBootStart(Boot& Current) {
  EFI_HANDLE Handle = nullptr;
  EFI_STATUS Status = Current.Protocols().Install(&Handle, &EFI_HASH_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                                  &Protocol_, Name());
  (void)Status;
}

}  // namespace sim
