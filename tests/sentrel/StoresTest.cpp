// The supervisor and power-on password stores, through the published
// protocol and against independently computed values.
#include <openssl/sha.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "SentrelFixture.h"
#include "sentrel/core/ProductConstants.h"
#include "sentrel/core/SupervisorStore.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sha256Of(const Bytes& Message) {
  Bytes Out(SHA256_DIGEST_LENGTH);
  SHA256(Message.data(), Message.size(), Out.data());
  return Out;
}

// The digest of an ASCII password, computed here from first principles.
Bytes DigestOf(const std::string& Password) {
  Bytes Block(64, 0);
  for (std::size_t I = 0; I < Password.size() && I < 64; I++) Block[I] = (std::uint8_t)std::tolower(Password[I]);
  Bytes Full = Sha256Of(Block);
  return Bytes(Full.begin(), Full.begin() + 16);
}

Bytes Salt() {
  UINT8 Value[PASSWORD_SALT_SIZE];
  BuildPasswordSalt(Value);
  return Bytes(Value, Value + PASSWORD_SALT_SIZE);
}

Bytes SupervisorHashOf(const std::string& Password) {
  Bytes Digest = DigestOf(Password);
  Bytes Message(Digest.begin(), Digest.begin() + 7);
  Bytes S = Salt();
  Message.insert(Message.end(), S.begin(), S.end());
  Bytes Full = Sha256Of(Message);
  return Bytes(Full.begin(), Full.begin() + 16);
}

Bytes PowerOnHashOf(const Bytes& Digest) {
  Bytes Message(22, 0);
  std::memcpy(Message.data(), Digest.data(), 12);
  Bytes S = Salt();
  std::memcpy(Message.data() + 7, S.data(), S.size());
  Bytes Full = Sha256Of(Message);
  return Bytes(Full.begin(), Full.begin() + 12);
}

const std::u16string kStoreName = u"Z18Svp";

class StoresTest : public SentrelTest {
 protected:
  void SetUp() override {
    Boot = StartBoot();
    Sentrel = Protocol(*Boot);
    ASSERT_NE(Sentrel, nullptr);
  }
  void TearDown() override { ExpectClean(*Boot); }

  EFI_STATUS Set(const std::u16string& Password, UINT8 Kind) {
    EFI_STATUS Status = EFI_ABORTED;
    std::u16string Copy = Password;
    Boot->Invoke([&] { Status = Sentrel->SetSystemPassword(Sentrel, Copy.data(), Kind); });
    return Status;
  }
  bool Verify(const std::u16string& Password, UINT8 Kind) {
    BOOLEAN Answer = FALSE;
    std::u16string Copy = Password;
    Boot->Invoke([&] { Answer = Sentrel->VerifySystemPassword(Sentrel, Copy.data(), Kind); });
    return Answer != FALSE;
  }
  bool IsSet(UINT8 Kind) {
    BOOLEAN Answer = FALSE;
    Boot->Invoke([&] { Answer = Sentrel->IsSystemPasswordSet(Sentrel, Kind); });
    return Answer != FALSE;
  }
  const sim::Variable* Stored() {
    return Machine.NonVolatileVariables().Get(kStoreName, SUPERVISOR_PASSWORD_VARIABLE_GUID);
  }
  Bytes PowerOnBytes() {
    Bytes Out;
    for (UINT8 I = 0; I < 7; I++) Out.push_back(Platform.Cmos->Byte(0, 0x38 + I));
    for (UINT8 I = 0; I < 5; I++) Out.push_back(Platform.Cmos->Byte(1, 0x38 + I));
    return Out;
  }

  std::unique_ptr<sim::Boot> Boot;
  SENTREL_PASSWORD_PROTOCOL* Sentrel = nullptr;
};

