// The platform's HDD password service: it enumerates the machine's drives,
// gives each a handle with EFI_DISK_INFO_PROTOCOL (AHCI or NVMe interface),
// and carries the security commands of its clients to the drives. It is
// installed, with its ready protocol, when the drives are discovered, at a
// moment of the boot a scenario chooses (or when a test calls Discover).
//
// Function table positions (each takes the interface first):
//   0 SetPassword, 1 UnlockPassword, 2 DisablePassword (Entry, Mode, Password,
//     Length 32): SECURITY SET PASSWORD / UNLOCK / DISABLE PASSWORD;
//   3 ReadIdentifyData (Entry, 512-byte Buffer): IDENTIFY DEVICE;
//   4 GetDevices (List, Count): the service's own array of entries;
//   5 FreezeLock (Entry): SECURITY FREEZE LOCK;
//   6 EraseUnit (Entry, Mode, Password, Length 32): SECURITY ERASE PREPARE,
//     then SECURITY ERASE UNIT;
//   7 SetUserPasswordLevel (Entry, UINT8 Maximum): the security level asked
//     for whenever the drive's user password is set at this boot (high by
//     default);
//   8 PrepareDrive (Entry): re-reads the drive's identity and re-enumerates.
// A drive that aborts a command gives EFI_DEVICE_ERROR; a bad argument
// EFI_INVALID_PARAMETER.
//
// The service keeps owning its device array and replaces it on every
// GetDevices and PrepareDrive, so an entry pointer kept from an earlier list
// is stale (a violation; and freed memory to the address sanitizer). Every
// command carried to a drive is in the trace as "hdd.command", with the 32
// password bytes sent.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/Boot.h"
#include "sim/Component.h"
#include "sim/devices/StorageDrive.h"
#include "uefi/platform/HddPasswordService.h"
#include "uefi/protocol/DiskInfo.h"

namespace sim {

class DeviceCall;

class HddPasswordService : public Component {
 public:
  // Where a drive sits: its controller's PCI location and the controller
  // port (HDD_PORT_NONE for an NVMe drive).
  struct Location {
    UINT64 Bus = 0;
    UINT64 Device = 0;
    UINT64 Function = 0;
    UINT16 Port = HDD_PORT_NONE;
  };

