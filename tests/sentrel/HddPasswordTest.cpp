// Drive passwords through the published protocol against the drive model:
// drive-bound hashes, set, unlock and clear, the default-master probe, the
// slot checks and the key filter.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "HddFixture.h"
#include "sentrel/core/ProductConstants.h"
#include "uefi/protocol/SimpleTextInEx.h"

namespace {

class HddPasswordTest : public HddTest {
 protected:
  std::shared_ptr<sim::StorageDrive> Sata1 = Service->AddSataDrive("Model Q 512GB", "SN-0001", 1);
  std::shared_ptr<sim::StorageDrive> Sata2 = Service->AddSataDrive("Model Q 512GB", "SN-0002", 2);

  static EFI_STATUS SetDrive(sim::Boot& Boot, const char* Password, UINT8 Kind, UINT8 Slot) {
    SENTREL_PASSWORD_PROTOCOL* P = Protocol(Boot);
    std::u16string Typed = Text(Password);
    EFI_STATUS Status = EFI_ABORTED;
    Boot.Invoke([&] { Status = P->SetDrivePassword(P, Typed.data(), Kind, Slot); });
    return Status;
  }

  static bool Verify(sim::Boot& Boot, const std::u16string& Typed, UINT8 Kind, UINT8 Slot) {
    SENTREL_PASSWORD_PROTOCOL* P = Protocol(Boot);
    std::u16string Copy = Typed;
    BOOLEAN Unlocked = FALSE;
    Boot.Invoke([&] { Unlocked = P->VerifyDrivePassword(P, Copy.data(), Kind, Slot); });
    return Unlocked == TRUE;
  }

  static bool IsSet(sim::Boot& Boot, UINT8 Kind, UINT8 Slot) {
    SENTREL_PASSWORD_PROTOCOL* P = Protocol(Boot);
    BOOLEAN Set = FALSE;
    Boot.Invoke([&] { Set = P->IsDrivePasswordSet(P, Kind, Slot); });
    return Set == TRUE;
  }

  // Boot 1 sets a user password on slot 1 and ends normally.
  void SetUserPasswordAndPowerOff(const char* Password) {
    auto Boot = BootWithDrives();
    ASSERT_EQ(SetDrive(*Boot, Password, 0, 1), EFI_SUCCESS);
    Boot->Run();
    ExpectCleanWithTable(*Boot);
  }

