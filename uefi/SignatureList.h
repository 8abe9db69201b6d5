// Signature lists: the form of signature databases and of certificates handed
// to the image verification, with the common signature types.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_CERT_SHA1_GUID =
    EFI_GUID_LITERAL(0x826CA512, 0xCF10, 0x4AC9, 0xB1, 0x87, 0xBE, 0x01, 0x49, 0x66, 0x31, 0xBD);
constexpr EFI_GUID EFI_CERT_SHA224_GUID =
    EFI_GUID_LITERAL(0x0B6E5233, 0xA65C, 0x44C9, 0x94, 0x07, 0xD9, 0xAB, 0x83, 0xBF, 0xC8, 0xBD);
constexpr EFI_GUID EFI_CERT_SHA256_GUID =
    EFI_GUID_LITERAL(0xC1C41626, 0x504C, 0x4092, 0xAC, 0xA9, 0x41, 0xF9, 0x36, 0x93, 0x43, 0x28);
constexpr EFI_GUID EFI_CERT_SHA384_GUID =
    EFI_GUID_LITERAL(0xFF3E5307, 0x9FD0, 0x48C9, 0x85, 0xF1, 0x8A, 0xD5, 0x6C, 0x70, 0x1E, 0x01);
constexpr EFI_GUID EFI_CERT_SHA512_GUID =
    EFI_GUID_LITERAL(0x093E0FAE, 0xA6C4, 0x4F50, 0x9F, 0x1B, 0xD4, 0x1E, 0x2B, 0x89, 0xC1, 0x9A);
constexpr EFI_GUID EFI_CERT_RSA2048_GUID =
    EFI_GUID_LITERAL(0x3C5766E8, 0x269C, 0x4E34, 0xAA, 0x14, 0xED, 0x77, 0x6E, 0x85, 0xB3, 0xB6);
constexpr EFI_GUID EFI_CERT_RSA2048_SHA1_GUID =
    EFI_GUID_LITERAL(0x67F8444F, 0x8743, 0x48F1, 0xA3, 0x28, 0x1E, 0xAA, 0xB8, 0x73, 0x60, 0x80);
constexpr EFI_GUID EFI_CERT_RSA2048_SHA256_GUID =
    EFI_GUID_LITERAL(0xE2B36190, 0x879B, 0x4A3D, 0xAD, 0x8D, 0xF2, 0xE7, 0xBB, 0xA3, 0x27, 0x84);
constexpr EFI_GUID EFI_CERT_X509_GUID =
    EFI_GUID_LITERAL(0xA5C059A1, 0x94E4, 0x4AA7, 0x87, 0xB5, 0xAB, 0x15, 0x5C, 0x2B, 0xF0, 0x72);
constexpr EFI_GUID EFI_CERT_X509_SHA256_GUID =
    EFI_GUID_LITERAL(0x3BD2A492, 0x96C0, 0x4079, 0xB4, 0x20, 0xFC, 0xF9, 0x8E, 0xF1, 0x03, 0xED);
constexpr EFI_GUID EFI_CERT_X509_SHA384_GUID =
    EFI_GUID_LITERAL(0x7076876E, 0x80C2, 0x4EE6, 0xAA, 0xD2, 0x28, 0xB3, 0x49, 0xA6, 0x86, 0x5B);
constexpr EFI_GUID EFI_CERT_X509_SHA512_GUID =
    EFI_GUID_LITERAL(0x446DBF63, 0x2502, 0x4CDA, 0xBC, 0xFA, 0x24, 0x65, 0xD2, 0xB0, 0xFE, 0x9D);

// Lists sit back to back in variables at any alignment.
#pragma pack(push, 1)

// One signature: its owner, then SignatureSize - 16 bytes of signature.
struct EFI_SIGNATURE_DATA {
  EFI_GUID SignatureOwner;
  UINT8 SignatureData[1];
};
static_assert(__builtin_offsetof(EFI_SIGNATURE_DATA, SignatureData) == 16);
static_assert(sizeof(EFI_SIGNATURE_DATA) == 17);

// Followed by SignatureHeaderSize bytes of type-specific header and then
// EFI_SIGNATURE_DATA records of SignatureSize bytes each, to
// SignatureListSize bytes in all.
struct EFI_SIGNATURE_LIST {
  EFI_GUID SignatureType;
  UINT32 SignatureListSize;
  UINT32 SignatureHeaderSize;
  UINT32 SignatureSize;
};
static_assert(__builtin_offsetof(EFI_SIGNATURE_LIST, SignatureListSize) == 16);
static_assert(__builtin_offsetof(EFI_SIGNATURE_LIST, SignatureHeaderSize) == 20);
static_assert(__builtin_offsetof(EFI_SIGNATURE_LIST, SignatureSize) == 24);
static_assert(sizeof(EFI_SIGNATURE_LIST) == 28);

#pragma pack(pop)
