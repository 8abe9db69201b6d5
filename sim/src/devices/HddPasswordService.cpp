#include "sim/devices/HddPasswordService.h"

#include <cstring>
#include <set>

#include <nlohmann/json.hpp>

#include "DeviceCall.h"
#include "sim/Trace.h"

namespace sim {
namespace {

// The service's own bytes of an entry: a signature and the drive's index,
// so that it can tell its entries from anything else.
constexpr UINT32 kEntrySignature = 0x45444448;  // "HDDE"
constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kIndexOffset = 4;
// Service-specific fields handed to clients with each entry.
constexpr UINT8 kKindSata = 0;
constexpr UINT8 kKindNvme = 1;
constexpr UINT16 kNoPortMultiplier = 0xFFFF;
constexpr UINT16 kNvmeNamespace = 1;
// The master password identifier the platform gives the master passwords
// it sets.
constexpr UINT16 kPlatformMasterId = 0x0001;

std::set<const HDD_PASSWORD_SERVICE*>& LiveInterfaces() {
  static std::set<const HDD_PASSWORD_SERVICE*> Live;
  return Live;
}

const char* CommandName(UINT8 Command) {
  switch (Command) {
    case StorageDrive::kIdentifyDevice:
      return "IDENTIFY DEVICE";
    case StorageDrive::kSecuritySetPassword:
      return "SECURITY SET PASSWORD";
    case StorageDrive::kSecurityUnlock:
      return "SECURITY UNLOCK";
    case StorageDrive::kSecurityErasePrepare:
      return "SECURITY ERASE PREPARE";
    case StorageDrive::kSecurityEraseUnit:
      return "SECURITY ERASE UNIT";
    case StorageDrive::kSecurityFreezeLock:
      return "SECURITY FREEZE LOCK";
    case StorageDrive::kSecurityDisablePassword:
      return "SECURITY DISABLE PASSWORD";
    default:
      return "?";
  }
}

void RecordCommand(Boot& Current, const StorageDrive& Drive, std::size_t Index, UINT8 Command, bool Completed,
                   const UINT8* Password = nullptr, std::optional<UINT8> Mode = std::nullopt) {
  nlohmann::json Data{{"drive", Index},
                      {"serial", Drive.Serial()},
                      {"command", CommandName(Command)},
                      {"code", Command},
                      {"completed", Completed}};
  if (Mode) Data["identifier"] = *Mode == HDD_PASSWORD_MODE_MASTER ? "master" : "user";
  if (Password != nullptr) Data["password"] = HexBytes(Password, HDD_PASSWORD_LENGTH);
  Current.Trace().Record("hdd.command", std::move(Data));
}

}  // namespace

HddPasswordService::HddPasswordService() {
  Interface_.Owner = this;
  HDD_PASSWORD_SERVICE& Table = Interface_.Table;
  Table.SetPassword = SetPassword;
  Table.UnlockPassword = UnlockPassword;
  Table.DisablePassword = DisablePassword;
  Table.ReadIdentifyData = ReadIdentifyData;
  Table.GetDevices = GetDevices;
  Table.ServiceFunction5 = (VOID*)(FreezeLockFunction)FreezeLock;
  Table.ServiceFunction6 = (VOID*)(EraseUnitFunction)EraseUnit;
  Table.ServiceFunction7 = (VOID*)(SetUserPasswordLevelFunction)SetUserPasswordLevel;
  Table.PrepareDrive = PrepareDrive;
  LiveInterfaces().insert(&Interface_.Table);
}

HddPasswordService::~HddPasswordService() { LiveInterfaces().erase(&Interface_.Table); }

void HddPasswordService::AddDrive(std::shared_ptr<StorageDrive> Drive, Location At) {
  Drives_.push_back(std::move(Drive));
  Locations_.push_back(At);
}

std::shared_ptr<StorageDrive> HddPasswordService::AddSataDrive(std::string Model, std::string Serial, UINT16 Port,
                                                               UINT64 Bus, UINT64 Device, UINT64 Function) {
  auto Drive = std::make_shared<StorageDrive>(StorageDrive::Bus::Sata, std::move(Model), std::move(Serial));
  AddDrive(Drive, Location{Bus, Device, Function, Port});
  return Drive;
}

std::shared_ptr<StorageDrive> HddPasswordService::AddNvmeDrive(std::string Model, std::string Serial, UINT64 Bus,
                                                               UINT64 Device, UINT64 Function) {
  auto Drive = std::make_shared<StorageDrive>(StorageDrive::Bus::Nvme, std::move(Model), std::move(Serial));
  AddDrive(Drive, Location{Bus, Device, Function, HDD_PORT_NONE});
  return Drive;
}

void HddPasswordService::OnBootStart(Boot& Current) {
  ForgetBoot();
  AttachedBoot_ = &Current;
  // Every boot is a power-on of the drives.
  for (std::size_t Index = 0; Index < Drives_.size(); Index++) {
    Drives_[Index]->PowerCycle();
    Current.Trace().Record("hdd.power-on", {{"drive", Index},
                                            {"serial", Drives_[Index]->Serial()},
                                            {"locked", Drives_[Index]->Locked()}});
  }
  if (DiscoverAt_) Current.At(*DiscoverAt_, [this](Boot& Running) { Discover(Running); });
}

void HddPasswordService::OnBootEnd(Boot& Current, const Outcome& Result) {
  (void)Result;
  // An older boot may end after the next one has started.
  if (&Current != AttachedBoot_) return;
  ForgetBoot();
  AttachedBoot_ = nullptr;
}

void HddPasswordService::ForgetBoot() {
  Attached_.clear();
  Array_.reset();
  ServiceHandle_ = nullptr;
  Discovered_ = false;
  Ready_ = false;
}

void HddPasswordService::Discover(Boot& Current) {
  InstallService(Current);
  SignalReady(Current);
}

void HddPasswordService::InstallService(Boot& Current) {
  if (Discovered_) return;
  Discovered_ = true;
  for (std::size_t Index = 0; Index < Drives_.size(); Index++) {
    auto Drive = std::make_unique<Attached>();
    Drive->Drive = Drives_[Index];
    Drive->At = Locations_[Index];
    Drive->Index = Index;
    EFI_DISK_INFO_PROTOCOL& Info = Drive->DiskInfo.Protocol;
    Info.Interface = Drives_[Index]->Kind() == StorageDrive::Bus::Nvme ? EFI_DISK_INFO_NVME_INTERFACE_GUID
                                                                       : EFI_DISK_INFO_AHCI_INTERFACE_GUID;
    Info.Inquiry = DiskInquiry;
    Info.Identify = DiskIdentify;
    Info.SenseData = DiskSenseData;
    Info.WhichIde = DiskWhichIde;
    Drive->DiskInfo.Owner = Drive.get();
    (void)Current.Protocols().Install(&Drive->Handle, &EFI_DISK_INFO_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                      &Drive->DiskInfo.Protocol, Name());
    Attached_.push_back(std::move(Drive));
  }
  Reenumerate();
  Current.Trace().Record("hdd.discovered", {{"drives", Attached_.size()}});
  (void)Current.Protocols().Install(&ServiceHandle_, &HDD_PASSWORD_SERVICE_GUID, EFI_NATIVE_INTERFACE,
                                    &Interface_.Table, Name());
}

void HddPasswordService::SignalReady(Boot& Current) {
  if (!Discovered_ || Ready_) return;
  Ready_ = true;
  (void)Current.Protocols().Install(&ServiceHandle_, &HDD_PASSWORD_READY_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                    &ReadyInterface_, Name());
}

EFI_HANDLE HddPasswordService::HandleOf(const StorageDrive& Drive) const {
  for (const auto& Each : Attached_) {
    if (Each->Drive.get() == &Drive) return Each->Handle;
  }
  return nullptr;
}

void HddPasswordService::Reenumerate() {
  auto Fresh = std::make_unique<HDD_SERVICE_ENTRY[]>(Attached_.size());
  for (std::size_t Index = 0; Index < Attached_.size(); Index++) {
    const Attached& Drive = *Attached_[Index];
    HDD_SERVICE_ENTRY& Entry = Fresh[Index];
    std::memset(&Entry, 0, sizeof(Entry));
    UINT32 Signature = kEntrySignature;
    UINT32 Position = (UINT32)Index;
    std::memcpy(&Entry.ServicePrivate0[kSignatureOffset], &Signature, sizeof(Signature));
    std::memcpy(&Entry.ServicePrivate0[kIndexOffset], &Position, sizeof(Position));
    bool Nvme = Drive.Drive->Kind() == StorageDrive::Bus::Nvme;
    Entry.AuxByte1 = (UINT8)Index;
    Entry.AuxByte2 = Nvme ? kKindNvme : kKindSata;
    Entry.Port = Drive.At.Port;
    Entry.AuxWord1 = Nvme ? 0 : kNoPortMultiplier;
    Entry.AuxWord2 = Nvme ? kNvmeNamespace : 0;
    Entry.PciBus = Drive.At.Bus;
    Entry.PciDevice = Drive.At.Device;
    Entry.PciFunction = Drive.At.Function;
    Entry.DeviceHandle = Drive.Handle;
  }
  // The old array is freed: entry pointers into it are stale from now on.
  Array_ = std::move(Fresh);
}

HddPasswordService* HddPasswordService::ServiceOf(DeviceCall& Call, HDD_PASSWORD_SERVICE* This) {
  if (This == nullptr || LiveInterfaces().count(This) == 0) {
    Call.Current.Violate("hdd.this", "called with a foreign This pointer", Call.Caller());
    return nullptr;
  }
  auto* Service = reinterpret_cast<ServiceInterface*>(This)->Owner;
  if (!Service->Discovered_) {
    Call.Current.Violate("hdd.not-discovered", "called before the service was installed", Call.Caller());
    return nullptr;
  }
  return Service;
}

HddPasswordService::Attached* HddPasswordService::DriveOf(DeviceCall& Call, const HDD_SERVICE_ENTRY* Entry) {
  if (Entry == nullptr) return nullptr;
  auto Address = reinterpret_cast<std::uintptr_t>(Entry);
  auto First = reinterpret_cast<std::uintptr_t>(Array_.get());
  std::size_t Bytes = Attached_.size() * sizeof(HDD_SERVICE_ENTRY);
  if (Array_ == nullptr || Address < First || Address >= First + Bytes ||
      (Address - First) % sizeof(HDD_SERVICE_ENTRY) != 0) {
    Call.Current.Violate("hdd.stale-entry", "called with an entry that is not in the service's current list",
                         Call.Caller());
    return nullptr;
  }
  UINT32 Signature = 0;
  UINT32 Position = 0;
  std::memcpy(&Signature, &Entry->ServicePrivate0[kSignatureOffset], sizeof(Signature));
  std::memcpy(&Position, &Entry->ServicePrivate0[kIndexOffset], sizeof(Position));
  std::size_t Index = (Address - First) / sizeof(HDD_SERVICE_ENTRY);
  if (Signature != kEntrySignature || Position != Index) {
    Call.Current.Violate("hdd.entry-changed", "called with an entry its client overwrote", Call.Caller());
    return nullptr;
  }
  return Attached_[Index].get();
}

EFI_STATUS HddPasswordService::Carry(Boot& Current, Attached& Target, UINT8 Command, UINT8 Mode,
                                     const UINT8* Password) {
  StorageDrive::Sector Data{};
  UINT16 Control = Mode == HDD_PASSWORD_MODE_MASTER ? StorageDrive::kControlIdentifierMaster : 0;
  if (Command == StorageDrive::kSecuritySetPassword && Mode == HDD_PASSWORD_MODE_USER && Target.MaximumLevel) {
    Control |= StorageDrive::kControlLevelMaximum;
  }
  Data[0] = (UINT8)Control;
  Data[1] = (UINT8)(Control >> 8);
  std::memcpy(&Data[StorageDrive::kPasswordOffset], Password, HDD_PASSWORD_LENGTH);
  if (Command == StorageDrive::kSecuritySetPassword && Mode == HDD_PASSWORD_MODE_MASTER) {
    Data[StorageDrive::kMasterIdOffset] = (UINT8)kPlatformMasterId;
    Data[StorageDrive::kMasterIdOffset + 1] = (UINT8)(kPlatformMasterId >> 8);
  }

  StorageDrive& Drive = *Target.Drive;
  bool Completed = false;
  switch (Command) {
    case StorageDrive::kSecuritySetPassword:
      Completed = Drive.SecuritySetPassword(Data);
      break;
    case StorageDrive::kSecurityUnlock:
      Completed = Drive.SecurityUnlock(Data);
      break;
    case StorageDrive::kSecurityDisablePassword:
      Completed = Drive.SecurityDisablePassword(Data);
      break;
    case StorageDrive::kSecurityEraseUnit:
      // ERASE UNIT runs only right after ERASE PREPARE.
      Completed = Drive.SecurityErasePrepare();
      RecordCommand(Current, Drive, Target.Index, StorageDrive::kSecurityErasePrepare, Completed);
      if (Completed) Completed = Drive.SecurityEraseUnit(Data);
      break;
    default:
      break;
  }
  RecordCommand(Current, Drive, Target.Index, Command, Completed, Password, Mode);
  return Completed ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

EFI_STATUS HddPasswordService::PasswordFunction(DeviceCall& Call, HDD_PASSWORD_SERVICE* This,
                                                HDD_SERVICE_ENTRY* Entry, UINT8 Mode, VOID* Password, UINTN Length,
                                                UINT8 Command) {
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = Service->DriveOf(Call, Entry);
  if (Target == nullptr || Password == nullptr || Length != HDD_PASSWORD_LENGTH ||
      (Mode != HDD_PASSWORD_MODE_USER && Mode != HDD_PASSWORD_MODE_MASTER)) {
    return EFI_INVALID_PARAMETER;
  }
  return Service->Carry(Call.Current, *Target, Command, Mode, static_cast<const UINT8*>(Password));
}

EFI_STATUS EFIAPI HddPasswordService::SetPassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                                  VOID* Password, UINTN Length) {
  DeviceCall Call("HddPasswordService.SetPassword", __builtin_return_address(0));
  return PasswordFunction(Call, This, Entry, Mode, Password, Length, StorageDrive::kSecuritySetPassword);
}

EFI_STATUS EFIAPI HddPasswordService::UnlockPassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                     UINT8 Mode, VOID* Password, UINTN Length) {
  DeviceCall Call("HddPasswordService.UnlockPassword", __builtin_return_address(0));
  return PasswordFunction(Call, This, Entry, Mode, Password, Length, StorageDrive::kSecurityUnlock);
}

