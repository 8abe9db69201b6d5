// The HDD device table: slot mapping, the device list, the table copies the
// driver hands out and the hand-off of the drives' hashes to the
// system-management side.
#include <array>
#include <string>
#include <vector>

#include "HddFixture.h"

namespace {

struct DriveSpec {
  std::string Serial;
  bool Nvme;
  UINT64 Bus, Device, Function;
  UINT16 Port;
  bool Unreadable = false;
};

struct MappingCase {
  const char* Name;
  std::vector<DriveSpec> Drives;
  std::array<const char*, 3> SlotSerials;  // nullptr: the slot stays empty
};

void PrintTo(const MappingCase& Case, std::ostream* Out) { *Out << Case.Name; }

class SlotMappingTest : public HddTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(SlotMappingTest, FillsSlotsFromTheMap) {
  const MappingCase& Case = GetParam();
  for (const DriveSpec& Spec : Case.Drives) {
    auto Drive = std::make_shared<sim::StorageDrive>(Spec.Nvme ? sim::StorageDrive::Bus::Nvme
                                                               : sim::StorageDrive::Bus::Sata,
                                                     "Model " + Spec.Serial, Spec.Serial);
    Drive->SetIdentifyFails(Spec.Unreadable);
    Service->AddDrive(Drive, {Spec.Bus, Spec.Device, Spec.Function, Spec.Port});
  }
  auto Boot = BootWithDrives();
  const HDD_DEVICE_RECORD* Live = Table(*Boot);
  ASSERT_NE(Live, nullptr);
  for (unsigned Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    SCOPED_TRACE("slot " + std::to_string(Slot));
    if (Case.SlotSerials[Slot] == nullptr) {
      EXPECT_EQ(Live[Slot].Present, 0);
      continue;
    }
    ASSERT_EQ(Live[Slot].Present, 1);
    ASSERT_NE((const UINT8*)Live[Slot].IdentifyData, nullptr);
    EXPECT_EQ(SerialOf(Live[Slot]), Case.SlotSerials[Slot]);
    for (const DriveSpec& Spec : Case.Drives) {
      if (Spec.Serial == Case.SlotSerials[Slot]) {
        EXPECT_EQ(Live[Slot].IsNvme, Spec.Nvme ? 1 : 0);
      }
    }
  }
  // Each present drive was prepared once.
  std::size_t Present = 0;
  for (unsigned Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) Present += Live[Slot].Present;
  EXPECT_EQ(Boot->Trace().Count("hdd.prepare"), Present);
  ExpectCleanWithTable(*Boot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlotMappingTest,
    ::testing::Values(
        MappingCase{"ByLocation",
                    {{"NVME-A", true, 2, 0, 0, HDD_PORT_NONE},
                     {"SATA-1", false, 0, 0x17, 0, 1},
                     {"SATA-2", false, 0, 0x17, 0, 2},
                     {"SATA-3", false, 0, 0x17, 0, 3},
                     {"OTHER-1", false, 0, 0x18, 0, 1}},
                    {"NVME-A", "SATA-1", "SATA-2"}},
        MappingCase{"LaterMatchWins",
                    {{"NVME-A", true, 1, 0, 0, HDD_PORT_NONE},
                     {"SATA-2", false, 0, 0x17, 0, 2},
                     {"NVME-B", true, 3, 0, 0, HDD_PORT_NONE}},
                    {"NVME-B", nullptr, "SATA-2"}},
        // Without an NVMe interface, port 0xFF only fits slot 0's own location.
        MappingCase{"PortNoneNeedsNvmeElsewhere",
                    {{"ODD-5", false, 0, 5, 0, HDD_PORT_NONE}, {"ODD-0", false, 0, 0, 0, HDD_PORT_NONE}},
                    {"ODD-0", nullptr, nullptr}},
        MappingCase{"UnreadableDriveLeftOut",
                    {{"SATA-1", false, 0, 0x17, 0, 1},
                     {"SATA-2", false, 0, 0x17, 0, 2, true},
                     {"NVME-A", true, 1, 0, 0, HDD_PORT_NONE}},
                    {"NVME-A", "SATA-1", nullptr}}),
    [](const ::testing::TestParamInfo<MappingCase>& Info) { return std::string(Info.param.Name); });

TEST_F(HddTest, ListSkipsUnreadableDrive) {
  Service->AddSataDrive("Model S1", "SATA-1", 1);
  Service->AddSataDrive("Model S2", "SATA-2", 2)->SetIdentifyFails(true);
  Service->AddNvmeDrive("Model N", "NVME-A", 1);
  auto Boot = BootWithDrives();
  auto* Build = Routine<EFI_STATUS(HDD_DEVICE_RECORD**)>(*Boot, "_Z15BuildDeviceListPP17HDD_DEVICE_RECORD");
  HDD_DEVICE_RECORD* List = nullptr;
  Boot->Invoke([&] { EXPECT_EQ(Build(&List), EFI_SUCCESS); });
  ASSERT_NE(List, nullptr);
  // Packed records: fields are read by value.
  EXPECT_EQ((UINT64)List[0].ListCount, 2u);
  EXPECT_EQ((UINT64)List[1].ListCount, 0u);
  EXPECT_EQ(SerialOf(List[0]), "SATA-1");
  EXPECT_EQ((UINT16)List[0].Port, 1);
  EXPECT_EQ(List[0].IsNvme, 0);
  // The third entry took the record of the unreadable second one.
  EXPECT_EQ(SerialOf(List[1]), "NVME-A");
  EXPECT_EQ((UINT16)List[1].Port, HDD_PORT_NONE);
  EXPECT_EQ((UINT64)List[1].PciBus, 1u);
  EXPECT_EQ(List[1].IsNvme, 1);
  // The list and its IDENTIFY buffers belong to the caller; a buffer of the
  // unreadable drive was not left behind.
  EXPECT_EQ(Boot->Memory().Outstanding("Sentrel", EfiBootServicesData).size(),
            KeptBootServicesBlocks().size() + 1 + 2 + 1 + 2);
  Boot->Invoke([&] {
    for (unsigned I = 0; I < 2; I++) EXPECT_EQ(Boot->BootServices()->FreePool(List[I].IdentifyData), EFI_SUCCESS);
    EXPECT_EQ(Boot->BootServices()->FreePool(List), EFI_SUCCESS);
  });
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddTest, DeviceTableBeforeAndAfterTheServiceArrives) {
  auto Drive = Service->AddSataDrive("Model S1", "SATA-1", 1);
  Service->AddNvmeDrive("Model N", "NVME-A");
  Service->DiscoverAt(std::nullopt);
  auto Boot = StartBoot();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  ASSERT_NE(P, nullptr);

  HDD_DEVICE_RECORD* Empty = nullptr;
  Boot->Invoke([&] {
    EXPECT_EQ(P->GetDeviceTable(nullptr), EFI_INVALID_PARAMETER);
    ASSERT_EQ(P->GetDeviceTable(&Empty), EFI_SUCCESS);
  });
  ASSERT_NE(Empty, nullptr);
  for (std::size_t I = 0; I < HDD_DEVICE_TABLE_SIZE; I++) ASSERT_EQ(((UINT8*)Empty)[I], 0) << I;
  Boot->Invoke([&] { EXPECT_EQ(Boot->BootServices()->FreePool(Empty), EFI_SUCCESS); });

  // Discovered after the driver started: the arrival handler builds the table.
  Boot->Invoke([&] { Service->Discover(*Boot); });
  HDD_DEVICE_RECORD* Live = Table(*Boot);
  ASSERT_NE(Live, nullptr);
  ASSERT_TRUE(Live[0].Present && Live[1].Present);
  Boot->Invoke([&] { ASSERT_EQ(P->SetDrivePassword(P, Text("Secret1").data(), 0, 1), EFI_SUCCESS); });

  // A copy: the same records with IDENTIFY copies of its own. A live record
  // without IDENTIFY data gives a copy without any.
  UINT8* Slot0Identify = Live[0].IdentifyData;
  Live[0].IdentifyData = nullptr;
  HDD_DEVICE_RECORD* Copy = nullptr;
  Boot->Invoke([&] { ASSERT_EQ(P->GetDeviceTable(&Copy), EFI_SUCCESS); });
  Live[0].IdentifyData = Slot0Identify;
  ASSERT_NE(Copy, nullptr);
  EXPECT_EQ(Copy[0].Present, 1);
  EXPECT_EQ((const UINT8*)Copy[0].IdentifyData, nullptr);
  ASSERT_NE((const UINT8*)Copy[1].IdentifyData, nullptr);
  EXPECT_NE((const UINT8*)Copy[1].IdentifyData, (const UINT8*)Live[1].IdentifyData);
  EXPECT_EQ(std::memcmp(Copy[1].IdentifyData, Live[1].IdentifyData, 512), 0);
  EXPECT_EQ(std::memcmp((UINT8*)&Copy[1] + 8, (UINT8*)&Live[1] + 8, sizeof(HDD_DEVICE_RECORD) - 8), 0);
  EXPECT_EQ(Hex(Copy[1].UserPasswordHash, 32), Hex(DriveHash("Secret1", "Model S1", "SATA-1")));
  EXPECT_EQ(Copy[2].Present, 0);
  EXPECT_EQ((const UINT8*)Copy[2].IdentifyData, nullptr);
  Boot->Invoke([&] {
    EXPECT_EQ(Boot->BootServices()->FreePool(Copy[1].IdentifyData), EFI_SUCCESS);
    EXPECT_EQ(Boot->BootServices()->FreePool(Copy), EFI_SUCCESS);
  });
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddTest, HandOffGivesTheHashesToTheSystemManagementSideOnce) {
  auto Sata = Service->AddSataDrive("Model S1", "SATA-1", 1);
  Service->AddNvmeDrive("Model N", "NVME-A");
  // The boot-time check would hand the snapshot over itself.
  auto Boot = BootWithoutCheck();
  SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
  HDD_DEVICE_RECORD* Live = Table(*Boot);
  ASSERT_NE(Live, nullptr);
  Boot->Invoke([&] {
    ASSERT_EQ(P->SetDrivePassword(P, Text("Master1").data(), 1, 0), EFI_SUCCESS);
    ASSERT_EQ(P->SetDrivePassword(P, Text("User1").data(), 0, 1), EFI_SUCCESS);
  });
  const Hash32 Master0 = DriveHash("Master1", "Model N", "NVME-A");
  const Hash32 User1 = DriveHash("User1", "Model S1", "SATA-1");
  std::vector<UINT8> Identify1(Live[1].IdentifyData, Live[1].IdentifyData + 512);
  // A present record that lost its IDENTIFY data is handed over without any.
  UINT8* Slot0Identify = Live[0].IdentifyData;
  Live[0].IdentifyData = nullptr;

  auto* HandOff = Routine<VOID()>(*Boot, "_Z21HandOffDeviceSnapshotv");
  Boot->Invoke([&] { HandOff(); });
  Live[0].IdentifyData = Slot0Identify;

  const sim::DriveSnapshotSmi::Capture* Taken = Smm->Last();
  ASSERT_NE(Taken, nullptr);
  ASSERT_TRUE(Taken->SnapshotFound);
  EXPECT_EQ(Taken->SnapshotType, EfiRuntimeServicesData);
  EXPECT_EQ(Hex(Taken->Drives[0].Record.MasterPasswordHash, 32), Hex(Master0));
  EXPECT_EQ(Hex(Taken->Drives[1].Record.UserPasswordHash, 32), Hex(User1));
  EXPECT_FALSE(Taken->Drives[0].Identify.has_value());
  ASSERT_TRUE(Taken->Drives[1].Identify.has_value());
  EXPECT_EQ(std::vector<UINT8>(Taken->Drives[1].Identify->begin(), Taken->Drives[1].Identify->end()), Identify1);
  EXPECT_EQ(Taken->Drives[2].Record.Present, 0);

  const UINT8 Zero[32] = {};
  for (unsigned Slot = 0; Slot < 2; Slot++) {
    EXPECT_EQ(std::memcmp(Live[Slot].UserPasswordHash, Zero, 32), 0) << Slot;
    EXPECT_EQ(std::memcmp(Live[Slot].MasterPasswordHash, Zero, 32), 0) << Slot;
  }
  EXPECT_EQ(P->DeviceSnapshot, nullptr);
  EXPECT_TRUE(Boot->Memory().Outstanding("Sentrel", EfiRuntimeServicesData).empty());

  // Consumed once: a second call raises no SMI.
  std::size_t Smis = Boot->Trace().Count("smi");
  Boot->Invoke([&] { HandOff(); });
  EXPECT_EQ(Boot->Trace().Count("smi"), Smis);
  EXPECT_EQ(Smm->Captures().size(), 1u);
  EXPECT_TRUE(Sata->SecurityEnabled());
  ExpectCleanWithTable(*Boot);
}

TEST_F(HddTest, HandOffBeforeAnyTableHandsOverNoDrives) {
  Service->AddSataDrive("Model S1", "SATA-1", 1);
  Service->DiscoverAt(std::nullopt);
  auto Boot = StartBoot();
  auto* HandOff = Routine<VOID()>(*Boot, "_Z21HandOffDeviceSnapshotv");
  Boot->Invoke([&] { HandOff(); });
  const sim::DriveSnapshotSmi::Capture* Taken = Smm->Last();
  ASSERT_NE(Taken, nullptr);
  ASSERT_TRUE(Taken->SnapshotFound);
  for (const auto& Drive : Taken->Drives) EXPECT_EQ(Drive.Record.Present, 0);
  EXPECT_EQ(Protocol(*Boot)->DeviceSnapshot, nullptr);
  EXPECT_TRUE(Boot->Memory().Outstanding("Sentrel", EfiRuntimeServicesData).empty());
  ExpectClean(*Boot);
}

}  // namespace