  static std::string DefaultMasterHex() {
    UINT8 Default[DEFAULT_MASTER_PASSWORD_SIZE];
    BuildDefaultMasterPassword(Default);
    return Hex(Default, sizeof(Default));
  }
};

TEST_F(HddPasswordTest, DriveBoundHashDependsOnTheDriveIdentity) {
  auto Boot = BootWithDrives();
  ASSERT_EQ(SetDrive(*Boot, "Secret1", 0, 1), EFI_SUCCESS);
  ASSERT_EQ(SetDrive(*Boot, "Secret1", 0, 2), EFI_SUCCESS);
  const Hash32 First = DriveHash("Secret1", "Model Q 512GB", "SN-0001");
  const Hash32 Second = DriveHash("Secret1", "Model Q 512GB", "SN-0002");
  EXPECT_NE(First, Second);

  auto Sets = Commands(*Boot, "SECURITY SET PASSWORD");
  ASSERT_EQ(Sets.size(), 2u);
  EXPECT_EQ(Sets[0]["password"], Hex(First));
  EXPECT_EQ(Sets[0]["identifier"], "user");
  EXPECT_EQ(Sets[1]["password"], Hex(Second));
  ASSERT_TRUE(Sata1->UserPassword().has_value());
  EXPECT_EQ(*Sata1->UserPassword(), First);
  EXPECT_EQ(Hex(Table(*Boot)[1].UserPasswordHash, 32), Hex(First));
  // The re-read IDENTIFY data shows security enabled.
  EXPECT_NE(SecurityWord(Table(*Boot)[1].IdentifyData) & ATA_SECURITY_ENABLED, 0);
  EXPECT_TRUE(IsSet(*Boot, 0, 1));
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, PowerCycleLocksAndOtherCaseUnlocks) {
  SetUserPasswordAndPowerOff("Secret1");

  auto Boot = BootWithoutCheck();
  EXPECT_TRUE(Sata1->Locked());
  EXPECT_NE(SecurityWord(Table(*Boot)[1].IdentifyData) & ATA_SECURITY_LOCKED, 0);
  EXPECT_TRUE(Verify(*Boot, Text("sECRET1"), 0, 1));
  EXPECT_FALSE(Sata1->Locked());
  EXPECT_EQ(SecurityWord(Table(*Boot)[1].IdentifyData) & ATA_SECURITY_LOCKED, 0);

  const HDD_UNLOCK_RECORD& Unlock = State(*Boot).HddUnlockRecords[1];
  EXPECT_EQ(Unlock.Unlocked, 1);
  EXPECT_EQ(Unlock.IsUser, 1);
  EXPECT_EQ(Hex(Unlock.Digest, 16), Hex(Digest("secret1")));
  EXPECT_EQ(Hex(Table(*Boot)[1].UserPasswordHash, 32), Hex(DriveHash("Secret1", "Model Q 512GB", "SN-0001")));
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, FiveWrongPasswordsExhaustTheDriveUntilPowerCycle) {
  SetUserPasswordAndPowerOff("Secret1");
  {
    auto Boot = BootWithoutCheck();
    for (int Attempt = 0; Attempt < 5; Attempt++) EXPECT_FALSE(Verify(*Boot, Text("wrong"), 0, 1));
    EXPECT_FALSE(Verify(*Boot, Text("Secret1"), 0, 1));
    EXPECT_TRUE(Sata1->Locked());
    EXPECT_NE(SecurityWord(Sata1->IdentifyData().data()) & sim::StorageDrive::kSecurityCountExpired, 0);
    auto Unlocks = Commands(*Boot, "SECURITY UNLOCK");
    ASSERT_EQ(Unlocks.size(), 6u);
    EXPECT_EQ(Unlocks[5]["password"], Hex(DriveHash("Secret1", "Model Q 512GB", "SN-0001")));
    EXPECT_EQ(Unlocks[5]["completed"], false);
    EXPECT_EQ(State(*Boot).HddUnlockRecords[1].Unlocked, 0);
    ExpectCleanWithTable(*Boot);
  }
  auto Boot = BootWithoutCheck();
  EXPECT_TRUE(Verify(*Boot, Text("Secret1"), 0, 1));
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, ClearingTriesTheUserHashThenTheMasterHash) {
  {
    auto Boot = BootWithDrives();
    ASSERT_EQ(SetDrive(*Boot, "Master1", 1, 1), EFI_SUCCESS);
    ASSERT_EQ(SetDrive(*Boot, "User1", 0, 1), EFI_SUCCESS);
    Boot->Run();
  }
  auto Boot = BootWithoutCheck();
  // Unlocked with the master password: this boot knows no user hash.
  ASSERT_TRUE(Verify(*Boot, Text("Master1"), 1, 1));
  EXPECT_EQ(State(*Boot).HddUnlockRecords[1].IsUser, 0);
  ASSERT_EQ(SetDrive(*Boot, "", 0, 1), EFI_SUCCESS);

  auto Disables = Commands(*Boot, "SECURITY DISABLE PASSWORD");
  ASSERT_EQ(Disables.size(), 2u);
  EXPECT_EQ(Disables[0]["identifier"], "user");
  EXPECT_EQ(Disables[0]["password"], std::string(64, '0'));
  EXPECT_EQ(Disables[0]["completed"], false);
  EXPECT_EQ(Disables[1]["identifier"], "master");
  EXPECT_EQ(Disables[1]["password"], Hex(DriveHash("Master1", "Model Q 512GB", "SN-0001")));
  EXPECT_FALSE(Sata1->SecurityEnabled());
  EXPECT_EQ(SecurityWord(Table(*Boot)[1].IdentifyData) & ATA_SECURITY_ENABLED, 0);

  // Without security, clearing only re-reads the drive and succeeds.
  ASSERT_EQ(SetDrive(*Boot, "", 1, 1), EFI_SUCCESS);
  EXPECT_EQ(Commands(*Boot, "SECURITY DISABLE PASSWORD").size(), 2u);
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, SetOnLockedDriveFailsBeforeAnyServiceCall) {
  SetUserPasswordAndPowerOff("Secret1");
  auto Boot = BootWithoutCheck();
  std::size_t ServiceEvents = Boot->Trace().Find("hdd.").size();
  EXPECT_EQ(SetDrive(*Boot, "Other", 0, 1), EFI_DEVICE_ERROR);
  EXPECT_EQ(SetDrive(*Boot, "Other", 1, 1), EFI_DEVICE_ERROR);
  EXPECT_EQ(SetDrive(*Boot, "", 0, 1), EFI_DEVICE_ERROR);
  EXPECT_EQ(Boot->Trace().Find("hdd.").size(), ServiceEvents);
  EXPECT_TRUE(Sata1->Locked());
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, DefaultMasterProbeAsksOnceUntilASetRearmsIt) {
  auto Boot = BootWithDrives();
  auto Probes = [&] { return Commands(*Boot, "SECURITY UNLOCK").size(); };
  // No drive password at all: FALSE without asking the drive.
  EXPECT_FALSE(IsSet(*Boot, 1, 1));
  EXPECT_EQ(Probes(), 0u);

  ASSERT_EQ(SetDrive(*Boot, "User1", 0, 1), EFI_SUCCESS);
  EXPECT_TRUE(IsSet(*Boot, 1, 1));  // the drive still has its factory master password
  EXPECT_TRUE(IsSet(*Boot, 1, 1));
  ASSERT_EQ(Probes(), 1u);
  auto Probe = Commands(*Boot, "SECURITY UNLOCK")[0];
  EXPECT_EQ(Probe["identifier"], "master");
  EXPECT_EQ(Probe["password"], DefaultMasterHex());

  // Writing the default master password changes no probe state.
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  EFI_STATUS Status = EFI_ABORTED;
  Boot->Invoke([&] { Status = P->SetDrivePassword(P, nullptr, 2, 1); });
  ASSERT_EQ(Status, EFI_SUCCESS);
  EXPECT_EQ(Hex(Sata1->MasterPassword()), DefaultMasterHex());
  EXPECT_TRUE(IsSet(*Boot, 1, 1));
  EXPECT_EQ(Probes(), 1u);

  // A set re-arms the probe: the drive is asked again and takes it.
  ASSERT_EQ(SetDrive(*Boot, "User2", 0, 1), EFI_SUCCESS);
  EXPECT_FALSE(IsSet(*Boot, 1, 1));
  EXPECT_EQ(Probes(), 2u);
  EXPECT_EQ(Hex(Table(*Boot)[1].UserPasswordHash, 32), DefaultMasterHex());
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, SlotsOutsideTheTableTouchNothing) {
  auto Boot = BootWithDrives();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  auto* Probe = Routine<BOOLEAN(UINT8)>(*Boot, "_Z18ProbeDefaultMasterh");
  ASSERT_EQ(SetDrive(*Boot, "User1", 0, 1), EFI_SUCCESS);
  std::vector<UINT8> Before((UINT8*)&State(*Boot), (UINT8*)&State(*Boot) + sizeof(SENTREL_STATE));
  std::size_t ServiceEvents = Boot->Trace().Find("hdd.").size();
  std::u16string Typed = Text("User1");
  for (UINT8 Slot : {3, 4, 200, 255}) {
    SCOPED_TRACE(Slot);
    Boot->Invoke([&] {
      for (UINT8 Kind : {0, 1}) {
        EXPECT_EQ(P->VerifyDrivePassword(P, Typed.data(), Kind, Slot), FALSE);
        EXPECT_EQ(P->IsDrivePasswordSet(P, Kind, Slot), FALSE);
      }
      for (UINT8 Kind : {0, 1, 2}) EXPECT_EQ(P->SetDrivePassword(P, Typed.data(), Kind, Slot), EFI_INVALID_PARAMETER);
      EXPECT_EQ(Probe(Slot), FALSE);
    });
  }
  // Slot 0 holds no drive here.
  Boot->Invoke([&] {
    EXPECT_EQ(P->SetDrivePassword(P, Typed.data(), 0, 0), EFI_INVALID_PARAMETER);
    EXPECT_EQ(P->SetDrivePassword(P, nullptr, 2, 0), EFI_UNSUPPORTED);
    EXPECT_EQ(P->VerifyDrivePassword(P, Typed.data(), 0, 0), FALSE);
    EXPECT_EQ(P->IsDrivePasswordSet(P, 1, 0), FALSE);
  });
  std::vector<UINT8> After((UINT8*)&State(*Boot), (UINT8*)&State(*Boot) + sizeof(SENTREL_STATE));
  EXPECT_EQ(Before, After);
  EXPECT_EQ(Boot->Trace().Find("hdd.").size(), ServiceEvents);
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddPasswordTest, VerifyRefusesTextsLongerThanABlock) {
  auto Boot = BootWithDrives();
  std::string Longest(64, 'k');
  ASSERT_EQ(SetDrive(*Boot, Longest.c_str(), 0, 1), EFI_SUCCESS);
  EXPECT_TRUE(Verify(*Boot, Text(Longest.c_str()), 0, 1));
  std::size_t Unlocks = Commands(*Boot, "SECURITY UNLOCK").size();
  // Its first 64 characters would open the drive: refused before the drive.
  EXPECT_FALSE(Verify(*Boot, Text((Longest + "x").c_str()), 0, 1));
  EXPECT_FALSE(Verify(*Boot, Text((Longest + "x").c_str()), 1, 1));
  EXPECT_EQ(Commands(*Boot, "SECURITY UNLOCK").size(), Unlocks);
  ExpectCleanWithTable(*Boot);
}

struct KeyCase {
  const char* Name;
  UINT16 Scan;
  CHAR16 Char;
  UINT32 Shift;
  bool Allowed;
};

TEST_F(HddPasswordTest, FilterPasswordKey) {
  constexpr UINT32 Valid = EFI_SHIFT_STATE_VALID;
  const KeyCase Cases[] = {
      {"letter", 0, u'a', 0, true},
      {"Shift+A", 0, u'A', Valid | EFI_LEFT_SHIFT_PRESSED, true},
      {"digit", 0, u'7', 0, true},
      {"space", 0, u' ', 0, true},
      {"semicolon", 0, u';', 0, true},
      {"Ctrl+A", 0, u'a', Valid | EFI_LEFT_CONTROL_PRESSED, false},
      {"right Ctrl+z", 0, u'z', Valid | EFI_RIGHT_CONTROL_PRESSED, false},
      {"Alt+1", 0, u'1', Valid | EFI_LEFT_ALT_PRESSED, false},
      {"AltGr+q", 0, u'q', Valid | EFI_RIGHT_ALT_PRESSED, false},
      {"Escape", SCAN_ESC, 0, 0, true},
      {"Escape with a character", SCAN_ESC, 0x1B, 0, false},
      {"Ctrl+Escape", SCAN_ESC, 0, Valid | EFI_LEFT_CONTROL_PRESSED, false},
      {"Enter", 0, CHAR_CARRIAGE_RETURN, 0, true},
      {"Backspace", 0, CHAR_BACKSPACE, 0, true},
      {"Enter with a scan code", SCAN_F1, CHAR_CARRIAGE_RETURN, 0, false},
      {"F1", SCAN_F1, 0, 0, false},
      {"punctuation", 0, u'-', 0, false},
      {"non-ASCII letter", 0, u'\u00E9', 0, false},
  };
  auto Boot = BootWithDrives();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  constexpr std::size_t kKeyOffset = 88;
  for (const KeyCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    std::array<UINT8, 104> Context;
    Context.fill(0x5A);
    EFI_KEY_DATA Key{{Case.Scan, Case.Char}, {Case.Shift, 0}};
    std::memcpy(&Context[kKeyOffset], &Key, sizeof(Key));
    BOOLEAN Allowed = 2;
    Boot->Invoke([&] { Allowed = P->FilterPasswordKey(Context.data()); });
    EXPECT_EQ(Allowed, Case.Allowed ? TRUE : FALSE);
    for (std::size_t I = 0; I < Context.size(); I++) {
      bool InKey = I >= kKeyOffset && I < kKeyOffset + sizeof(EFI_KEY_DATA);
      ASSERT_EQ(Context[I], InKey ? 0 : 0x5A) << I;
    }
  }
  BOOLEAN NoContext = 2;
  Boot->Invoke([&] { NoContext = P->FilterPasswordKey(nullptr); });
  EXPECT_EQ(NoContext, FALSE);
  ExpectCleanWithTable(*Boot);
}

}  // namespace
