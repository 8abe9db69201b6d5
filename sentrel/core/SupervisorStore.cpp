// Supervisor password store.
#include "sentrel/core/SupervisorStore.h"

#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/PasswordText.h"
#include "sentrel/core/SentrelProtocol.h"
#include "support/Library.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"

namespace {

// The variable's attributes: non-volatile, boot-service and runtime access.
constexpr UINT32 kStoreAttributes =
    EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
// Salted message: digest bytes 0..6, then the salt.
constexpr UINTN kDigestPrefix = 7;
constexpr UINTN kMessageSize = 17;

CHAR16* StoreName() {
  static CHAR16 Name[] = u"Z18Svp";
  return Name;
}

EFI_GUID* StoreGuid() {
  static EFI_GUID Guid = SUPERVISOR_PASSWORD_VARIABLE_GUID;
  return &Guid;
}

// Reads the stored hash into Stored (16 bytes); any error means no password.
EFI_STATUS ReadStoredHash(UINT8* Stored) {
  UINTN Size = SUPERVISOR_HASH_SIZE;
  return gRT->GetVariable(StoreName(), StoreGuid(), NULL, &Size, Stored);
}

// Block, digest and salted hash of a typed password into Hash (16 bytes).
EFI_STATUS HashOfPassword(const CHAR16* Password, UINT8* Hash) {
  PoolBuffer Digest(PASSWORD_DIGEST_SIZE, PoolWipeOnFree);
  if (Digest.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = DigestOfPassword(Password, Digest.As<UINT8>());
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return SupervisorPasswordHash(Digest.As<UINT8>(), Hash);
}

}  // namespace

EFI_STATUS SupervisorPasswordHash(const UINT8* Digest, UINT8* Hash) {
  return SaltedPasswordHash(Digest, kDigestPrefix, kMessageSize, Hash, SUPERVISOR_HASH_SIZE);
}

BOOLEAN IsSupervisorPasswordSet() {
  PoolBuffer Stored(SUPERVISOR_HASH_SIZE, PoolWipeOnFree);
  if (Stored.IsNull()) {
    return FALSE;
  }
  // A variable larger than the hash does not fit and counts as no password.
  return ReadStoredHash(Stored.As<UINT8>()) == EFI_SUCCESS;
}

EFI_STATUS SetSupervisorPassword(const CHAR16* Password) {
  if (Password == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (IsPasswordEmpty(Password)) {
    return gRT->SetVariable(StoreName(), StoreGuid(), kStoreAttributes, 0, NULL);
  }
  PoolBuffer Hash(SUPERVISOR_HASH_SIZE, PoolWipeOnFree);
  if (Hash.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = HashOfPassword(Password, Hash.As<UINT8>());
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return gRT->SetVariable(StoreName(), StoreGuid(), kStoreAttributes, SUPERVISOR_HASH_SIZE, Hash.Get());
}

BOOLEAN VerifySupervisorPassword(const CHAR16* Password) {
  if (Password == NULL) {
    return FALSE;
  }
  PoolBuffer Hash(SUPERVISOR_HASH_SIZE, PoolWipeOnFree);
  PoolBuffer Stored(SUPERVISOR_HASH_SIZE, PoolWipeOnFree);
  if (Hash.IsNull() || Stored.IsNull()) {
    return FALSE;
  }
  if (EFI_ERROR(HashOfPassword(Password, Hash.As<UINT8>()))) {
    return FALSE;
  }
  if (EFI_ERROR(ReadStoredHash(Stored.As<UINT8>()))) {
    return FALSE;
  }
  return ConstantTimeEqual(Hash.Get(), Stored.Get(), SUPERVISOR_HASH_SIZE);
}
