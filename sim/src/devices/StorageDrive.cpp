#include "sim/devices/StorageDrive.h"

#include <algorithm>

namespace sim {
namespace {

// IDENTIFY DEVICE words (ATA command set).
constexpr std::size_t kWordGeneral = 0;
constexpr std::size_t kWordCylinders = 1;
constexpr std::size_t kWordHeads = 3;
constexpr std::size_t kWordSectorsPerTrack = 6;
constexpr std::size_t kWordSerial = 10;  // 20 characters
constexpr std::size_t kWordFirmware = 23;  // 8 characters
constexpr std::size_t kWordModel = 27;  // 40 characters
constexpr std::size_t kWordMultiple = 47;
constexpr std::size_t kWordCapabilities = 49;
constexpr std::size_t kWordValidFields = 53;
constexpr std::size_t kWordLba28Sectors = 60;  // two words
constexpr std::size_t kWordMajorVersion = 80;
constexpr std::size_t kWordSupported82 = 82;
constexpr std::size_t kWordSupported83 = 83;
constexpr std::size_t kWordSupported84 = 84;
constexpr std::size_t kWordEnabled85 = 85;
constexpr std::size_t kWordEnabled86 = 86;
constexpr std::size_t kWordEnabled87 = 87;
constexpr std::size_t kWordEraseTime = 89;
constexpr std::size_t kWordEnhancedEraseTime = 90;
constexpr std::size_t kWordMasterId = 92;
constexpr std::size_t kWordLba48Sectors = 100;  // four words
constexpr std::size_t kWordSecurityStatus = 128;
constexpr std::size_t kWordIntegrity = 255;

constexpr UINT16 kGeneralFixedDevice = 0x0040;
constexpr UINT16 kCapabilitiesLbaDma = 0x0300;
constexpr UINT16 kMultipleSectors16 = 0x8010;
constexpr UINT16 kValidFields = 0x0007;
constexpr UINT16 kMajorAcs = 0x01F0;  // ATA/ATAPI-5 up to ACS-2
// Word 82/85 bits: SMART, security, power management, write cache,
// look-ahead, NOP.
constexpr UINT16 kFeatureSmart = 0x0001;
constexpr UINT16 kFeatureSecurity = 0x0002;
constexpr UINT16 kFeaturesOther82 = 0x0008 | 0x0020 | 0x0040 | 0x4000;
// Word 83/86: 48-bit addressing, flush cache (ext); word 83 bit 14 is one.
constexpr UINT16 kFeatures83 = 0x4000 | 0x0400 | 0x1000 | 0x2000;
constexpr UINT16 kFeatures86 = 0x0400 | 0x1000 | 0x2000;
constexpr UINT16 kWordValidSignature = 0x4000;  // words 84 and 87
constexpr UINT16 kEraseMinutes2 = 0x0040;       // erase time in 2-minute units
constexpr UINT64 kLba28Max = 0x0FFFFFFF;
constexpr UINT8 kIntegritySignature = 0xA5;
constexpr UINT16 kMasterIdNone = 0x0000;
constexpr UINT16 kMasterIdReserved = 0xFFFF;

void PutWord(StorageDrive::Sector& Data, std::size_t Word, UINT16 Value) {
  Data[Word * 2] = (UINT8)Value;
  Data[Word * 2 + 1] = (UINT8)(Value >> 8);
}

UINT16 GetWord(const StorageDrive::Sector& Data, std::size_t Word) {
  return (UINT16)(Data[Word * 2] | (Data[Word * 2 + 1] << 8));
}

}  // namespace

StorageDrive::StorageDrive(Bus Kind, std::string Model, std::string Serial, UINT64 Sectors, std::string Firmware)
    : Kind_(Kind), Model_(std::move(Model)), Serial_(std::move(Serial)), Firmware_(std::move(Firmware)),
      Sectors_(Sectors) {
  // Shipped with a master password of blanks, as drives commonly are.
  Master_.fill(' ');
}

void StorageDrive::PutAtaString(UINT8* Out, std::size_t Size, const std::string& Text) {
  for (std::size_t Index = 0; Index < Size; Index++) {
    // The character at even position goes into the high byte of its word.
    std::size_t Source = Index ^ 1;
    Out[Index] = Source < Text.size() ? (UINT8)Text[Source] : (UINT8)' ';
  }
}

UINT16 StorageDrive::SecurityStatus() const {
  UINT16 Status = kSecuritySupported | kSecurityEnhancedErase;
  if (SecurityEnabled()) {
    Status |= kSecurityEnabled;
    if (Level_ == Level::Maximum) Status |= kSecurityLevelMaximum;
  }
  if (Locked_) Status |= kSecurityLocked;
  if (Frozen_) Status |= kSecurityFrozen;
  if (AttemptsExceeded()) Status |= kSecurityCountExpired;
  return Status;
}

StorageDrive::Sector StorageDrive::IdentifyData() const {
  Sector Data{};
  PutWord(Data, kWordGeneral, kGeneralFixedDevice);
  PutWord(Data, kWordCylinders, 16383);
  PutWord(Data, kWordHeads, 16);
  PutWord(Data, kWordSectorsPerTrack, 63);
  PutAtaString(&Data[kWordSerial * 2], 20, Serial_);
  PutAtaString(&Data[kWordFirmware * 2], 8, Firmware_);
  PutAtaString(&Data[kWordModel * 2], 40, Model_);
  PutWord(Data, kWordMultiple, kMultipleSectors16);
  PutWord(Data, kWordCapabilities, kCapabilitiesLbaDma);
  PutWord(Data, kWordValidFields, kValidFields);
  UINT64 Lba28 = std::min(Sectors_, kLba28Max);
  PutWord(Data, kWordLba28Sectors, (UINT16)Lba28);
  PutWord(Data, kWordLba28Sectors + 1, (UINT16)(Lba28 >> 16));
  PutWord(Data, kWordMajorVersion, kMajorAcs);
  PutWord(Data, kWordSupported82, kFeatureSmart | kFeatureSecurity | kFeaturesOther82);
  PutWord(Data, kWordSupported83, kFeatures83);
  PutWord(Data, kWordSupported84, kWordValidSignature);
  UINT16 Enabled85 = kFeatureSmart | kFeaturesOther82;
  if (SecurityEnabled()) Enabled85 |= kFeatureSecurity;
  PutWord(Data, kWordEnabled85, Enabled85);
  PutWord(Data, kWordEnabled86, kFeatures86);
  PutWord(Data, kWordEnabled87, kWordValidSignature);
  PutWord(Data, kWordEraseTime, kEraseMinutes2);
  PutWord(Data, kWordEnhancedEraseTime, kEraseMinutes2);
  PutWord(Data, kWordMasterId, MasterId_);
  for (std::size_t Word = 0; Word < 4; Word++) {
    PutWord(Data, kWordLba48Sectors + Word, (UINT16)(Sectors_ >> (16 * Word)));
  }
  PutWord(Data, kWordSecurityStatus, SecurityStatus());
  // Integrity word: signature, then the byte that makes all 512 bytes sum to 0.
  Data[kWordIntegrity * 2] = kIntegritySignature;
  UINT8 Sum = 0;
  for (std::size_t Index = 0; Index < Data.size() - 1; Index++) Sum = (UINT8)(Sum + Data[Index]);
  Data[kWordIntegrity * 2 + 1] = (UINT8)(0x100 - Sum);
  return Data;
}

UINT16 StorageDrive::Control(const Sector& Data) { return GetWord(Data, 0); }

StorageDrive::Password StorageDrive::PasswordOf(const Sector& Data) {
  Password Value{};
  std::copy_n(Data.begin() + kPasswordOffset, Value.size(), Value.begin());
  return Value;
}

bool StorageDrive::CheckPassword(const Sector& Data, bool Counted) {
  Password Given = PasswordOf(Data);
  bool Match = IsMaster(Data) ? Given == Master_ : (User_.has_value() && Given == *User_);
  if (!Match && Counted && AttemptsLeft_ > 0) AttemptsLeft_--;
  return Match;
}

void StorageDrive::DisableSecurity() {
  User_.reset();
  Locked_ = false;
  Level_ = Level::High;
}

bool StorageDrive::Identify(Sector& Data) {
  ErasePrepared_ = false;
  if (IdentifyFails_) return false;
  Data = IdentifyData();
  return true;
}

bool StorageDrive::SecuritySetPassword(const Sector& Data) {
  ErasePrepared_ = false;
  if (Locked_ || Frozen_) return false;
  if (IsMaster(Data)) {
    Master_ = PasswordOf(Data);
    UINT16 Id = GetWord(Data, kMasterIdOffset / 2);
    if (Id != kMasterIdNone && Id != kMasterIdReserved) MasterId_ = Id;
  } else {
    // Setting the user password enables security; the drive stays unlocked.
    User_ = PasswordOf(Data);
    Level_ = (Control(Data) & kControlLevelMaximum) != 0 ? Level::Maximum : Level::High;
  }
  return true;
}

bool StorageDrive::SecurityUnlock(const Sector& Data) {
  ErasePrepared_ = false;
  if (Frozen_ || AttemptsExceeded() || !SecurityEnabled()) return false;
  // At the maximum level the master password only erases.
  if (IsMaster(Data) && Level_ == Level::Maximum) return false;
  if (!CheckPassword(Data, true)) return false;
  Locked_ = false;
  return true;
}

bool StorageDrive::SecurityErasePrepare() {
  ErasePrepared_ = !Frozen_;
  return ErasePrepared_;
}

bool StorageDrive::SecurityEraseUnit(const Sector& Data) {
  bool Prepared = ErasePrepared_;
  ErasePrepared_ = false;
  if (!Prepared || Frozen_ || AttemptsExceeded()) return false;
  if (!CheckPassword(Data, true)) return false;
  Erasures_++;
  DisableSecurity();
  return true;
}

bool StorageDrive::SecurityFreezeLock() {
  ErasePrepared_ = false;
  if (Locked_) return false;
  Frozen_ = true;
  return true;
}

bool StorageDrive::SecurityDisablePassword(const Sector& Data) {
  ErasePrepared_ = false;
  if (Locked_ || Frozen_) return false;
  if (IsMaster(Data) && Level_ == Level::Maximum) return false;
  if (!CheckPassword(Data, false)) return false;
  DisableSecurity();
  return true;
}

void StorageDrive::PowerCycle() {
  Frozen_ = false;
  ErasePrepared_ = false;
  AttemptsLeft_ = kPasswordAttempts;
  Locked_ = SecurityEnabled();
}

}  // namespace sim