  // Positions 5 to 7 of the function table.
  using FreezeLockFunction = EFI_STATUS(EFIAPI*)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry);
  using EraseUnitFunction = HDD_SERVICE_PASSWORD_FUNCTION;
  using SetUserPasswordLevelFunction = EFI_STATUS(EFIAPI*)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                           UINT8 Maximum);

  HddPasswordService();
  ~HddPasswordService() override;
  std::string Name() const override { return "hdd-service"; }
  void OnBootStart(Boot& Current) override;
  void OnBootEnd(Boot& Current, const Outcome& Result) override;

  // Drives are listed in the order added.
  void AddDrive(std::shared_ptr<StorageDrive> Drive, Location At);
  // A SATA drive on port Port of the controller at Bus:Device.Function.
  std::shared_ptr<StorageDrive> AddSataDrive(std::string Model, std::string Serial, UINT16 Port,
                                             UINT64 Bus = 0, UINT64 Device = 0x17, UINT64 Function = 0);
  // An NVMe drive of the controller at Bus:Device.Function.
  std::shared_ptr<StorageDrive> AddNvmeDrive(std::string Model, std::string Serial, UINT64 Bus = 0x01,
                                             UINT64 Device = 0, UINT64 Function = 0);
  const std::vector<std::shared_ptr<StorageDrive>>& Drives() const { return Drives_; }

  // When each boot discovers the drives (default: before driver dispatch);
  // nullopt: only when Discover is called.
  void DiscoverAt(std::optional<When> Moment) { DiscoverAt_ = std::move(Moment); }
  // Installs the drive handles and the service, then its ready protocol.
  void Discover(Boot& Current);
  // The two steps of Discover: a platform may install the service and
  // signal that it is ready later.
  void InstallService(Boot& Current);
  void SignalReady(Boot& Current);
  bool Discovered() const { return Discovered_; }

  // This boot's interface and the handle of a drive (after discovery).
  HDD_PASSWORD_SERVICE* Interface() { return &Interface_.Table; }
  EFI_HANDLE HandleOf(const StorageDrive& Drive) const;

 private:
  struct Attached;
  // The disk information of one drive handle, and the drive it describes.
  struct DiskInfoInstance {
    EFI_DISK_INFO_PROTOCOL Protocol;  // first: the interface pointer is the object's
    Attached* Owner;
  };
  struct Attached {
    std::shared_ptr<StorageDrive> Drive;
    Location At;
    std::size_t Index = 0;
    DiskInfoInstance DiskInfo{};
    EFI_HANDLE Handle = nullptr;
    bool MaximumLevel = false;  // asked for whenever the user password is set
  };
  struct ServiceInterface {
    HDD_PASSWORD_SERVICE Table;  // first: the interface pointer is the object's
    HddPasswordService* Owner;
  };

  // The function table.
  static EFI_STATUS EFIAPI SetPassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                       VOID* Password, UINTN Length);
  static EFI_STATUS EFIAPI UnlockPassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                          VOID* Password, UINTN Length);
  static EFI_STATUS EFIAPI DisablePassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                           VOID* Password, UINTN Length);
  static EFI_STATUS EFIAPI ReadIdentifyData(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, VOID* Buffer);
  static EFI_STATUS EFIAPI GetDevices(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY** List, UINTN* Count);
  static EFI_STATUS EFIAPI FreezeLock(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry);
  static EFI_STATUS EFIAPI EraseUnit(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                     VOID* Password, UINTN Length);
  static EFI_STATUS EFIAPI SetUserPasswordLevel(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                UINT8 Maximum);
  static EFI_STATUS EFIAPI PrepareDrive(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry);
  // The disk information protocol.
  static EFI_STATUS EFIAPI DiskInquiry(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size);
  static EFI_STATUS EFIAPI DiskIdentify(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size);
  static EFI_STATUS EFIAPI DiskSenseData(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size, UINT8* Number);
  static EFI_STATUS EFIAPI DiskWhichIde(EFI_DISK_INFO_PROTOCOL* This, UINT32* Channel, UINT32* Device);

  // The service whose interface This is, or nullptr (recorded).
  static HddPasswordService* ServiceOf(DeviceCall& Call, HDD_PASSWORD_SERVICE* This);
  // The drive behind a client's entry, or nullptr after recording why the
  // entry is unusable.
  Attached* DriveOf(DeviceCall& Call, const HDD_SERVICE_ENTRY* Entry);
  // A password function: checks, then one security command to the drive.
  static EFI_STATUS PasswordFunction(DeviceCall& Call, HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                     UINT8 Mode, VOID* Password, UINTN Length, UINT8 Command);
  EFI_STATUS Carry(Boot& Current, Attached& Target, UINT8 Command, UINT8 Mode, const UINT8* Password);
  // Replaces the device array with a fresh one.
  void Reenumerate();
  void ForgetBoot();

  std::vector<std::shared_ptr<StorageDrive>> Drives_;
  std::vector<Location> Locations_;
  std::optional<When> DiscoverAt_ = When::BeforeDispatch();

  // Per boot.
  ServiceInterface Interface_{};
  UINT64 ReadyInterface_ = 0;  // the ready protocol carries no data
  std::vector<std::unique_ptr<Attached>> Attached_;
  std::unique_ptr<HDD_SERVICE_ENTRY[]> Array_;
  EFI_HANDLE ServiceHandle_ = nullptr;
  Boot* AttachedBoot_ = nullptr;  // the boot the per-boot state belongs to
  bool Discovered_ = false;
  bool Ready_ = false;
};

}  // namespace sim
