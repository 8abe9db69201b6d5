// The hash protocol and its algorithm GUIDs.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_HASH_SERVICE_BINDING_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x42881C98, 0xA4F3, 0x44B0, 0xA3, 0x9D, 0xDF, 0xA1, 0x86, 0x67, 0xD8, 0xCD);
constexpr EFI_GUID EFI_HASH_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xC5184932, 0xDBA5, 0x46DB, 0xA5, 0xBA, 0xCC, 0x0B, 0xDA, 0x9C, 0x14, 0x35);

constexpr EFI_GUID EFI_HASH_ALGORITHM_SHA1_GUID =
    EFI_GUID_LITERAL(0x2AE9D80F, 0x3FB2, 0x4095, 0xB7, 0xB1, 0xE9, 0x31, 0x57, 0xB9, 0x46, 0xB6);
constexpr EFI_GUID EFI_HASH_ALGORITHM_SHA224_GUID =
    EFI_GUID_LITERAL(0x8DF01A06, 0x9BD5, 0x4BF7, 0xB0, 0x21, 0xDB, 0x4F, 0xD9, 0xCC, 0xF4, 0x5B);
constexpr EFI_GUID EFI_HASH_ALGORITHM_SHA256_GUID =
    EFI_GUID_LITERAL(0x51AA59DE, 0xFDF2, 0x4EA3, 0xBC, 0x63, 0x87, 0x5F, 0xB7, 0x84, 0x2E, 0xE9);
constexpr EFI_GUID EFI_HASH_ALGORITHM_SHA384_GUID =
    EFI_GUID_LITERAL(0xEFA96432, 0xDE33, 0x4DD2, 0xAE, 0xE6, 0x32, 0x8C, 0x33, 0xDF, 0x77, 0x7A);
constexpr EFI_GUID EFI_HASH_ALGORITHM_SHA512_GUID =
    EFI_GUID_LITERAL(0xCAA4381E, 0x750C, 0x4770, 0xB8, 0x70, 0x7A, 0x23, 0xB4, 0xE4, 0x21, 0x30);

typedef UINT8 EFI_SHA1_HASH[20];
typedef UINT8 EFI_SHA224_HASH[28];
typedef UINT8 EFI_SHA256_HASH[32];
typedef UINT8 EFI_SHA384_HASH[48];
typedef UINT8 EFI_SHA512_HASH[64];

// Where the digest goes: a caller-provided buffer of the algorithm's size.
union EFI_HASH_OUTPUT {
  EFI_SHA1_HASH* Sha1Hash;
  EFI_SHA224_HASH* Sha224Hash;
  EFI_SHA256_HASH* Sha256Hash;
  EFI_SHA384_HASH* Sha384Hash;
  EFI_SHA512_HASH* Sha512Hash;
};
static_assert(sizeof(EFI_HASH_OUTPUT) == 8);

struct EFI_HASH_PROTOCOL {
  EFI_STATUS(EFIAPI* GetHashSize)(CONST EFI_HASH_PROTOCOL* This, CONST EFI_GUID* HashAlgorithm, UINTN* HashSize);
  // Extend FALSE hashes Message alone; TRUE continues from the digest in Hash.
  EFI_STATUS(EFIAPI* Hash)(CONST EFI_HASH_PROTOCOL* This, CONST EFI_GUID* HashAlgorithm, BOOLEAN Extend,
                            CONST UINT8* Message, UINT64 MessageSize, EFI_HASH_OUTPUT* Hash);
};
static_assert(__builtin_offsetof(EFI_HASH_PROTOCOL, Hash) == 8);
static_assert(sizeof(EFI_HASH_PROTOCOL) == 16);
