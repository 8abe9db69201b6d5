// Memory, GUID and arithmetic routines.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "support/Arith.h"
#include "support/Memory.h"

namespace {

std::vector<UINT8> Sequence(size_t Length) {
  std::vector<UINT8> Bytes(Length);
  std::iota(Bytes.begin(), Bytes.end(), 1);
  return Bytes;
}

TEST(Memory, CopyHandlesOverlapBothWays) {
  // Shifts of every distance up and down over lengths around the word size,
  // checked against memmove.
  for (size_t Length : {1, 7, 8, 9, 16, 17, 40}) {
    for (size_t Shift : {1, 3, 8, 9}) {
      SCOPED_TRACE(testing::Message() << "length " << Length << " shift " << Shift);
      std::vector<UINT8> Up = Sequence(Length + Shift);
      std::vector<UINT8> Expected = Up;
      std::memmove(Expected.data() + Shift, Expected.data(), Length);
      EXPECT_EQ(MemCopy(Up.data() + Shift, Up.data(), Length), Up.data() + Shift);
      EXPECT_EQ(Up, Expected);

      std::vector<UINT8> Down = Sequence(Length + Shift);
      Expected = Down;
      std::memmove(Expected.data(), Expected.data() + Shift, Length);
      MemCopy(Down.data(), Down.data() + Shift, Length);
      EXPECT_EQ(Down, Expected);
    }
  }
  // Unaligned, disjoint, and length 0.
  std::vector<UINT8> Source = Sequence(23);
  std::vector<UINT8> Dest(24, 0);
  MemCopy(Dest.data() + 1, Source.data(), 23);
  EXPECT_EQ(std::vector<UINT8>(Dest.begin() + 1, Dest.end()), Source);
  EXPECT_EQ(Dest[0], 0);
  MemCopy(Dest.data(), Source.data(), 0);
  EXPECT_EQ(Dest[0], 0);
}

TEST(Memory, ZeroAndCompare) {
  std::vector<UINT8> Bytes = Sequence(21);
  EXPECT_EQ(MemZero(Bytes.data() + 1, 19), Bytes.data() + 1);
  EXPECT_EQ(Bytes[0], 1);
  EXPECT_EQ(Bytes[20], 21);
  for (size_t Index = 1; Index < 20; Index++) EXPECT_EQ(Bytes[Index], 0);

  const UINT8 A[] = {1, 2, 0x80, 4};
  const UINT8 B[] = {1, 2, 0x01, 9};
  EXPECT_EQ(MemCompare(A, B, 4), 0x80 - 0x01);  // bytes are unsigned
  EXPECT_EQ(MemCompare(B, A, 4), 0x01 - 0x80);
  EXPECT_EQ(MemCompare(A, B, 2), 0);
  EXPECT_EQ(MemCompare(A, B, 0), 0);
  EXPECT_EQ(MemCompare(A, A, 4), 0);
}

TEST(Memory, SecureZeroAndConstantTimeEqual) {
  UINT8 Secret[33];
  std::memset(Secret, 0xA5, sizeof(Secret));
  SecureZero(Secret, sizeof(Secret));
  for (UINT8 Byte : Secret) EXPECT_EQ(Byte, 0);

  const UINT8 A[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  UINT8 B[16];
  std::memcpy(B, A, sizeof(B));
  EXPECT_EQ(ConstantTimeEqual(A, B, sizeof(A)), TRUE);
  EXPECT_EQ(ConstantTimeEqual(A, B, 0), TRUE);
  for (size_t Index : {0, 7, 15}) {
    B[Index] ^= 0x40;
    EXPECT_EQ(ConstantTimeEqual(A, B, sizeof(A)), FALSE) << Index;
    B[Index] ^= 0x40;
  }
}

TEST(Memory, GuidEqualAndCopy) {
  const EFI_GUID A = EFI_GUID_LITERAL(0x13A3F0F6, 0x264A, 0x3EF0, 0xF2, 0xE0, 0xDE, 0xC5, 0x12, 0x34, 0x2F, 0x34);
  // A copy at an odd address compares equal; a change in either half does not.
  alignas(8) UINT8 Storage[17] = {};
  EFI_GUID* Copy = reinterpret_cast<EFI_GUID*>(Storage + 1);
  EXPECT_EQ(GuidCopy(Copy, &A), Copy);
  EXPECT_EQ(GuidEqual(Copy, &A), TRUE);
  EFI_GUID B = A;
  B.Data1 ^= 1;
  EXPECT_EQ(GuidEqual(&A, &B), FALSE);
  B = A;
  B.Data4[7] ^= 0x80;
  EXPECT_EQ(GuidEqual(&A, &B), FALSE);
}

TEST(Arith, DivisionShiftsSwapsAndUnalignedAccess) {
  UINT32 Remainder = 0;
  EXPECT_EQ(Div64By32Rem(0x123456789ABCDEF0ull, 1000, &Remainder), 0x123456789ABCDEF0ull / 1000);
  EXPECT_EQ(Remainder, 0x123456789ABCDEF0ull % 1000);
  EXPECT_EQ(Div64By32Rem(10, 3, nullptr), 3u);
  EXPECT_EQ(Div64By32(0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFu), 0x100000001ull);
  EXPECT_EQ(Mul64By32(0x100000001ull, 0xFFFFFFFFu), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(ShiftRight64(0x8000000000000000ull, 63), 1u);
  EXPECT_EQ(ShiftRight64(0x8000000000000000ull, 64), 0x8000000000000000ull);  // modulo 64
  EXPECT_EQ(ShiftRight64(0x8000000000000000ull, 65), 0x4000000000000000ull);
  EXPECT_EQ(SwapBytes16(0x1234), 0x3412);
  EXPECT_EQ(SwapBytes32(0x12345678u), 0x78563412u);

  UINT8 Bytes[11] = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0, 0};
  EXPECT_EQ(ReadUnaligned16(Bytes + 1), 0x2211);
  EXPECT_EQ(ReadUnaligned32(Bytes + 1), 0x44332211u);
  EXPECT_EQ(ReadUnaligned64(Bytes + 1), 0x8877665544332211ull);
  EXPECT_EQ(WriteUnaligned64(Bytes + 3, 0x0102030405060708ull), 0x0102030405060708ull);
  EXPECT_EQ(ReadUnaligned64(Bytes + 3), 0x0102030405060708ull);
  EXPECT_EQ(Bytes[2], 0x22);
}

}  // namespace
