// How a typed password becomes the 16-byte digest that every stored or sent
// password value derives from, and the SHA-256 call all of them use.
#pragma once
#include "sentrel/core/SentrelProtocol.h"
#include "uefi/Base.h"

#define PASSWORD_BLOCK_SIZE 64u
// A typed password as the prompts hand it over: 64 UTF-16 units and the
// terminator.
#define PASSWORD_TEXT_BYTES ((MAX_PASSWORD_LENGTH + 1) * sizeof(CHAR16))
#define SHA256_SIZE 32u

// The lower-cased, one-byte-per-character form of a typed password. Always
// succeeds; at most the first 64 characters are taken.
[[nodiscard]] EFI_STATUS PasswordBlock(const CHAR16* Password, UINT8* Block);

// First 16 bytes of SHA-256 over the 64-byte block.
[[nodiscard]] EFI_STATUS PasswordDigest(const UINT8* Block, UINT8* Digest);

// SHA-256 of Message into the caller's 32-byte Output, through the platform's
// hash service located at entry.
[[nodiscard]] EFI_STATUS Sha256(const VOID* Message, UINTN MessageSize, UINT8* Output);

// The salted values stored for the system passwords: SHA-256 over a zeroed
// message of MessageSize bytes holding the first DigestBytes of the digest,
// then the salt written from byte 7 on (over any digest bytes there); the
// first HashSize bytes are kept.
[[nodiscard]] EFI_STATUS SaltedPasswordHash(const UINT8* Digest, UINTN DigestBytes, UINTN MessageSize, UINT8* Hash,
                                            UINTN HashSize);

// PasswordBlock then PasswordDigest of a typed password, in wiped pool
// buffers; the digest lands in the caller's 16 bytes.
[[nodiscard]] EFI_STATUS DigestOfPassword(const CHAR16* Password, UINT8* Digest);

// TRUE when a typed password has more characters than a block holds; reads
// no further than one character past the limit.
BOOLEAN PasswordTooLong(const CHAR16* Password);