EFI_STATUS EFIAPI HddPasswordService::DisablePassword(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                      UINT8 Mode, VOID* Password, UINTN Length) {
  DeviceCall Call("HddPasswordService.DisablePassword", __builtin_return_address(0));
  return PasswordFunction(Call, This, Entry, Mode, Password, Length, StorageDrive::kSecurityDisablePassword);
}

EFI_STATUS EFIAPI HddPasswordService::EraseUnit(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, UINT8 Mode,
                                                VOID* Password, UINTN Length) {
  DeviceCall Call("HddPasswordService.EraseUnit", __builtin_return_address(0));
  return PasswordFunction(Call, This, Entry, Mode, Password, Length, StorageDrive::kSecurityEraseUnit);
}

EFI_STATUS EFIAPI HddPasswordService::ReadIdentifyData(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                       VOID* Buffer) {
  DeviceCall Call("HddPasswordService.ReadIdentifyData", __builtin_return_address(0));
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = Service->DriveOf(Call, Entry);
  if (Target == nullptr || Buffer == nullptr) return EFI_INVALID_PARAMETER;
  const Allocation* Block = Call.Current.Memory().Find(Buffer);
  if (Block != nullptr &&
      Block->Address + Block->Size - reinterpret_cast<std::uintptr_t>(Buffer) < HDD_IDENTIFY_DATA_SIZE) {
    Call.Current.Violate("hdd.identify-buffer", "ReadIdentifyData into a buffer of fewer than 512 bytes",
                         Call.Caller());
    return EFI_INVALID_PARAMETER;
  }
  StorageDrive::Sector Data{};
  bool Completed = Target->Drive->Identify(Data);
  RecordCommand(Call.Current, *Target->Drive, Target->Index, StorageDrive::kIdentifyDevice, Completed);
  if (!Completed) return EFI_DEVICE_ERROR;
  std::memcpy(Buffer, Data.data(), Data.size());
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI HddPasswordService::GetDevices(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY** List,
                                                 UINTN* Count) {
  DeviceCall Call("HddPasswordService.GetDevices", __builtin_return_address(0));
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr || List == nullptr || Count == nullptr) return EFI_INVALID_PARAMETER;
  Service->Reenumerate();
  *List = Service->Array_.get();
  *Count = Service->Attached_.size();
  Call.Current.Trace().Record("hdd.devices", {{"count", *Count}});
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI HddPasswordService::FreezeLock(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry) {
  DeviceCall Call("HddPasswordService.FreezeLock", __builtin_return_address(0));
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = Service->DriveOf(Call, Entry);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  bool Completed = Target->Drive->SecurityFreezeLock();
  RecordCommand(Call.Current, *Target->Drive, Target->Index, StorageDrive::kSecurityFreezeLock, Completed);
  return Completed ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

EFI_STATUS EFIAPI HddPasswordService::SetUserPasswordLevel(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                           UINT8 Maximum) {
  DeviceCall Call("HddPasswordService.SetUserPasswordLevel", __builtin_return_address(0));
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = Service->DriveOf(Call, Entry);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  Target->MaximumLevel = Maximum != 0;
  Call.Current.Trace().Record("hdd.level", {{"drive", Target->Index}, {"maximum", Target->MaximumLevel}});
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI HddPasswordService::PrepareDrive(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry) {
  DeviceCall Call("HddPasswordService.PrepareDrive", __builtin_return_address(0));
  HddPasswordService* Service = ServiceOf(Call, This);
  if (Service == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = Service->DriveOf(Call, Entry);
  if (Target == nullptr) return EFI_INVALID_PARAMETER;
  // The service refreshes its own view of the drive and of its list.
  StorageDrive::Sector Data{};
  bool Completed = Target->Drive->Identify(Data);
  RecordCommand(Call.Current, *Target->Drive, Target->Index, StorageDrive::kIdentifyDevice, Completed);
  Call.Current.Trace().Record("hdd.prepare", {{"drive", Target->Index}, {"completed", Completed}});
  Service->Reenumerate();
  return Completed ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

EFI_STATUS EFIAPI HddPasswordService::DiskInquiry(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size) {
  (void)Data, (void)Size;
  // ATA and NVMe drives have no SCSI inquiry data.
  return This == nullptr ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI HddPasswordService::DiskIdentify(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size) {
  DeviceCall Call("DiskInfo.Identify", __builtin_return_address(0));
  if (This == nullptr || Size == nullptr) return EFI_INVALID_PARAMETER;
  Attached* Target = reinterpret_cast<DiskInfoInstance*>(This)->Owner;
  // The NVMe controller's own identify data is not modelled.
  if (Target->Drive->Kind() != StorageDrive::Bus::Sata) return EFI_NOT_FOUND;
  if (*Size < HDD_IDENTIFY_DATA_SIZE) {
    *Size = HDD_IDENTIFY_DATA_SIZE;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Data == nullptr) return EFI_INVALID_PARAMETER;
  StorageDrive::Sector Identify{};
  bool Completed = Target->Drive->Identify(Identify);
  RecordCommand(Call.Current, *Target->Drive, Target->Index, StorageDrive::kIdentifyDevice, Completed);
  if (!Completed) return EFI_DEVICE_ERROR;
  std::memcpy(Data, Identify.data(), Identify.size());
  *Size = HDD_IDENTIFY_DATA_SIZE;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI HddPasswordService::DiskSenseData(EFI_DISK_INFO_PROTOCOL* This, VOID* Data, UINT32* Size,
                                                    UINT8* Number) {
  (void)Data, (void)Size, (void)Number;
  return This == nullptr ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI HddPasswordService::DiskWhichIde(EFI_DISK_INFO_PROTOCOL* This, UINT32* Channel, UINT32* Device) {
  (void)Channel, (void)Device;
  // Neither drive sits on an IDE channel.
  return This == nullptr ? EFI_INVALID_PARAMETER : EFI_UNSUPPORTED;
}

}  // namespace sim