TEST_F(StoresTest, SupervisorHashIsTheSaltedTruncatedDigestAndIsCaseBlind) {
  ASSERT_EQ(Set(u"Open Sesame 42", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  const sim::Variable* Variable = Stored();
  ASSERT_NE(Variable, nullptr);
  EXPECT_EQ(Variable->Attributes, 7u);
  EXPECT_EQ(Variable->Data, SupervisorHashOf("open sesame 42"));
  EXPECT_TRUE(IsSet(SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_TRUE(Verify(u"open sesame 42", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_TRUE(Verify(u"OPEN SESAME 42", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"open sesame 43", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"", SYSTEM_PASSWORD_SUPERVISOR));
}

TEST_F(StoresTest, CharactersAboveFFKeepTheirLowByteAndAZeroLowByteEndsLowerCasing) {
  // U+0141 has low byte 0x41 ('A'), which is then lower-cased.
  ASSERT_EQ(Set(u"\u0141BC", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  EXPECT_TRUE(Verify(u"abc", SYSTEM_PASSWORD_SUPERVISOR));
  // U+0100 has low byte 0: the letters after it keep their case.
  ASSERT_EQ(Set(u"AB\u0100CD", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  EXPECT_TRUE(Verify(u"ab\u0200CD", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"ab\u0100cd", SYSTEM_PASSWORD_SUPERVISOR));
}

TEST_F(StoresTest, SixtyFourCharactersFillTheBlockAndLongerTextsAreRefused) {
  std::u16string Full(64, u'x');
  Full[63] = u'Q';
  ASSERT_EQ(Set(Full, SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  EXPECT_EQ(Stored()->Data, SupervisorHashOf(std::string(63, 'x') + "q"));
  EXPECT_TRUE(Verify(Full, SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(Full.substr(0, 63), SYSTEM_PASSWORD_SUPERVISOR));
  // A longer text must not match on its first 64 characters.
  EXPECT_FALSE(Verify(Full + u"y", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_EQ(Set(Full + u"y", SYSTEM_PASSWORD_SUPERVISOR), EFI_INVALID_PARAMETER);
  EXPECT_TRUE(Verify(Full, SYSTEM_PASSWORD_SUPERVISOR));
}

TEST_F(StoresTest, StoredValueOfOtherSizes) {
  // 17 bytes do not fit the 16-byte read: no password, nothing matches.
  Bytes Hash = SupervisorHashOf("secret");
  Bytes Long = Hash;
  Long.push_back(0);
  Machine.NonVolatileVariables().Put(kStoreName, SUPERVISOR_PASSWORD_VARIABLE_GUID, 7, Long);
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"secret", SYSTEM_PASSWORD_SUPERVISOR));
  // Fewer than 16 bytes count as set and compare with zeros after the end.
  Bytes Short(Hash.begin(), Hash.begin() + 8);
  Machine.NonVolatileVariables().Put(kStoreName, SUPERVISOR_PASSWORD_VARIABLE_GUID, 7, Short);
  EXPECT_TRUE(IsSet(SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"secret", SYSTEM_PASSWORD_SUPERVISOR));
}

TEST_F(StoresTest, EmptyTextDeletesTheSupervisorPassword) {
  ASSERT_EQ(Set(u"secret", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  ASSERT_EQ(Set(u"", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  EXPECT_EQ(Stored(), nullptr);
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"", SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_FALSE(Verify(u"secret", SYSTEM_PASSWORD_SUPERVISOR));
  // Deleting what is absent reports the variable service's answer.
  EXPECT_EQ(Set(u"", SYSTEM_PASSWORD_SUPERVISOR), EFI_NOT_FOUND);
}

TEST_F(StoresTest, PowerOnHashAndChecksumInBothCmosBanks) {
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_POWER_ON));
  ASSERT_EQ(Set(u"Boot Me", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  Bytes Expected = PowerOnHashOf(DigestOf("boot me"));
  EXPECT_EQ(PowerOnBytes(), Expected);
  std::uint8_t Sum = 0;
  for (std::uint8_t B : Expected) Sum = (std::uint8_t)(Sum + B);
  EXPECT_EQ(Platform.Cmos->Byte(0, 0x3F), Sum);
  EXPECT_TRUE(IsSet(SYSTEM_PASSWORD_POWER_ON));
  EXPECT_TRUE(Verify(u"BOOT ME", SYSTEM_PASSWORD_POWER_ON));

  // One changed byte (not to a value that keeps the sum) breaks the checksum.
  for (int Index = 0; Index < 12; Index++) {
    unsigned Bank = Index < 7 ? 0 : 1;
    UINT8 Offset = (UINT8)(0x38 + (Index < 7 ? Index : Index - 7));
    UINT8 Old = Platform.Cmos->Byte(Bank, Offset);
    Platform.Cmos->SetByte(Bank, Offset, (UINT8)(Old ^ 0x01));
    EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_POWER_ON)) << "byte " << Index;
    Platform.Cmos->SetByte(Bank, Offset, Old);
  }
  EXPECT_TRUE(IsSet(SYSTEM_PASSWORD_POWER_ON));

  ASSERT_EQ(Set(u"", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  EXPECT_EQ(PowerOnBytes(), Bytes(12, 0));
  EXPECT_EQ(Platform.Cmos->Byte(0, 0x3F), 0);
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_POWER_ON));
}

TEST_F(StoresTest, PowerOnVerifyKeepsTheDigestOnlyOnSuccess) {
  ASSERT_EQ(Set(u"first", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  SENTREL_STATE& State = SentrelTest::State(*Boot);
  EXPECT_EQ(State.PowerOnDigestValid, 0);
  EXPECT_FALSE(Verify(u"wrong", SYSTEM_PASSWORD_POWER_ON));
  EXPECT_EQ(State.PowerOnDigestValid, 0);
  EXPECT_EQ(Bytes(State.PowerOnDigest, State.PowerOnDigest + 16), Bytes(16, 0));

  EXPECT_TRUE(Verify(u"FIRST", SYSTEM_PASSWORD_POWER_ON));
  EXPECT_EQ(State.PowerOnDigestValid, 1);
  EXPECT_EQ(Bytes(State.PowerOnDigest, State.PowerOnDigest + 16), DigestOf("first"));

  EXPECT_FALSE(Verify(u"wrong", SYSTEM_PASSWORD_POWER_ON));
  EXPECT_EQ(Bytes(State.PowerOnDigest, State.PowerOnDigest + 16), DigestOf("first"));
}

TEST_F(StoresTest, PowerOnHashUsesOnlyDigestBytesZeroToSix) {
  auto* Hash = Routine<EFI_STATUS(const UINT8*, UINT8*)>(*Boot, "_Z19PowerOnPasswordHashPKhPh");
  Bytes A = DigestOf("alpha");
  Bytes B = A;
  for (int I = 7; I < 16; I++) B[I] = (std::uint8_t)~B[I];
  std::array<UINT8, 12> HashA{};
  std::array<UINT8, 12> HashB{};
  Boot->Invoke([&] {
    EXPECT_EQ(Hash(A.data(), HashA.data()), EFI_SUCCESS);
    EXPECT_EQ(Hash(B.data(), HashB.data()), EFI_SUCCESS);
  });
  EXPECT_EQ(HashA, HashB);
  EXPECT_EQ(Bytes(HashA.begin(), HashA.end()), PowerOnHashOf(A));
}

TEST_F(StoresTest, CmosAccessKeepsTheNmiMaskAndTheInterruptFlag) {
  Platform.Cmos->SetNmiMasked(true);
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_POWER_ON));
  std::vector<UINT32> IndexWrites;
  for (const auto* Event : Boot->Trace().Find("port.write")) {
    if (Event->Data.value("port", 0) == 0x70) IndexWrites.push_back(Event->Data.value("value", 0u));
  }
  ASSERT_FALSE(IndexWrites.empty());
  EXPECT_EQ(IndexWrites.front(), 0xB8u);  // index 0x38 with the mask kept
  EXPECT_TRUE(Platform.Cmos->NmiMasked());
  EXPECT_TRUE(Boot->Cpu().InterruptsEnabled());

  // Called with interrupts off, the routines leave them off.
  Boot->Cpu().DisableInterrupts();
  EXPECT_FALSE(IsSet(SYSTEM_PASSWORD_POWER_ON));
  ASSERT_EQ(Set(u"x", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  EXPECT_FALSE(Boot->Cpu().InterruptsEnabled());
  Boot->Cpu().EnableInterrupts();
}

TEST_F(StoresTest, PowerOnPasswordSurvivesAReset) {
  ASSERT_EQ(Set(u"kept", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  ASSERT_EQ(Set(u"kept too", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  ExpectClean(*Boot);
  Boot = StartBoot();
  Sentrel = Protocol(*Boot);
  ASSERT_NE(Sentrel, nullptr);
  EXPECT_TRUE(Verify(u"kept", SYSTEM_PASSWORD_POWER_ON));
  EXPECT_TRUE(Verify(u"kept too", SYSTEM_PASSWORD_SUPERVISOR));
}

// Every allocation the setters and checks make can fail: each such failure
// gives EFI_OUT_OF_RESOURCES (or FALSE), leaves the stores untouched and
// leaks nothing.
TEST_F(StoresTest, AllocationFailuresLeaveStoresUntouchedAndLeakNothing) {
  ASSERT_EQ(Set(u"before", SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  ASSERT_EQ(Set(u"before", SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  for (UINT8 Kind : {SYSTEM_PASSWORD_SUPERVISOR, SYSTEM_PASSWORD_POWER_ON}) {
    Bytes Supervisor = Stored()->Data;
    Bytes PowerOn = PowerOnBytes();
    for (std::uint64_t N = 1; N <= 8; N++) {
      Boot->Memory().FailNthAllocation(N, "Sentrel");
      EFI_STATUS Status = Set(u"after", Kind);
      Boot->Memory().ClearFaults();
      if (Status == EFI_SUCCESS) break;  // N passed the number of allocations
      EXPECT_EQ(Status, EFI_OUT_OF_RESOURCES) << "kind " << (int)Kind << " allocation " << N;
      EXPECT_EQ(Stored()->Data, Supervisor);
      EXPECT_EQ(PowerOnBytes(), PowerOn);
      ExpectOnlyKept(*Boot);
    }
  }
  // The supervisor password is "after" now: a verify answers FALSE exactly
  // while one of its allocations fails.
  std::uint64_t Failed = 0;
  for (std::uint64_t N = 1; N <= 8; N++) {
    Boot->Memory().FailNthAllocation(N, "Sentrel");
    bool Answer = Verify(u"after", SYSTEM_PASSWORD_SUPERVISOR);
    Boot->Memory().ClearFaults();
    ExpectOnlyKept(*Boot);
    if (Answer) break;
    Failed++;
  }
  EXPECT_GE(Failed, 4u);  // block, digest, hash and stored-value buffers at least
}

}  // namespace

namespace {

// Freed pool goes to the next owner, in the end the operating system: no
// freed block may hold a password's text, block, digest or stored value.
TEST_F(StoresTest, FreedPoolHoldsNoPasswordMaterial) {
  std::vector<Bytes> Freed;
  Boot->Memory().ObserveFrees([&](const sim::Allocation& Block, const std::uint8_t* Data) {
    if (Block.Owner == "Sentrel") Freed.emplace_back(Data, Data + Block.Size);
  });
  const std::string Password = "correct horse";
  ASSERT_EQ(Set(Text(Password.c_str()), SYSTEM_PASSWORD_SUPERVISOR), EFI_SUCCESS);
  ASSERT_EQ(Set(Text(Password.c_str()), SYSTEM_PASSWORD_POWER_ON), EFI_SUCCESS);
  EXPECT_TRUE(Verify(Text(Password.c_str()), SYSTEM_PASSWORD_SUPERVISOR));
  EXPECT_TRUE(Verify(Text(Password.c_str()), SYSTEM_PASSWORD_POWER_ON));
  Boot->Memory().ObserveFrees(nullptr);
  ASSERT_FALSE(Freed.empty());

  Bytes Digest = DigestOf(Password);
  std::vector<Bytes> Secrets = {Bytes(Password.begin(), Password.end()), Bytes(Digest.begin(), Digest.begin() + 8),
                                SupervisorHashOf(Password), PowerOnHashOf(Digest)};
  for (const Bytes& Block : Freed) {
    for (const Bytes& Secret : Secrets) {
      EXPECT_EQ(std::search(Block.begin(), Block.end(), Secret.begin(), Secret.end()), Block.end())
          << "a freed " << Block.size() << "-byte block still holds password material";
    }
  }
}

}  // namespace
