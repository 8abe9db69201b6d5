// The platform parts the drive passwords run against: the drive's ATA
// security feature set and the HDD password service that carries commands to
// it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/devices/HddPasswordService.h"
#include "sim/devices/StorageDrive.h"

namespace {

using sim::StorageDrive;

UINT16 Word(const StorageDrive::Sector& Data, std::size_t Index) {
  return (UINT16)(Data[Index * 2] | (Data[Index * 2 + 1] << 8));
}

// The data block of a security command.
StorageDrive::Sector Block(bool Master, char Fill, UINT16 Extra = 0, UINT16 MasterId = 0) {
  StorageDrive::Sector Data{};
  UINT16 Control = (UINT16)((Master ? StorageDrive::kControlIdentifierMaster : 0) | Extra);
  Data[0] = (UINT8)Control;
  Data[1] = (UINT8)(Control >> 8);
  for (std::size_t I = 0; I < 32; I++) Data[StorageDrive::kPasswordOffset + I] = (UINT8)Fill;
  Data[StorageDrive::kMasterIdOffset] = (UINT8)MasterId;
  Data[StorageDrive::kMasterIdOffset + 1] = (UINT8)(MasterId >> 8);
  return Data;
}

const StorageDrive::Sector User = Block(false, 'u');
const StorageDrive::Sector Wrong = Block(false, 'w');
const StorageDrive::Sector Master = Block(true, ' ');  // the factory master password

TEST(StorageDriveTest, IdentifyData) {
  StorageDrive Drive(StorageDrive::Bus::Sata, "Model X", "SER123", 0x123456789ull);
  StorageDrive::Sector Data{};
  ASSERT_TRUE(Drive.Identify(Data));
  EXPECT_EQ(Word(Data, 0), 0x0040);
  // ATA strings: two characters a word, the first in the high byte.
  EXPECT_EQ(std::string(Data.begin() + 20, Data.begin() + 40), "ES1R32              ");
  EXPECT_EQ(std::string(Data.begin() + 54, Data.begin() + 62), "oMed l X");
  EXPECT_EQ(Word(Data, 100) | ((UINT64)Word(Data, 101) << 16) | ((UINT64)Word(Data, 102) << 32), 0x123456789ull);
  EXPECT_EQ(Word(Data, 60) | (Word(Data, 61) << 16), 0x0FFFFFFF);
  EXPECT_NE(Word(Data, 82) & 0x0002, 0);  // security supported
  EXPECT_EQ(Word(Data, 85) & 0x0002, 0);  // not enabled
  EXPECT_EQ(Word(Data, 92), StorageDrive::kFactoryMasterId);
  EXPECT_EQ(Word(Data, 128), StorageDrive::kSecuritySupported | StorageDrive::kSecurityEnhancedErase);
  UINT8 Sum = 0;
  for (UINT8 Byte : Data) Sum = (UINT8)(Sum + Byte);
  EXPECT_EQ(Data[510], 0xA5);
  EXPECT_EQ(Sum, 0);

  ASSERT_TRUE(Drive.SecuritySetPassword(User));
  ASSERT_TRUE(Drive.Identify(Data));
  EXPECT_NE(Word(Data, 85) & 0x0002, 0);
  EXPECT_EQ(Word(Data, 128) & (StorageDrive::kSecurityEnabled | StorageDrive::kSecurityLocked),
            StorageDrive::kSecurityEnabled);
  Drive.SetIdentifyFails(true);
  EXPECT_FALSE(Drive.Identify(Data));
}

TEST(StorageDriveTest, FrozenAndLockedDrivesRefuseWhatAtaRefuses) {
  StorageDrive Drive(StorageDrive::Bus::Sata, "Model X", "SER123");
  ASSERT_TRUE(Drive.SecuritySetPassword(User));
  EXPECT_FALSE(Drive.Locked());  // setting the user password leaves the drive open
  ASSERT_TRUE(Drive.SecurityFreezeLock());
  EXPECT_FALSE(Drive.SecuritySetPassword(Block(false, 'n')));
  EXPECT_FALSE(Drive.SecurityDisablePassword(User));
  EXPECT_FALSE(Drive.SecurityUnlock(User));
  EXPECT_FALSE(Drive.SecurityErasePrepare());

  Drive.PowerCycle();
  EXPECT_TRUE(Drive.Locked());
  EXPECT_FALSE(Drive.Frozen());
  EXPECT_FALSE(Drive.SecuritySetPassword(Block(false, 'n')));
  EXPECT_FALSE(Drive.SecurityDisablePassword(User));
  EXPECT_FALSE(Drive.SecurityFreezeLock());
  EXPECT_FALSE(Drive.SecurityUnlock(Wrong));
  EXPECT_TRUE(Drive.SecurityUnlock(Master));  // high level: the master password opens it too
  EXPECT_FALSE(Drive.Locked());
  EXPECT_TRUE(Drive.SecurityDisablePassword(User));
  EXPECT_FALSE(Drive.SecurityEnabled());
  Drive.PowerCycle();
  EXPECT_FALSE(Drive.Locked());
}

TEST(StorageDriveTest, MaximumLevelLeavesTheMasterPasswordOnlyErase) {
  StorageDrive Drive(StorageDrive::Bus::Nvme, "Model N", "SERN");
  ASSERT_TRUE(Drive.SecuritySetPassword(Block(false, 'u', StorageDrive::kControlLevelMaximum)));
  EXPECT_NE(Drive.SecurityStatus() & StorageDrive::kSecurityLevelMaximum, 0);
  Drive.PowerCycle();
  EXPECT_FALSE(Drive.SecurityUnlock(Master));
  EXPECT_FALSE(Drive.SecurityEraseUnit(Master));  // not right after ERASE PREPARE
  ASSERT_TRUE(Drive.SecurityErasePrepare());
  EXPECT_TRUE(Drive.SecurityEraseUnit(Master));
  EXPECT_EQ(Drive.Erasures(), 1u);
  EXPECT_FALSE(Drive.SecurityEnabled());
  EXPECT_FALSE(Drive.Locked());
  EXPECT_EQ(Drive.SecurityStatus() & StorageDrive::kSecurityLevelMaximum, 0);
}

TEST(StorageDriveTest, FiveFailedAttemptsUntilPowerCycle) {
  StorageDrive Drive(StorageDrive::Bus::Sata, "Model X", "SER123");
  ASSERT_TRUE(Drive.SecuritySetPassword(User));
  Drive.PowerCycle();
  for (unsigned Attempt = 0; Attempt < StorageDrive::kPasswordAttempts; Attempt++) {
    EXPECT_EQ(Drive.SecurityStatus() & StorageDrive::kSecurityCountExpired, 0);
    EXPECT_FALSE(Drive.SecurityUnlock(Wrong));
  }
  EXPECT_NE(Drive.SecurityStatus() & StorageDrive::kSecurityCountExpired, 0);
  EXPECT_FALSE(Drive.SecurityUnlock(User));
  ASSERT_TRUE(Drive.SecurityErasePrepare());
  EXPECT_FALSE(Drive.SecurityEraseUnit(Master));
  Drive.PowerCycle();
  EXPECT_TRUE(Drive.SecurityUnlock(User));
}

TEST(StorageDriveTest, MasterPasswordIdentifier) {
  StorageDrive Drive(StorageDrive::Bus::Sata, "Model X", "SER123");
  ASSERT_TRUE(Drive.SecuritySetPassword(Block(true, 'm', 0, 0x1234)));
  EXPECT_EQ(Drive.MasterPasswordId(), 0x1234);
  EXPECT_FALSE(Drive.SecurityEnabled());  // a master password alone enables nothing
  ASSERT_TRUE(Drive.SecuritySetPassword(Block(true, 'n', 0, 0xFFFF)));
  EXPECT_EQ(Drive.MasterPasswordId(), 0x1234);  // 0xFFFF is no identifier
  EXPECT_EQ(Drive.MasterPassword()[0], 'n');
}

class HddServiceTest : public ::testing::Test {
 protected:
  sim::Machine Machine;
  std::shared_ptr<sim::HddPasswordService> Service = std::make_shared<sim::HddPasswordService>();
  std::shared_ptr<StorageDrive> Sata = Service->AddSataDrive("Model S", "SATA-1", 1);
  std::shared_ptr<StorageDrive> Nvme = Service->AddNvmeDrive("Model N", "NVME-1");

