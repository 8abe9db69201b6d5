// The driver's entry and the argument rules of its published protocol.
#include <string>

#include "SentrelFixture.h"
#include "uefi/platform/HddPasswordService.h"

namespace {

class ProtocolTest : public SentrelTest {};

TEST_F(ProtocolTest, FeatureTokenFalseInstallsNothing) {
  Platform.Tokens->SetBool(sim::kSentrelFeatureTokenSpace, sim::kSentrelFeatureToken, false);
  auto Boot = Machine.Boot();
  const sim::LoadedImage* Image = Boot->Image("Sentrel");
  ASSERT_NE(Image, nullptr);
  ASSERT_TRUE(Image->EntryStatus.has_value());
  EXPECT_EQ(*Image->EntryStatus, EFI_UNSUPPORTED);
  EXPECT_TRUE(Boot->Protocols().HandlesWith(SENTREL_PASSWORD_PROTOCOL_GUID).empty());
  EXPECT_TRUE(Boot->Memory().Outstanding("Sentrel").empty());
  ExpectNoViolations(*Boot);
}

TEST_F(ProtocolTest, LayoutAndFreshState) {
  auto Boot = StartBoot();
  SENTREL_PASSWORD_PROTOCOL* Sentrel = Protocol(*Boot);
  ASSERT_NE(Sentrel, nullptr);
  ASSERT_NE(Sentrel->DeviceSnapshot, nullptr);
  const sim::Allocation* Snapshot = Boot->Memory().Find(Sentrel->DeviceSnapshot);
  ASSERT_NE(Snapshot, nullptr);
  EXPECT_EQ(Snapshot->Type, EfiRuntimeServicesData);
  EXPECT_EQ(Snapshot->Size, 348u);
  for (std::size_t I = 0; I < 348; I++) ASSERT_EQ(((UINT8*)Sentrel->DeviceSnapshot)[I], 0) << I;
  // Positions 11 and 12 are never written: the platform's fresh-pool
  // pattern is still there.
  UINT64 Fill = 0x0101010101010101ull * sim::Memory::kFreshPoolByte;
  EXPECT_EQ((UINT64)(UINTN)Sentrel->Reserved11, Fill);
  EXPECT_EQ((UINT64)(UINTN)Sentrel->Reserved12, Fill);
  BOOLEAN UserLevel = TRUE;
  BOOLEAN Skipped = TRUE;
  Boot->Invoke([&] {
    UserLevel = Sentrel->GetUserLevelAccess();
    Skipped = Sentrel->GetSupervisorPromptSkipped();
  });
  EXPECT_EQ(UserLevel, FALSE);
  EXPECT_EQ(Skipped, FALSE);
  Boot->Run();
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Completed);
  ExpectClean(*Boot);
}

TEST_F(ProtocolTest, ArgumentRules) {
  auto Boot = StartBoot();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  ASSERT_NE(P, nullptr);
  std::u16string Max(64, u'a');
  std::u16string Over(65, u'a');
  Boot->Invoke([&] {
    EXPECT_EQ(P->SetSystemPassword(P, nullptr, 0), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetSystemPassword(P, Over.data(), 0), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetSystemPassword(P, Over.data(), 1), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetSystemPassword(P, Max.data(), 2), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetSystemPassword(P, Max.data(), 0), EFI_SUCCESS);
    EXPECT_EQ(P->SetSystemPassword(P, Max.data(), 1), EFI_SUCCESS);
    for (UINT8 Kind : {2, 3, 0xFF}) {
      EXPECT_FALSE(P->VerifySystemPassword(P, Max.data(), Kind));
      EXPECT_FALSE(P->IsSystemPasswordSet(P, Kind));
      EXPECT_FALSE(P->VerifyDrivePassword(P, Max.data(), Kind, 0));
      EXPECT_FALSE(P->IsDrivePasswordSet(P, Kind, 0));
    }
    EXPECT_FALSE(P->VerifySystemPassword(P, nullptr, 0));
    EXPECT_TRUE(P->IsSystemPasswordSet(P, 0));
    EXPECT_TRUE(P->IsSystemPasswordSet(P, 1));
    // Before the HDD password service arrives there is no device table.
    EXPECT_EQ(P->SetDrivePassword(P, Max.data(), 0, 0), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetDrivePassword(P, nullptr, 0, 0), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetDrivePassword(P, nullptr, 2, 0), EFI_UNSUPPORTED);
    EXPECT_EQ(P->SetDrivePassword(P, nullptr, 2, 3), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetDrivePassword(P, Max.data(), 3, 0), EFI_INVALID_PARAMETER);
    EXPECT_FALSE(P->VerifyDrivePassword(P, Max.data(), 0, 3));
    EXPECT_FALSE(P->IsDrivePasswordSet(P, 0, 0));
    EXPECT_FALSE(P->IsDrivePasswordSet(P, 1, 3));
  });
  // A table asked for before the service exists is all empty, and the
  // caller owns it.
  HDD_DEVICE_RECORD* Table = nullptr;
  Boot->Invoke([&] { ASSERT_EQ(P->GetDeviceTable(&Table), EFI_SUCCESS); });
  ASSERT_NE(Table, nullptr);
  for (std::size_t I = 0; I < 348; I++) ASSERT_EQ(((UINT8*)Table)[I], 0) << I;
  Boot->Invoke([&] { ASSERT_EQ(Boot->BootServices()->FreePool(Table), EFI_SUCCESS); });
  ExpectClean(*Boot);
}

