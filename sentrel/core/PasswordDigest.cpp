// Password block, digest and the SHA-256 call of the password driver.
#include "sentrel/core/PasswordDigest.h"

#include "sentrel/core/ModuleState.h"
#include "sentrel/core/ProductConstants.h"
#include "sentrel/core/SentrelProtocol.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"
#include "support/String.h"
#include "uefi/Status.h"

namespace {
constexpr UINT8 kUpperA = 0x41;
constexpr UINT8 kUpperZ = 0x5A;
constexpr UINT8 kCaseBit = 0x20;
// Where the salt starts in the salted messages of both system passwords.
constexpr UINTN kSaltOffset = 7;
}  // namespace

EFI_STATUS PasswordBlock(const CHAR16* Password, UINT8* Block) {
  for (UINTN Index = 0; Index < PASSWORD_BLOCK_SIZE; Index++) {
    Block[Index] = 0;
  }
  for (UINTN Index = 0; Index < PASSWORD_BLOCK_SIZE && Password[Index] != 0; Index++) {
    Block[Index] = (UINT8)Password[Index];
  }
  // Case-blind for ASCII letters, up to the first zero byte only.
  for (UINTN Index = 0; Index < PASSWORD_BLOCK_SIZE && Block[Index] != 0; Index++) {
    if (Block[Index] >= kUpperA && Block[Index] <= kUpperZ) {
      Block[Index] = (UINT8)(Block[Index] + kCaseBit);
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS Sha256(const VOID* Message, UINTN MessageSize, UINT8* Output) {
  if (gSentrel.Hash == NULL) {
    return EFI_NOT_READY;
  }
  EFI_HASH_OUTPUT HashOutput;
  HashOutput.Sha256Hash = (EFI_SHA256_HASH*)Output;
  return gSentrel.Hash->Hash(gSentrel.Hash, &EFI_HASH_ALGORITHM_SHA256_GUID, FALSE, (const UINT8*)Message,
                             MessageSize, &HashOutput);
}

EFI_STATUS PasswordDigest(const UINT8* Block, UINT8* Digest) {
  if (Block == NULL || Digest == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  PoolBuffer Work(SHA256_SIZE, PoolWipeOnFree);
  if (Work.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = Sha256(Block, PASSWORD_BLOCK_SIZE, Work.As<UINT8>());
  if (!EFI_ERROR(Status)) {
    for (UINTN Index = 0; Index < PASSWORD_DIGEST_SIZE; Index++) {
      Digest[Index] = Work.As<UINT8>()[Index];
    }
  }
  return Status;
}

EFI_STATUS SaltedPasswordHash(const UINT8* Digest, UINTN DigestBytes, UINTN MessageSize, UINT8* Hash,
                              UINTN HashSize) {
  if (Digest == NULL || Hash == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  PoolBuffer Message(MessageSize, PoolWipeOnFree);
  PoolBuffer Work(SHA256_SIZE, PoolWipeOnFree);
  if (Message.IsNull() || Work.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  UINT8 Salt[PASSWORD_SALT_SIZE];
  BuildPasswordSalt(Salt);
  MemCopy(Message.Get(), Digest, DigestBytes);
  MemCopy(Message.As<UINT8>() + kSaltOffset, Salt, PASSWORD_SALT_SIZE);
  SecureZero(Salt, sizeof(Salt));
  EFI_STATUS Status = Sha256(Message.Get(), MessageSize, Work.As<UINT8>());
  if (!EFI_ERROR(Status)) {
    MemCopy(Hash, Work.Get(), HashSize);
  }
  return Status;
}

EFI_STATUS DigestOfPassword(const CHAR16* Password, UINT8* Digest) {
  PoolBuffer Block(PASSWORD_BLOCK_SIZE, PoolWipeOnFree);
  if (Block.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  (VOID) PasswordBlock(Password, Block.As<UINT8>());
  return PasswordDigest(Block.As<UINT8>(), Digest);
}

BOOLEAN PasswordTooLong(const CHAR16* Password) {
  return WideLengthBounded(Password, MAX_PASSWORD_LENGTH + 1) > MAX_PASSWORD_LENGTH;
}
