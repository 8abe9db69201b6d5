// The platform services the password driver relies on: the hash service and
// the configuration-token database.
#include <array>

#include "SimTest.h"
#include "sim/PasswordPlatform.h"
#include "uefi/protocol/Hash.h"
#include "uefi/protocol/Pcd.h"

namespace {

constexpr EFI_GUID kSpace = EFI_GUID_LITERAL(0x11111111, 0x2222, 0x3333, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB);

class PasswordPlatformTest : public simtest::SimTest {
 protected:
  void SetUp() override {
    Platform = sim::AddPasswordPlatform(Machine, {});
    PowerOn();
  }
  template <typename T>
  T* Locate(const EFI_GUID& Guid) {
    VOID* Interface = nullptr;
    Within([&] { ASSERT_EQ(BS->LocateProtocol(const_cast<EFI_GUID*>(&Guid), nullptr, &Interface), EFI_SUCCESS); });
    return static_cast<T*>(Interface);
  }
  sim::PasswordPlatform Platform;
};

TEST_F(PasswordPlatformTest, HashServiceComputesSha256Only) {
  auto* Hash = Locate<EFI_HASH_PROTOCOL>(EFI_HASH_PROTOCOL_GUID);
  std::array<UINT8, 32> Out{};
  EFI_HASH_OUTPUT Output;
  Output.Sha256Hash = reinterpret_cast<EFI_SHA256_HASH*>(Out.data());
  const UINT8 Message[] = {'a', 'b', 'c'};
  UINTN Size = 0;
  Within([&] {
    EXPECT_EQ(Hash->GetHashSize(Hash, &EFI_HASH_ALGORITHM_SHA256_GUID, &Size), EFI_SUCCESS);
    EXPECT_EQ(Hash->GetHashSize(Hash, &EFI_HASH_ALGORITHM_SHA1_GUID, &Size), EFI_UNSUPPORTED);
    EXPECT_EQ(Hash->Hash(Hash, &EFI_HASH_ALGORITHM_SHA256_GUID, FALSE, Message, sizeof(Message), &Output),
              EFI_SUCCESS);
    EXPECT_EQ(Hash->Hash(Hash, &EFI_HASH_ALGORITHM_SHA256_GUID, TRUE, Message, sizeof(Message), &Output),
              EFI_UNSUPPORTED);
    EXPECT_EQ(Hash->Hash(Hash, &EFI_HASH_ALGORITHM_SHA512_GUID, FALSE, Message, sizeof(Message), &Output),
              EFI_UNSUPPORTED);
    EXPECT_EQ(Hash->Hash(Hash, &EFI_HASH_ALGORITHM_SHA256_GUID, FALSE, nullptr, 3, &Output), EFI_INVALID_PARAMETER);
  });
  EXPECT_EQ(Size, 32u);
  // The standard test vector for "abc".
  const std::array<UINT8, 32> Expected = {0xBA, 0x78, 0x16, 0xBF, 0x8F, 0x01, 0xCF, 0xEA, 0x41, 0x41, 0x40,
                                          0xDE, 0x5D, 0xAE, 0x22, 0x23, 0xB0, 0x03, 0x61, 0xA3, 0x96, 0x17,
                                          0x7A, 0x9C, 0xB4, 0x10, 0xFF, 0x61, 0xF2, 0x00, 0x15, 0xAD};
  EXPECT_EQ(Out, Expected);
  sim::ExpectNoViolations(*Boot);
}

TEST_F(PasswordPlatformTest, TokenDatabaseAnswersTypedValuesAndWalksInTokenOrder) {
  Platform.Tokens->Set32(kSpace, 0x30, 0xCAFEF00D);
  Platform.Tokens->Set16(kSpace, 0x10, 0x1234);
  Platform.Tokens->SetBytes(kSpace, 0x20, {1, 2, 3}, 8);
  auto* Pcd = Locate<EFI_PCD_PROTOCOL>(EFI_PCD_PROTOCOL_GUID);
  Within([&] {
    EXPECT_TRUE(Pcd->GetBoolEx(&sim::kSentrelFeatureTokenSpace, sim::kSentrelFeatureToken));
    EXPECT_EQ(Pcd->Get16Ex(&kSpace, 0x10), 0x1234);
    EXPECT_EQ(Pcd->Get32Ex(&kSpace, 0x30), 0xCAFEF00Du);
    EXPECT_EQ(Pcd->GetSizeEx(&kSpace, 0x20), 3u);
    // The walk: 0 starts it, tokens come in increasing order, 0 ends it.
    UINTN Token = 0;
    std::vector<UINTN> Walk;
    while (Pcd->GetNextToken(&kSpace, &Token) == EFI_SUCCESS && Token != 0) Walk.push_back(Token);
    EXPECT_EQ(Walk, (std::vector<UINTN>{0x10, 0x20, 0x30}));
    // Sets keep the type and the pointer token's capacity.
    EXPECT_EQ(Pcd->Set32Ex(&kSpace, 0x30, 7), EFI_SUCCESS);
    EXPECT_EQ(Pcd->Set64Ex(&kSpace, 0x30, 7), EFI_INVALID_PARAMETER);
    UINT8 Long[9] = {};
    UINTN Size = sizeof(Long);
    EXPECT_EQ(Pcd->SetPtrEx(&kSpace, 0x20, &Size, Long), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Size, 8u);
    EXPECT_EQ(Pcd->Set32Ex(&kSpace, 0x99, 1), EFI_NOT_FOUND);
  });
  EXPECT_EQ(Platform.Tokens->Find(kSpace, 0x30)->Value, 7u);
  sim::ExpectNoViolations(*Boot);
}

}  // namespace