  HddServiceTest() { Machine.AddComponent(Service); }

  std::unique_ptr<sim::Boot> Discovered() {
    auto Boot = Machine.PrepareBoot();
    Boot->RunThrough(sim::Phase::DriverDispatch);
    EXPECT_TRUE(Service->Discovered());
    return Boot;
  }
};

TEST_F(HddServiceTest, ListsDrivesWithTheirInterfaces) {
  auto Boot = Discovered();
  HDD_PASSWORD_SERVICE* Hdd = nullptr;
  ASSERT_EQ(Boot->Protocols().LocateProtocol(&HDD_PASSWORD_SERVICE_GUID, nullptr, (VOID**)&Hdd), EFI_SUCCESS);
  ASSERT_EQ(Hdd, Service->Interface());
  VOID* Ready = nullptr;
  EXPECT_EQ(Boot->Protocols().LocateProtocol(&HDD_PASSWORD_READY_PROTOCOL_GUID, nullptr, &Ready), EFI_SUCCESS);

  HDD_SERVICE_ENTRY* List = nullptr;
  UINTN Count = 0;
  Boot->Invoke([&] { ASSERT_EQ(Hdd->GetDevices(Hdd, &List, &Count), EFI_SUCCESS); });
  ASSERT_EQ(Count, 2u);
  EXPECT_EQ(List[0].Port, 1);
  EXPECT_EQ(List[0].PciDevice, 0x17u);
  EXPECT_EQ(List[1].Port, HDD_PORT_NONE);
  const std::pair<const StorageDrive*, EFI_GUID> Expected[] = {{Sata.get(), EFI_DISK_INFO_AHCI_INTERFACE_GUID},
                                                               {Nvme.get(), EFI_DISK_INFO_NVME_INTERFACE_GUID}};
  for (UINTN I = 0; I < Count; I++) {
    EXPECT_EQ(List[I].DeviceHandle, Service->HandleOf(*Expected[I].first));
    EFI_DISK_INFO_PROTOCOL* Info = nullptr;
    ASSERT_EQ(Boot->Protocols().HandleProtocol(List[I].DeviceHandle, &EFI_DISK_INFO_PROTOCOL_GUID, (VOID**)&Info),
              EFI_SUCCESS);
    EXPECT_EQ(std::memcmp(&Info->Interface, &Expected[I].second, sizeof(EFI_GUID)), 0);
  }
  EXPECT_TRUE(Boot->Violations().empty());
}

TEST_F(HddServiceTest, CarriesCommandsAndRefusesStaleEntries) {
  auto Boot = Discovered();
  HDD_PASSWORD_SERVICE* Hdd = Service->Interface();
  std::array<UINT8, 32> Password;
  Password.fill(0x11);
  Boot->Invoke([&] {
    HDD_SERVICE_ENTRY* List = nullptr;
    UINTN Count = 0;
    ASSERT_EQ(Hdd->GetDevices(Hdd, &List, &Count), EFI_SUCCESS);
    EXPECT_EQ(Hdd->SetPassword(Hdd, &List[0], HDD_PASSWORD_MODE_USER, Password.data(), 32), EFI_SUCCESS);
    EXPECT_EQ(Hdd->UnlockPassword(Hdd, &List[0], HDD_PASSWORD_MODE_USER, Password.data(), 16),
              EFI_INVALID_PARAMETER);
    EXPECT_EQ(Hdd->UnlockPassword(Hdd, &List[0], HDD_PASSWORD_MODE_MASTER, Password.data(), 32), EFI_DEVICE_ERROR);

    // The next list replaces the array: the old entry is no longer the service's.
    HDD_SERVICE_ENTRY* Stale = &List[1];
    ASSERT_EQ(Hdd->GetDevices(Hdd, &List, &Count), EFI_SUCCESS);
    EXPECT_NE(&List[1], Stale);
    EXPECT_EQ(Hdd->DisablePassword(Hdd, Stale, HDD_PASSWORD_MODE_USER, Password.data(), 32), EFI_INVALID_PARAMETER);

    Nvme->SetIdentifyFails(true);
    std::array<UINT8, 512> Identify{};
    EXPECT_EQ(Hdd->ReadIdentifyData(Hdd, &List[1], Identify.data()), EFI_DEVICE_ERROR);
    EXPECT_EQ(Hdd->ReadIdentifyData(Hdd, &List[0], Identify.data()), EFI_SUCCESS);
    EXPECT_EQ(Identify[256] & StorageDrive::kSecurityEnabled, StorageDrive::kSecurityEnabled);
  });
  EXPECT_TRUE(Sata->SecurityEnabled());

  auto Commands = Boot->Trace().Find("hdd.command");
  ASSERT_EQ(Commands.size(), 4u);
  EXPECT_EQ(Commands[0]->Data["command"], "SECURITY SET PASSWORD");
  EXPECT_EQ(Commands[0]->Data["password"], std::string(64, '1'));
  EXPECT_EQ(Commands[0]->Data["completed"], true);
  EXPECT_EQ(Commands[1]->Data["command"], "SECURITY UNLOCK");
  EXPECT_EQ(Commands[1]->Data["identifier"], "master");
  EXPECT_EQ(Commands[1]->Data["completed"], false);
  EXPECT_EQ(Commands[2]->Data["command"], "IDENTIFY DEVICE");
  EXPECT_EQ(Commands[2]->Data["completed"], false);
  ASSERT_EQ(Boot->Violations().size(), 1u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "hdd.stale-entry");
}

}  // namespace
