// The PI configuration-token database protocol. Tokens are named by a 32-bit
// token number, in the default token space or, for the Ex forms, in the token
// space a GUID names.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_PCD_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x13A3F0F6, 0x264A, 0x3EF0, 0xF2, 0xE0, 0xDE, 0xC5, 0x12, 0x34, 0x2F, 0x34);

// Called after a watched token was set, with the token's new value.
typedef VOID(EFIAPI* EFI_PCD_PROTOCOL_CALLBACK)(CONST EFI_GUID* Guid, UINTN CallBackToken, VOID* TokenData,
                                                 UINTN TokenDataSize);

struct EFI_PCD_PROTOCOL {
  VOID(EFIAPI* SetSku)(UINTN SkuId);
  // Default token space.
  UINT8(EFIAPI* Get8)(UINTN TokenNumber);
  UINT16(EFIAPI* Get16)(UINTN TokenNumber);
  UINT32(EFIAPI* Get32)(UINTN TokenNumber);
  UINT64(EFIAPI* Get64)(UINTN TokenNumber);
  VOID*(EFIAPI* GetPtr)(UINTN TokenNumber);
  BOOLEAN(EFIAPI* GetBool)(UINTN TokenNumber);
  UINTN(EFIAPI* GetSize)(UINTN TokenNumber);
  // Named token space.
  UINT8(EFIAPI* Get8Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  UINT16(EFIAPI* Get16Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  UINT32(EFIAPI* Get32Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  UINT64(EFIAPI* Get64Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  VOID*(EFIAPI* GetPtrEx)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  BOOLEAN(EFIAPI* GetBoolEx)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  UINTN(EFIAPI* GetSizeEx)(CONST EFI_GUID* Guid, UINTN TokenNumber);
  // Default token space. SetPtr takes the value's size and, when the token
  // cannot hold it, returns its largest size there.
  EFI_STATUS(EFIAPI* Set8)(UINTN TokenNumber, UINT8 Value);
  EFI_STATUS(EFIAPI* Set16)(UINTN TokenNumber, UINT16 Value);
  EFI_STATUS(EFIAPI* Set32)(UINTN TokenNumber, UINT32 Value);
  EFI_STATUS(EFIAPI* Set64)(UINTN TokenNumber, UINT64 Value);
  EFI_STATUS(EFIAPI* SetPtr)(UINTN TokenNumber, UINTN* SizeOfValue, VOID* Buffer);
  EFI_STATUS(EFIAPI* SetBool)(UINTN TokenNumber, BOOLEAN Value);
  // Named token space.
  EFI_STATUS(EFIAPI* Set8Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber, UINT8 Value);
  EFI_STATUS(EFIAPI* Set16Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber, UINT16 Value);
  EFI_STATUS(EFIAPI* Set32Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber, UINT32 Value);
  EFI_STATUS(EFIAPI* Set64Ex)(CONST EFI_GUID* Guid, UINTN TokenNumber, UINT64 Value);
  EFI_STATUS(EFIAPI* SetPtrEx)(CONST EFI_GUID* Guid, UINTN TokenNumber, UINTN* SizeOfValue, VOID* Buffer);
  EFI_STATUS(EFIAPI* SetBoolEx)(CONST EFI_GUID* Guid, UINTN TokenNumber, BOOLEAN Value);
  // Watching tokens.
  EFI_STATUS(EFIAPI* CallbackOnSet)(CONST EFI_GUID* Guid, UINTN CallBackToken,
                                     EFI_PCD_PROTOCOL_CALLBACK CallBackFunction);
  EFI_STATUS(EFIAPI* CancelCallback)(CONST EFI_GUID* Guid, UINTN CallBackToken,
                                      EFI_PCD_PROTOCOL_CALLBACK CallBackFunction);
  // Walks: a token number of 0 starts a walk and comes back 0 at its end;
  // a NULL token-space GUID starts the walk over the spaces and ends it.
  EFI_STATUS(EFIAPI* GetNextToken)(CONST EFI_GUID* Guid, UINTN* TokenNumber);
  EFI_STATUS(EFIAPI* GetNextTokenSpace)(CONST EFI_GUID** Guid);
};
#define EFI_PCD_SLOT(Member, Index) static_assert(__builtin_offsetof(EFI_PCD_PROTOCOL, Member) == 8 * (Index))
EFI_PCD_SLOT(SetSku, 0);
EFI_PCD_SLOT(Get8, 1);
EFI_PCD_SLOT(Get16, 2);
EFI_PCD_SLOT(Get32, 3);
EFI_PCD_SLOT(Get64, 4);
EFI_PCD_SLOT(GetPtr, 5);
EFI_PCD_SLOT(GetBool, 6);
EFI_PCD_SLOT(GetSize, 7);
EFI_PCD_SLOT(Get8Ex, 8);
EFI_PCD_SLOT(Get16Ex, 9);
EFI_PCD_SLOT(Get32Ex, 10);
EFI_PCD_SLOT(Get64Ex, 11);
EFI_PCD_SLOT(GetPtrEx, 12);
EFI_PCD_SLOT(GetBoolEx, 13);
EFI_PCD_SLOT(GetSizeEx, 14);
EFI_PCD_SLOT(Set8, 15);
EFI_PCD_SLOT(Set16, 16);
EFI_PCD_SLOT(Set32, 17);
EFI_PCD_SLOT(Set64, 18);
EFI_PCD_SLOT(SetPtr, 19);
EFI_PCD_SLOT(SetBool, 20);
EFI_PCD_SLOT(Set8Ex, 21);
EFI_PCD_SLOT(Set16Ex, 22);
EFI_PCD_SLOT(Set32Ex, 23);
EFI_PCD_SLOT(Set64Ex, 24);
EFI_PCD_SLOT(SetPtrEx, 25);
EFI_PCD_SLOT(SetBoolEx, 26);
EFI_PCD_SLOT(CallbackOnSet, 27);
EFI_PCD_SLOT(CancelCallback, 28);
EFI_PCD_SLOT(GetNextToken, 29);
EFI_PCD_SLOT(GetNextTokenSpace, 30);
#undef EFI_PCD_SLOT
static_assert(sizeof(EFI_PCD_PROTOCOL) == 248);
