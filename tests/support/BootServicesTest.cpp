// Pool helpers, the owning pool buffer, the scoped TPL, protocol
// notification, configuration tables, the token database and the console
// print, over the stand-in firmware.
#include <gtest/gtest.h>

#include "FakeFirmware.h"
#include "support/Boot.h"
#include "support/Format.h"
#include "support/Pool.h"
#include "support/PoolBuffer.h"
#include "support/ScopedTpl.h"
#include "support/Token.h"
#include "uefi/protocol/Pcd.h"

namespace {

bool AllZero(const std::vector<UINT8>& Bytes) {
  for (UINT8 Byte : Bytes) {
    if (Byte != 0) return false;
  }
  return true;
}

bool AllZero(const VOID* Buffer, size_t Size) {
  const UINT8* Bytes = static_cast<const UINT8*>(Buffer);
  return AllZero(std::vector<UINT8>(Bytes, Bytes + Size));
}

TEST(Pool, AllocatesFromTheRightPoolAndReturnsNullOnFailure) {
  FakeFirmware Fake;
  VOID* Plain = PoolAlloc(24);
  VOID* Zeroed = PoolAllocZeroed(24);
  VOID* Runtime = PoolAllocRuntimeZeroed(348);
  const UINT8 Source[5] = {1, 2, 3, 4, 5};
  VOID* Copy = PoolAllocCopy(sizeof(Source), Source);
  ASSERT_TRUE(Plain && Zeroed && Runtime && Copy);
  EXPECT_EQ(Fake.Live[Plain].Type, EfiBootServicesData);
  EXPECT_EQ(Fake.Live[Zeroed].Type, EfiBootServicesData);
  EXPECT_EQ(Fake.Live[Runtime].Type, EfiRuntimeServicesData);
  EXPECT_EQ(Fake.Live[Copy].Type, EfiBootServicesData);
  EXPECT_TRUE(AllZero(Zeroed, 24));
  EXPECT_TRUE(AllZero(Runtime, 348));
  EXPECT_EQ(std::memcmp(Copy, Source, sizeof(Source)), 0);

  PoolFree(Plain);
  PoolFree(Zeroed);
  PoolFree(Runtime);
  std::memset(Copy, 0xA5, sizeof(Source));
  PoolFreeWiped(Copy, sizeof(Source));
  EXPECT_TRUE(Fake.Live.empty());
  EXPECT_TRUE(AllZero(Fake.FreedContents.back()));
  EXPECT_EQ(Fake.InvalidFrees, 0);

  Fake.FailAllocations = true;
  EXPECT_EQ(PoolAlloc(8), nullptr);
  EXPECT_EQ(PoolAllocZeroed(8), nullptr);
  EXPECT_EQ(PoolAllocRuntimeZeroed(8), nullptr);
  EXPECT_EQ(PoolAllocCopy(sizeof(Source), Source), nullptr);
  PoolFreeWiped(nullptr, 8);
  EXPECT_EQ(Fake.InvalidFrees, 0);
}

PoolBuffer MakeSecret(UINTN Size) {
  PoolBuffer Buffer(Size, PoolWipeOnFree);
  if (!Buffer.IsNull()) std::memset(Buffer.Get(), 0x5A, Size);
  return Buffer;
}

TEST(PoolBuffer, FreesOnEveryPathAndHandsOwnershipOut) {
  FakeFirmware Fake;
  {
    PoolBuffer Buffer(16);
    ASSERT_FALSE(Buffer.IsNull());
    EXPECT_EQ(Buffer.Size(), 16u);
    EXPECT_TRUE(AllZero(Buffer.Get(), 16));
    Buffer.As<UINT32>()[3] = 7;
    EXPECT_EQ(Fake.Live.size(), 1u);
  }
  EXPECT_TRUE(Fake.Live.empty());

  VOID* Handed = nullptr;
  {
    PoolBuffer Buffer(16);
    Handed = Buffer.Detach();
    EXPECT_TRUE(Buffer.IsNull());
  }
  EXPECT_EQ(Fake.Live.count(Handed), 1u);
  PoolFree(Handed);

  {
    // Moving hands the one buffer along; it is freed once, by its last owner.
    PoolBuffer First(8);
    PoolBuffer Second(static_cast<PoolBuffer&&>(First));
    EXPECT_TRUE(First.IsNull());
    PoolBuffer Third(4);
    Third = static_cast<PoolBuffer&&>(Second);
    EXPECT_EQ(Third.Size(), 8u);
    EXPECT_EQ(Fake.Live.size(), 1u);
    PoolBuffer Adopted = PoolBuffer::Adopt(PoolAlloc(12), 12);
    EXPECT_EQ(Fake.Live.size(), 2u);
  }
  EXPECT_TRUE(Fake.Live.empty());
  EXPECT_EQ(Fake.InvalidFrees, 0);

  Fake.FailAllocations = true;
  {
    PoolBuffer Failed(16);
    EXPECT_TRUE(Failed.IsNull());
    EXPECT_EQ(Failed.Size(), 0u);
  }
  EXPECT_EQ(Fake.InvalidFrees, 0);
}

TEST(PoolBuffer, WipesBeforeFreeingWhenAsked) {
  FakeFirmware Fake;
  {
    PoolBuffer Secret = MakeSecret(64);
    PoolBuffer Plain(8);
    std::memset(Plain.Get(), 0x5A, 8);
  }
  ASSERT_EQ(Fake.FreedContents.size(), 2u);
  // Freed in reverse order of construction: the plain buffer first.
  EXPECT_FALSE(AllZero(Fake.FreedContents[0]));
  EXPECT_EQ(Fake.FreedContents[1].size(), 64u);
  EXPECT_TRUE(AllZero(Fake.FreedContents[1]));

  PoolBuffer Explicit = MakeSecret(32);
  Explicit.Reset();
  EXPECT_TRUE(Explicit.IsNull());
  EXPECT_TRUE(AllZero(Fake.FreedContents.back()));
}

TEST(ScopedTpl, RaisesAndRestores) {
  FakeFirmware Fake;
  Fake.Tpl = TPL_CALLBACK;
  {
    ScopedTpl Outer(TPL_NOTIFY);
    EXPECT_EQ(Fake.Tpl, TPL_NOTIFY);
    {
      ScopedTpl Inner(TPL_HIGH_LEVEL);
      EXPECT_EQ(Fake.Tpl, TPL_HIGH_LEVEL);
    }
    EXPECT_EQ(Fake.Tpl, TPL_NOTIFY);
  }
  EXPECT_EQ(Fake.Tpl, TPL_CALLBACK);
}

int gNotifyRuns;
VOID* gNotifyContext;
VOID EFIAPI CountNotify(EFI_EVENT, VOID* Context) {
  gNotifyRuns++;
  gNotifyContext = Context;
}

TEST(Boot, NotifyOnProtocolRegistersThenSignalsOnce) {
  FakeFirmware Fake;
  const EFI_GUID Guid = EFI_GUID_LITERAL(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
  int Context = 0;
  VOID* Registration = nullptr;
  gNotifyRuns = 0;
  EFI_EVENT Event = NotifyOnProtocol(&Guid, TPL_CALLBACK, CountNotify, &Context, &Registration);
  ASSERT_NE(Event, nullptr);
  EXPECT_EQ(Fake.Calls, (std::vector<std::string>{"CreateEvent", "RegisterProtocolNotify", "SignalEvent"}));
  const auto* Record = static_cast<FakeFirmware::EVENT*>(Event);
  EXPECT_EQ(Record->Type, EVT_NOTIFY_SIGNAL);
  EXPECT_EQ(Record->Tpl, TPL_CALLBACK);
  EXPECT_NE(Registration, nullptr);
  EXPECT_EQ(gNotifyRuns, 1);
  EXPECT_EQ(gNotifyContext, &Context);

  // Without an event nothing is registered or signalled.
  Fake.Calls.clear();
  Fake.FailCreateEvent = true;
  EXPECT_EQ(NotifyOnProtocol(&Guid, TPL_CALLBACK, CountNotify, &Context, &Registration), nullptr);
  EXPECT_EQ(Fake.Calls, (std::vector<std::string>{"CreateEvent"}));
  EXPECT_EQ(gNotifyRuns, 1);
}

TEST(Boot, FindConfigurationTableTakesTheFirstMatch) {
  FakeFirmware Fake;
  const EFI_GUID Wanted = EFI_GUID_LITERAL(0x7739F24C, 0x93D7, 0x11D4, 0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D);
  const EFI_GUID Other = EFI_GUID_LITERAL(0x7739F24C, 0x93D7, 0x11D4, 0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4E);
  int First = 0;
  int Second = 0;
  Fake.ConfigurationTable = {{Other, nullptr}, {Wanted, &First}, {Wanted, &Second}};
  Fake.SyncConfigurationTable();
  VOID* Table = nullptr;
  EXPECT_EQ(FindConfigurationTable(&Wanted, &Table), EFI_SUCCESS);
  EXPECT_EQ(Table, &First);

  Fake.ConfigurationTable.erase(Fake.ConfigurationTable.begin() + 1, Fake.ConfigurationTable.end());
  Fake.SyncConfigurationTable();
  EXPECT_EQ(FindConfigurationTable(&Wanted, &Table), EFI_NOT_FOUND);
  EXPECT_EQ(Table, nullptr);
}

const EFI_GUID kTokenSpace =
    EFI_GUID_LITERAL(0x8A8E89F8, 0x1403, 0x41F5, 0x94, 0xAC, 0x7D, 0x11, 0x82, 0x1F, 0xDD, 0x20);
constexpr UINTN kFeatureToken = 0x60000405;

BOOLEAN EFIAPI GetBoolEx(const EFI_GUID* Guid, UINTN TokenNumber) {
  return (*Guid == kTokenSpace && TokenNumber == kFeatureToken) ? TRUE : FALSE;
}

TEST(Token, GetBoolLooksTheDatabaseUpOnceAndAnswersFalseWithoutIt) {
  FakeFirmware Fake;
  EXPECT_EQ(TokenGetBool(&kTokenSpace, kFeatureToken), FALSE);

  EFI_PCD_PROTOCOL Database{};
  Database.GetBoolEx = GetBoolEx;
  Fake.Protocols.push_back({EFI_PCD_PROTOCOL_GUID, &Database});
  const int LookupsBefore = Fake.LocateCalls;
  EXPECT_EQ(TokenGetBool(&kTokenSpace, kFeatureToken), TRUE);
  EXPECT_EQ(TokenGetBool(&kTokenSpace, kFeatureToken + 1), FALSE);
  EXPECT_EQ(Fake.LocateCalls, LookupsBefore + 1);
}

TEST(ConsolePrint, WritesTheLineAndFreesItsBuffer) {
  FakeFirmware Fake;
  EXPECT_EQ(ConsolePrint(u"TBT: %a %r\n", "retimer", EFI_TIMEOUT), 23u);
  EXPECT_EQ(Fake.Console, u"TBT: retimer Time out\r\n");
  EXPECT_TRUE(Fake.Live.empty());
  ASSERT_EQ(Fake.FreedContents.size(), 1u);
  EXPECT_EQ(Fake.FreedContents[0].size(), 642u);

  // A line longer than the buffer is cut at 320 characters.
  const std::u16string Long(400, u'x');
  EXPECT_EQ(ConsolePrint(u"%s", Long.c_str()), 320u);

  // Nothing to print: the console is not called.
  const int Calls = Fake.ConsoleCalls;
  EXPECT_EQ(ConsolePrint(u""), 0u);
  EXPECT_EQ(Fake.ConsoleCalls, Calls);

  Fake.ConsoleStatus = EFI_DEVICE_ERROR;
  EXPECT_EQ(ConsolePrint(u"text"), 0u);
  Fake.ConsoleStatus = EFI_SUCCESS;
  Fake.FailAllocations = true;
  EXPECT_EQ(ConsolePrint(u"text"), 0u);
  EXPECT_EQ(Fake.ConsoleCalls, Calls + 1);
  EXPECT_TRUE(Fake.Live.empty());
}

}  // namespace
