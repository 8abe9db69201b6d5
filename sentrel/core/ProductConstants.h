// Product constants of the password driver, chosen once. Stored hashes
// verify only under the same values, so they never change between builds.
#pragma once
#include "uefi/Base.h"

#define PASSWORD_SALT_SIZE 10u
#define DEFAULT_MASTER_PASSWORD_SIZE 32u

// Built into a caller's local buffer each time, so the constant never sits in
// writable pool.
inline VOID BuildPasswordSalt(UINT8 (&Salt)[PASSWORD_SALT_SIZE]) {
  constexpr UINT8 Value[PASSWORD_SALT_SIZE] = {0x5A, 0x31, 0x38, 0xC7, 0x0E, 0x94, 0x6B, 0xD2, 0x21, 0x7F};
  for (UINTN Index = 0; Index < PASSWORD_SALT_SIZE; Index++) {
    Salt[Index] = Value[Index];
  }
}

inline VOID BuildDefaultMasterPassword(UINT8 (&Password)[DEFAULT_MASTER_PASSWORD_SIZE]) {
  constexpr UINT8 Value[DEFAULT_MASTER_PASSWORD_SIZE] = {
      0x01, 0xE5, 0xCB, 0x2A, 0x46, 0xEB, 0xD9, 0x9B, 0xF0, 0xEA, 0x31, 0x4D, 0xFD, 0x8C, 0xE1, 0x80,
      0x9F, 0x81, 0x94, 0x04, 0xFB, 0x11, 0x0D, 0xA0, 0xC4, 0x01, 0x41, 0x63, 0x97, 0xCB, 0xD8, 0x12};
  for (UINTN Index = 0; Index < DEFAULT_MASTER_PASSWORD_SIZE; Index++) {
    Password[Index] = Value[Index];
  }
}
