// Reading a typed password at a prompt screen: one dot per character, F1 for
// the master password of a drive, and a power-off after 60 seconds without a
// key.
#pragma once
#include "sentrel/core/PasswordDigest.h"

// Reads keys until Enter. *Text receives a zero-filled PASSWORD_TEXT_BYTES
// buffer with the typed characters; the caller releases it with
// FreePasswordText, also on failure once it is set. On entry *MasterToggle
// non-zero lets F1 switch a drive prompt to master-password entry; after a
// drive prompt it holds the final choice, after other prompts it is left as
// it was. Returns the status of the last time-out timer creation, or the
// failure to allocate the text (EFI_OUT_OF_RESOURCES, *Text untouched) or to
// find the keyboard (with an empty text).
[[nodiscard]] EFI_STATUS ReadPassword(CHAR16** Text, BOOLEAN* MasterToggle);

// Wipes and frees a text from ReadPassword; NULL is ignored.
VOID FreePasswordText(CHAR16* Text);

// Notify function of the time-out timer: powers the machine off.
VOID EFIAPI PromptTimeout(EFI_EVENT Event, VOID* Context);
