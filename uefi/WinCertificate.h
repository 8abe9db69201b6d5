// Certificate headers that authenticated variables and firmware images carry
// in front of their signature data.
#pragma once
#include "uefi/Base.h"

#define WIN_CERT_REVISION 0x0200
#define WIN_CERT_TYPE_PKCS_SIGNED_DATA 0x0002
#define WIN_CERT_TYPE_EFI_PKCS115 0x0EF0
#define WIN_CERT_TYPE_EFI_GUID 0x0EF1

// Certificate types of WIN_CERTIFICATE_UEFI_GUID.
constexpr EFI_GUID EFI_CERT_TYPE_PKCS7_GUID =
    EFI_GUID_LITERAL(0x4AAFD29D, 0x68DF, 0x49EE, 0x8A, 0xA9, 0x34, 0x7D, 0x37, 0x56, 0x65, 0xA7);
constexpr EFI_GUID EFI_CERT_TYPE_RSA2048_SHA256_GUID =
    EFI_GUID_LITERAL(0xA7717414, 0xC616, 0x4977, 0x94, 0x20, 0x84, 0x47, 0x12, 0xA7, 0x35, 0xBF);

struct WIN_CERTIFICATE {
  // Length of the whole certificate, this header included.
  UINT32 dwLength;
  UINT16 wRevision;
  UINT16 wCertificateType;
};
static_assert(sizeof(WIN_CERTIFICATE) == 8);

// CertData runs to Hdr.dwLength; only its first byte is declared.
struct WIN_CERTIFICATE_UEFI_GUID {
  WIN_CERTIFICATE Hdr;
  EFI_GUID CertType;
  UINT8 CertData[1];
};
static_assert(__builtin_offsetof(WIN_CERTIFICATE_UEFI_GUID, CertType) == 8);
static_assert(__builtin_offsetof(WIN_CERTIFICATE_UEFI_GUID, CertData) == 24);
static_assert(sizeof(WIN_CERTIFICATE_UEFI_GUID) == 28);
