// The platform's prompt feedback service: told of each change of the
// password prompt screens (an indicator light, a sound, a remote console).
// Its owner decides what to do with each event code.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID PROMPT_FEEDBACK_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x5270E158, 0x895E, 0x42F9, 0xBD, 0xFC, 0x43, 0x09, 0x05, 0xAE, 0xC5, 0xCD);

// Event codes of Notify.
#define PROMPT_FEEDBACK_PROMPT_SHOWN ((UINT8)11)
#define PROMPT_FEEDBACK_ACCEPTED ((UINT8)12)
#define PROMPT_FEEDBACK_REJECTED ((UINT8)13)
#define PROMPT_FEEDBACK_LOCKED_OUT ((UINT8)14)

struct PROMPT_FEEDBACK_PROTOCOL {
  // Belongs to the service's other clients.
  VOID* ServiceFunction0;
  // Takes the event code alone, without an interface pointer.
  VOID(EFIAPI* Notify)(UINT8 EventCode);
};
static_assert(__builtin_offsetof(PROMPT_FEEDBACK_PROTOCOL, Notify) == 8);
static_assert(sizeof(PROMPT_FEEDBACK_PROTOCOL) == 16);
