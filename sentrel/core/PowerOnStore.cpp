// Power-on password store in battery-backed CMOS.
#include "sentrel/core/PowerOnStore.h"

#include "sentrel/core/ModuleState.h"
#include "sentrel/core/PasswordDigest.h"
#include "sentrel/core/PasswordText.h"
#include "support/Cmos.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"

namespace {

constexpr UINT8 kBank0 = 0;
constexpr UINT8 kBank1 = 1;
// Hash bytes 0..6 at bank 0 0x38..0x3E, bytes 7..11 at bank 1 0x38..0x3C,
// the checksum at bank 0 0x3F.
constexpr UINT8 kHashOffset = 0x38;
constexpr UINTN kBank0HashBytes = 7;
constexpr UINT8 kChecksumOffset = 0x3F;
// Salted message: digest bytes 0..11, overwritten from byte 7 by the salt,
// then zero up to 22 bytes.
constexpr UINTN kMessageSize = 22;
constexpr UINTN kDigestBytesCopied = 12;

struct CMOS_LOCATION {
  UINT8 Bank;
  UINT8 Offset;
};

constexpr CMOS_LOCATION HashByteLocation(UINTN Index) {
  return Index < kBank0HashBytes ? CMOS_LOCATION{kBank0, (UINT8)(kHashOffset + Index)}
                                 : CMOS_LOCATION{kBank1, (UINT8)(kHashOffset + Index - kBank0HashBytes)};
}
static_assert(HashByteLocation(6).Bank == kBank0 && HashByteLocation(6).Offset == 0x3E);
static_assert(HashByteLocation(11).Bank == kBank1 && HashByteLocation(11).Offset == 0x3C);

// Block, digest and hash of a typed password; the digest stays in the
// caller's buffer for the verify path.
EFI_STATUS HashOfPassword(const CHAR16* Password, UINT8* Digest, UINT8* Hash) {
  EFI_STATUS Status = DigestOfPassword(Password, Digest);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return PowerOnPasswordHash(Digest, Hash);
}

}  // namespace

UINT8 ReadCmosBank(UINT8 Offset, UINT8 Bank) {
  if (Bank == kBank0) {
    return CmosRead(Offset);
  }
  if (Bank == kBank1) {
    return CmosReadAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, Offset);
  }
  return 0;
}

VOID WriteCmosBank(UINT8 Offset, UINT8 Value, UINT8 Bank) {
  if (Bank == kBank0) {
    CmosWrite(Offset, Value);
  } else if (Bank == kBank1) {
    CmosWriteAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, Offset, Value);
  }
}

UINT8 PowerOnChecksum(const UINT8* Hash) {
  UINT16 Sum = 0;
  for (UINTN Index = 0; Index < POWER_ON_HASH_SIZE; Index++) {
    Sum = (UINT16)(Sum + Hash[Index]);
  }
  return (UINT8)Sum;
}

EFI_STATUS PowerOnPasswordHash(const UINT8* Digest, UINT8* Hash) {
  return SaltedPasswordHash(Digest, kDigestBytesCopied, kMessageSize, Hash, POWER_ON_HASH_SIZE);
}

EFI_STATUS ReadPowerOnHash(UINT8* Hash) {
  for (UINTN Index = 0; Index < POWER_ON_HASH_SIZE; Index++) {
    CMOS_LOCATION At = HashByteLocation(Index);
    Hash[Index] = ReadCmosBank(At.Offset, At.Bank);
  }
  return EFI_SUCCESS;
}

EFI_STATUS WritePowerOnHash(const UINT8* Hash, UINTN Length) {
  UINT8 Bytes[POWER_ON_HASH_SIZE] = {};
  if (Hash != NULL && Length != 0) {
    MemCopy(Bytes, Hash, Length < POWER_ON_HASH_SIZE ? Length : POWER_ON_HASH_SIZE);
  }
  for (UINTN Index = 0; Index < POWER_ON_HASH_SIZE; Index++) {
    CMOS_LOCATION At = HashByteLocation(Index);
    WriteCmosBank(At.Offset, Bytes[Index], At.Bank);
  }
  WriteCmosBank(kChecksumOffset, PowerOnChecksum(Bytes), kBank0);
  SecureZero(Bytes, sizeof(Bytes));
  return EFI_SUCCESS;
}

BOOLEAN IsPowerOnPasswordSet() {
  PoolBuffer Stored(POWER_ON_HASH_SIZE, PoolWipeOnFree);
  if (Stored.IsNull()) {
    return FALSE;
  }
  (VOID) ReadPowerOnHash(Stored.As<UINT8>());
  BOOLEAN AnySet = FALSE;
  for (UINTN Index = 0; Index < POWER_ON_HASH_SIZE; Index++) {
    AnySet = (BOOLEAN)(AnySet | (Stored.As<UINT8>()[Index] != 0));
  }
  return (BOOLEAN)(AnySet && ReadCmosBank(kChecksumOffset, kBank0) == PowerOnChecksum(Stored.As<UINT8>()));
}

EFI_STATUS SetPowerOnPassword(const CHAR16* Password) {
  if (Password == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (IsPasswordEmpty(Password)) {
    return WritePowerOnHash(NULL, 0);
  }
  PoolBuffer Digest(PASSWORD_DIGEST_SIZE, PoolWipeOnFree);
  PoolBuffer Hash(POWER_ON_HASH_SIZE, PoolWipeOnFree);
  if (Digest.IsNull() || Hash.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS Status = HashOfPassword(Password, Digest.As<UINT8>(), Hash.As<UINT8>());
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return WritePowerOnHash(Hash.As<UINT8>(), POWER_ON_HASH_SIZE);
}

BOOLEAN VerifyPowerOnPassword(const CHAR16* Password) {
  if (Password == NULL) {
    return FALSE;
  }
  PoolBuffer Digest(PASSWORD_DIGEST_SIZE, PoolWipeOnFree);
  PoolBuffer Hash(POWER_ON_HASH_SIZE, PoolWipeOnFree);
  PoolBuffer Stored(POWER_ON_HASH_SIZE, PoolWipeOnFree);
  if (Digest.IsNull() || Hash.IsNull() || Stored.IsNull()) {
    return FALSE;
  }
  if (EFI_ERROR(HashOfPassword(Password, Digest.As<UINT8>(), Hash.As<UINT8>()))) {
    return FALSE;
  }
  (VOID) ReadPowerOnHash(Stored.As<UINT8>());
  if (!ConstantTimeEqual(Hash.Get(), Stored.Get(), POWER_ON_HASH_SIZE)) {
    return FALSE;
  }
  gSentrel.PowerOnDigestValid = TRUE;
  MemCopy(gSentrel.PowerOnDigest, Digest.Get(), PASSWORD_DIGEST_SIZE);
  return TRUE;
}