// A service that lists no drives: enough for the arrival handler to find it.
EFI_STATUS EFIAPI NoDevices(HDD_PASSWORD_SERVICE*, HDD_SERVICE_ENTRY** List, UINTN* Count) {
  *List = nullptr;
  *Count = 0;
  return EFI_SUCCESS;
}

TEST_F(ProtocolTest, ServiceArrivalRunsOnceEvenWhenTheServiceCameFirst) {
  static HDD_PASSWORD_SERVICE Service{};
  Service.GetDevices = NoDevices;
  static int ReadyMarker;
  auto Boot = Machine.PrepareBoot();
  auto InstallService = [&](sim::Boot& B) {
    EFI_HANDLE Handle = nullptr;
    ASSERT_EQ(B.Protocols().Install(&Handle, &HDD_PASSWORD_SERVICE_GUID, EFI_NATIVE_INTERFACE, &Service, "hdd"),
              EFI_SUCCESS);
    Handle = nullptr;
    ASSERT_EQ(B.Protocols().Install(&Handle, &HDD_PASSWORD_READY_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                    &ReadyMarker, "hdd"),
              EFI_SUCCESS);
  };
  Boot->At(sim::When::BeforeDispatch(), InstallService);
  // A second ready protocol later must not run the handler again.
  Boot->At(sim::When::AfterDispatch(), [](sim::Boot& B) {
    EFI_HANDLE Handle = nullptr;
    ASSERT_EQ(B.Protocols().Install(&Handle, &HDD_PASSWORD_READY_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                    &ReadyMarker, "hdd"),
              EFI_SUCCESS);
  });
  Boot->Run();
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Completed);
  SENTREL_STATE& State = SentrelTest::State(*Boot);
  ASSERT_NE(State.HddDeviceTable, nullptr);
  EXPECT_EQ(State.HddService, &Service);
  // One device table, built once; nothing else outstanding.
  auto Kept = KeptBootServicesBlocks();
  Kept.push_back(348);
  ExpectOnlyKept(*Boot, Kept);
  ExpectNoViolations(*Boot);
}

}  // namespace

namespace {

// After a lockout nothing may run or reset the machine: the halt replaces
// ResetSystem with a routine that does nothing, raises to TPL_HIGH_LEVEL and
// stays there.
TEST_F(ProtocolTest, HaltSystemStopsTheMachineForGood) {
  auto Boot = StartBoot();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  ASSERT_NE(P, nullptr);
  EFI_RESET_SYSTEM Original = Boot->RuntimeServices()->ResetSystem;
  EXPECT_FALSE(Boot->Invoke([&] { P->HaltSystem(P); }));
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Halted);
  EXPECT_EQ(Boot->Outcome().Tpl, TPL_HIGH_LEVEL);
  EFI_RESET_SYSTEM Installed = Boot->RuntimeServices()->ResetSystem;
  EXPECT_NE(Installed, Original);
  EXPECT_EQ(reinterpret_cast<void*>(Installed),
            Boot->Image("Sentrel")->Symbol("_Z16EmptyResetSystem14EFI_RESET_TYPEyyPv"));
  ExpectNoViolations(*Boot);
}

}  // namespace
