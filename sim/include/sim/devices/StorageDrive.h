// A storage drive with the security feature set of the ATA command set:
// user and master passwords of 32 bytes, the enabled, locked and frozen
// states, the master password identifier, the high and maximum security
// levels and the drive's own count of failed password attempts. A SATA drive
// answers the ATA commands directly; an NVMe drive keeps the same password
// semantics behind its controller, and the platform reaches both the same way.
// The drive lives in the machine: its passwords and data survive every boot,
// and each power-on locks it again while security is enabled.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "uefi/Base.h"

namespace sim {

class StorageDrive {
 public:
  using Password = std::array<UINT8, 32>;
  using Sector = std::array<UINT8, 512>;

  enum class Bus { Sata, Nvme };
  enum class Level { High, Maximum };

  // ATA command codes of the commands the drive answers.
  static constexpr UINT8 kIdentifyDevice = 0xEC;
  static constexpr UINT8 kSecuritySetPassword = 0xF1;
  static constexpr UINT8 kSecurityUnlock = 0xF2;
  static constexpr UINT8 kSecurityErasePrepare = 0xF3;
  static constexpr UINT8 kSecurityEraseUnit = 0xF4;
  static constexpr UINT8 kSecurityFreezeLock = 0xF5;
  static constexpr UINT8 kSecurityDisablePassword = 0xF6;

  // The data block of the security commands: word 0 is the control word,
  // words 1-16 the password, word 17 the master password identifier.
  static constexpr UINT16 kControlIdentifierMaster = 0x0001;  // 0: user password
  static constexpr UINT16 kControlEnhancedErase = 0x0002;
  static constexpr UINT16 kControlLevelMaximum = 0x0100;  // with a user password: maximum level
  static constexpr std::size_t kPasswordOffset = 2;
  static constexpr std::size_t kMasterIdOffset = 34;

  // IDENTIFY DEVICE word 128, the security status.
  static constexpr UINT16 kSecuritySupported = 0x0001;
  static constexpr UINT16 kSecurityEnabled = 0x0002;
  static constexpr UINT16 kSecurityLocked = 0x0004;
  static constexpr UINT16 kSecurityFrozen = 0x0008;
  static constexpr UINT16 kSecurityCountExpired = 0x0010;
  static constexpr UINT16 kSecurityEnhancedErase = 0x0020;
  static constexpr UINT16 kSecurityLevelMaximum = 0x0100;

  // Failed UNLOCK or ERASE UNIT attempts allowed per power-on.
  static constexpr unsigned kPasswordAttempts = 5;
  // Identifier of the master password the drive ships with.
  static constexpr UINT16 kFactoryMasterId = 0xFFFE;

  StorageDrive(Bus Kind, std::string Model, std::string Serial, UINT64 Sectors = 500'118'192,
               std::string Firmware = "FW1.00");

  Bus Kind() const { return Kind_; }
  const std::string& Model() const { return Model_; }
  const std::string& Serial() const { return Serial_; }

  // The drive's answer to each command: true when it completed, false when
  // the drive aborted it. A command other than ERASE UNIT ends an erase
  // preparation.
  bool Identify(Sector& Data);
  bool SecuritySetPassword(const Sector& Data);
  bool SecurityUnlock(const Sector& Data);
  bool SecurityErasePrepare();
  bool SecurityEraseUnit(const Sector& Data);
  bool SecurityFreezeLock();
  bool SecurityDisablePassword(const Sector& Data);

  // Power-on: frozen state and attempt count cleared, locked while security
  // is enabled.
  void PowerCycle();

  // Set-up and fault injection.
  void SetFactoryMasterPassword(const Password& Value) { Master_ = Value; }
  // While set, IDENTIFY DEVICE aborts (a drive that does not answer).
  void SetIdentifyFails(bool Fails) { IdentifyFails_ = Fails; }

  // Inspection.
  bool SecurityEnabled() const { return User_.has_value(); }
  bool Locked() const { return Locked_; }
  bool Frozen() const { return Frozen_; }
  bool AttemptsExceeded() const { return AttemptsLeft_ == 0; }
  unsigned AttemptsLeft() const { return AttemptsLeft_; }
  Level SecurityLevel() const { return Level_; }
  UINT16 MasterPasswordId() const { return MasterId_; }
  const std::optional<Password>& UserPassword() const { return User_; }
  const Password& MasterPassword() const { return Master_; }
  unsigned Erasures() const { return Erasures_; }
  UINT16 SecurityStatus() const;
  // The IDENTIFY DEVICE data as the drive would return it now.
  Sector IdentifyData() const;

  // ATA string order: two characters a word, the first in the high byte,
  // padded with blanks to Size bytes.
  static void PutAtaString(UINT8* Out, std::size_t Size, const std::string& Text);

 private:
  static UINT16 Control(const Sector& Data);
  static Password PasswordOf(const Sector& Data);
  static bool IsMaster(const Sector& Data) { return (Control(Data) & kControlIdentifierMaster) != 0; }
  // Compares with the password the data names; counts a miss.
  bool CheckPassword(const Sector& Data, bool Counted);
  void DisableSecurity();

  Bus Kind_;
  std::string Model_;
  std::string Serial_;
  std::string Firmware_;
  UINT64 Sectors_;

  std::optional<Password> User_;  // present exactly while security is enabled
  Password Master_{};
  UINT16 MasterId_ = kFactoryMasterId;
  Level Level_ = Level::High;
  bool Locked_ = false;
  bool Frozen_ = false;
  bool ErasePrepared_ = false;
  unsigned AttemptsLeft_ = kPasswordAttempts;
  unsigned Erasures_ = 0;
  bool IdentifyFails_ = false;
};

}  // namespace sim
