// The password driver on a machine with drives: the HDD password service with
// its drives, the system-management side of SMI 0xD4, and the independent
// computations the drive tests check the driver against.
#pragma once
#include <openssl/sha.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "SentrelFixture.h"
#include "sim/devices/DriveSnapshotSmi.h"
#include "sim/devices/HddPasswordService.h"

class HddTest : public SentrelTest {
 protected:
  using Hash32 = std::array<UINT8, 32>;
  using Digest16 = std::array<UINT8, 16>;

  std::shared_ptr<sim::HddPasswordService> Service = std::make_shared<sim::HddPasswordService>();
  std::shared_ptr<sim::DriveSnapshotSmi> Smm = std::make_shared<sim::DriveSnapshotSmi>();

  HddTest() {
    Machine.AddComponent(Service);
    Machine.AddComponent(Smm);
  }

  // The drives are discovered before the driver starts: its service-arrival
  // handler builds the table at once.
  std::unique_ptr<sim::Boot> BootWithDrives() {
    Service->DiscoverAt(sim::When::BeforeDispatch());
    return StartBoot();
  }

  // The driver takes the service as its arrival handler does (locate, build
  // the table, prepare the drives), without the boot-time check that would
  // ask for the password of a locked drive.
  std::unique_ptr<sim::Boot> BootWithoutCheck() {
    Service->DiscoverAt(std::nullopt);
    auto Boot = StartBoot();
    SENTREL_STATE& Sentrel = State(*Boot);
    SENTREL_PASSWORD_PROTOCOL* P = Protocol(*Boot);
    auto* Prepare = Routine<EFI_STATUS()>(*Boot, "_Z13PrepareDrivesv");
    Boot->Invoke([&] {
      Service->InstallService(*Boot);
      Sentrel.HddService = Service->Interface();
      EXPECT_EQ(P->GetDeviceTable(&Sentrel.HddDeviceTable), EFI_SUCCESS);
      EXPECT_EQ(Prepare(), EFI_SUCCESS);
    });
    return Boot;
  }

  static HDD_DEVICE_RECORD* Table(sim::Boot& Boot) { return State(Boot).HddDeviceTable; }

  static UINT16 SecurityWord(const UINT8* Identify) { return (UINT16)(Identify[256] | (Identify[257] << 8)); }

  // The driver keeps its table and the IDENTIFY buffer of every present slot.
  static void ExpectCleanWithTable(sim::Boot& Boot) {
    auto Kept = KeptBootServicesBlocks();
    if (const HDD_DEVICE_RECORD* Live = Table(Boot)) {
      Kept.push_back(HDD_DEVICE_TABLE_SIZE);
      for (unsigned Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
        if (Live[Slot].Present && Live[Slot].IdentifyData != nullptr) Kept.push_back(512);
      }
    }
    ExpectNoViolations(Boot);
    ExpectOnlyKept(Boot, Kept);
  }

  // The commands the service carried, optionally only those of one name.
  static std::vector<nlohmann::json> Commands(sim::Boot& Boot, const std::string& Name = {}) {
    std::vector<nlohmann::json> Out;
    for (const sim::TraceEvent* Event : Boot.Trace().Find("hdd.command")) {
      if (Name.empty() || Event->Data["command"] == Name) Out.push_back(Event->Data);
    }
    return Out;
  }

  static std::string Hex(const UINT8* Bytes, std::size_t Size) {
    static const char Digits[] = "0123456789abcdef";
    std::string Out;
    for (std::size_t I = 0; I < Size; I++) {
      Out += Digits[Bytes[I] >> 4];
      Out += Digits[Bytes[I] & 0xF];
    }
    return Out;
  }
  template <std::size_t N>
  static std::string Hex(const std::array<UINT8, N>& Bytes) {
    return Hex(Bytes.data(), N);
  }

  // Independent of the driver: the first 16 bytes of SHA-256 over the
  // 64-byte lower-cased block of an ASCII password.
  static Digest16 Digest(const std::string& Text) {
    UINT8 Block[64] = {};
    for (std::size_t I = 0; I < Text.size() && I < 64; I++) {
      char C = Text[I];
      Block[I] = (UINT8)(C >= 'A' && C <= 'Z' ? C + 0x20 : C);
    }
    UINT8 Full[32];
    SHA256(Block, sizeof(Block), Full);
    Digest16 Out;
    std::memcpy(Out.data(), Full, Out.size());
    return Out;
  }

  // Independent of the drive model: an ATA IDENTIFY string field, two
  // characters a word with the first in the high byte, padded with blanks.
  static std::vector<UINT8> AtaField(const std::string& Text, std::size_t Size) {
    std::string Padded = Text;
    Padded.resize(Size, ' ');
    std::vector<UINT8> Out(Size);
    for (std::size_t I = 0; I < Size; I += 2) {
      Out[I] = (UINT8)Padded[I + 1];
      Out[I + 1] = (UINT8)Padded[I];
    }
    return Out;
  }

  // SHA-256 of digest bytes 0-11, the model field and the serial field as
  // they lie in IDENTIFY data.
  static Hash32 DriveHash(const std::string& Text, const std::string& Model, const std::string& Serial) {
    Digest16 D = Digest(Text);
    std::vector<UINT8> Message(D.begin(), D.begin() + 12);
    std::vector<UINT8> ModelField = AtaField(Model, 40);
    std::vector<UINT8> SerialField = AtaField(Serial, 20);
    Message.insert(Message.end(), ModelField.begin(), ModelField.end());
    Message.insert(Message.end(), SerialField.begin(), SerialField.end());
    Hash32 Out;
    SHA256(Message.data(), Message.size(), Out.data());
    return Out;
  }

  // The serial number in a record's IDENTIFY data, blanks trimmed.
  static std::string SerialOf(const HDD_DEVICE_RECORD& Record) {
    std::string Serial;
    for (std::size_t I = 20; I < 40; I += 2) {
      Serial += (char)Record.IdentifyData[I + 1];
      Serial += (char)Record.IdentifyData[I];
    }
    return Serial.substr(0, Serial.find_last_not_of(' ') + 1);
  }
};
