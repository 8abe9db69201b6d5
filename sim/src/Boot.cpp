// One boot: power-on, the phases, the images, and the end.
#include "sim/Boot.h"

#include <algorithm>
#include <stdexcept>

#include "BootEnded.h"
#include "sim/Guid.h"
#include "sim/Machine.h"
#include "sim/StandardGuids.h"

namespace sim {
namespace {

constexpr char kPlatform[] = "platform";

// Boots alive, oldest first; and the boots running work right now, the
// innermost last. Service calls reach the innermost running boot, else the
// newest alive.
std::vector<Boot*>& AliveBoots() {
  static std::vector<Boot*> Alive;
  return Alive;
}
std::vector<Boot*>& RunningBoots() {
  static std::vector<Boot*> Running;
  return Running;
}

const char* ResetName(EFI_RESET_TYPE Type) {
  switch (Type) {
    case EfiResetCold:
      return "cold";
    case EfiResetWarm:
      return "warm";
    case EfiResetShutdown:
      return "shutdown";
    case EfiResetPlatformSpecific:
      return "platform-specific";
    default:
      return "unknown";
  }
}

struct RunningScope {
  explicit RunningScope(Boot* Current) { RunningBoots().push_back(Current); }
  ~RunningScope() { RunningBoots().pop_back(); }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;
};

}  // namespace

Boot::Boot(sim::Machine& Owner, std::uint64_t Number)
    : Machine_(Owner),
      Number_(Number),
      Trace_([this] { return Clock_.Now(); }),
      Cpu_(*this),
      Volatile_(Owner.Config().VolatileStoreSize, Owner.Config().MaxVariableSize),
      Memory_(*this, Owner.Config().MemoryLimit),
      Protocols_(*this),
      Events_(*this),
      Variables_(*this, Owner.NonVolatileVariables(), Volatile_),
      Tables_(*this, Owner.Config().BootMode),
      Console_(*this, Owner.Config().TextModes),
      Ports_(*this),
      Smi_(*this),
      ProgressCodes_(*this),
      MonotonicHigh_(Owner.NextMonotonicHigh()) {
  AliveBoots().push_back(this);
  Clock_.SetInterruptGate([this] { return Cpu_.InterruptsEnabled(); });
  Clock_.SetLimit(Owner.Config().TimeLimit,
                  [this] { Stop(sim::Outcome::Kind::Hung, "the virtual time limit passed"); });

  Trace_.Record("power-on", {{"boot", Number_}});
  ConsoleIn_ = Protocols_.CreatePlatformHandle("ConsoleIn");
  ConsoleOut_ = Protocols_.CreatePlatformHandle("ConsoleOut");
  (void)Protocols_.Install(&ConsoleOut_, &EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                           Console_.Protocol(), kPlatform);
  EFI_SYSTEM_TABLE* System = Tables_.System();
  System->ConsoleInHandle = ConsoleIn_;
  System->ConsoleOutHandle = ConsoleOut_;
  System->ConOut = Console_.Protocol();
  System->StandardErrorHandle = ConsoleOut_;
  System->StdErr = Console_.Protocol();
  Tables_.UpdateChecksums();
}

Boot::~Boot() {
  if (!Ended()) {
    Outcome_.What = sim::Outcome::Kind::Abandoned;
    Trace_.Record("boot.end", {{"outcome", OutcomeName(Outcome_.What)}});
  }
  try {
    Finish();
  } catch (...) {
    // A component failing on the way out cannot be reported from here.
  }
  auto& Alive = AliveBoots();
  Alive.erase(std::remove(Alive.begin(), Alive.end(), this), Alive.end());
}

void Boot::PowerOn() {
  Guard([this] {
    for (const auto& Part : Machine_.Components()) Part->OnBootStart(*this);
  });
}

Boot& Boot::Current() {
  if (!RunningBoots().empty()) return *RunningBoots().back();
  if (!AliveBoots().empty()) return *AliveBoots().back();
  throw std::logic_error("a platform service was called with no boot alive");
}

void Boot::Violate(std::string Kind, std::string Detail, std::string Caller) {
  Trace_.Record("violation", {{"kind", Kind}, {"detail", Detail}, {"caller", Caller}});
  Violations_.push_back(sim::Violation{Clock_.Now(), std::move(Kind), std::move(Detail), std::move(Caller)});
}

void Boot::End(sim::Outcome Result) {
  if (!Ended()) {
    Outcome_ = std::move(Result);
    Trace_.Record("boot.end", {{"outcome", OutcomeName(Outcome_.What)},
                               {"detail", Outcome_.Detail},
                               {"tpl", Outcome_.Tpl},
                               {"interrupts", Outcome_.InterruptsEnabled}});
  }
  throw BootEnded{};
}

void Boot::Stop(sim::Outcome::Kind What, std::string Detail) {
  sim::Outcome Result;
  Result.What = What;
  Result.Tpl = Events_.CurrentTpl();
  Result.InterruptsEnabled = Cpu_.InterruptsEnabled();
  Result.Detail = std::move(Detail);
  End(std::move(Result));
}

void Boot::Reset(EFI_RESET_TYPE Type, EFI_STATUS Status, const std::string& Caller, nlohmann::json Record) {
  Record["type"] = ResetName(Type);
  Record["status"] = HexStatus(Status);
  Record["caller"] = Caller;
  Trace_.Record("reset", std::move(Record));
  sim::Outcome Result;
  Result.What = sim::Outcome::Kind::Reset;
  Result.ResetType = Type;
  Result.ResetStatus = Status;
  Result.Tpl = Events_.CurrentTpl();
  Result.InterruptsEnabled = Cpu_.InterruptsEnabled();
  Result.Detail = ResetName(Type);
  End(std::move(Result));
}

void Boot::Finish() {
  if (Finished_) return;
  Finished_ = true;
  // The real-time clock kept running while this boot did.
  Machine_.AddElapsed(Clock_.Now());
  for (const auto& Part : Machine_.Components()) Part->OnBootEnd(*this, Outcome_);
}

bool Boot::Guard(const std::function<void()>& Work) {
  if (Ended()) return false;
  // Inside a guard of the same boot (a test's Invoke from a platform
  // action), the end must reach the outer runner, which stops the boot.
  bool Nested = std::find(RunningBoots().begin(), RunningBoots().end(), this) != RunningBoots().end();
  RunningScope Running(this);
  try {
    Work();
  } catch (const BootEnded&) {
    if (Nested) throw;
    Finish();
    return false;
  }
  return true;
}

bool Boot::Invoke(const std::function<void()>& Work) { return Guard(Work); }

bool Boot::AdvanceMicroseconds(UINT64 Microseconds) {
  return Guard([this, Microseconds] { Clock_.AdvanceMicroseconds(Microseconds); });
}

void Boot::At(When Moment, Action Work) { Actions_.emplace_back(std::move(Moment), std::move(Work)); }

void Boot::SetDispatchOrder(std::vector<std::string> Names) { DispatchOrder_ = std::move(Names); }

void Boot::Run() { RunThrough(sim::Phase::ExitBootServices); }

void Boot::RunThrough(sim::Phase Last) {
  Guard([this, Last] {
    while (Phase_ < Last) {
      auto Next = (sim::Phase)((int)Phase_ + 1);
      EnterPhase(Next);
      RunPhase(Next);
    }
  });
  if (Phase_ == sim::Phase::ExitBootServices && !Ended()) {
    Outcome_.What = sim::Outcome::Kind::Completed;
    Trace_.Record("boot.end", {{"outcome", OutcomeName(Outcome_.What)}});
    Finish();
  }
}

void Boot::EnterPhase(sim::Phase Next) {
  Phase_ = Next;
  Trace_.Record("phase", {{"phase", PhaseName(Next)}});
  if (Next == sim::Phase::BootDeviceSelection) {
    // The platform closes DXE before any boot option or capsule runs.
    Events_.SignalGroup(kEventGroupEndOfDxe);
    EFI_HANDLE Lock = nullptr;
    (void)Protocols_.Install(&Lock, &kDxeSmmReadyToLockProtocolGuid, EFI_NATIVE_INTERFACE, nullptr, kPlatform);
  }
  for (const auto& Part : Machine_.Components()) Part->OnPhase(*this, Next);
  RunActions(When::PhaseStart(Next));
}

void Boot::RunPhase(sim::Phase Current) {
  switch (Current) {
    case sim::Phase::DriverDispatch:
      DispatchDrivers();
      break;
    case sim::Phase::ReadyToBoot:
      Events_.SignalGroup(kEventGroupReadyToBoot);
      break;
    case sim::Phase::ExitBootServices:
      ExitBootServices();
      break;
    default:
      break;
  }
}

void Boot::DispatchDrivers() {
  std::vector<const DriverImage*> Order;
  if (DispatchOrder_.empty()) {
    for (const auto& Spec : Machine_.Drivers()) Order.push_back(&Spec);
  } else {
    for (const auto& Name : DispatchOrder_) {
      auto Found = std::find_if(Machine_.Drivers().begin(), Machine_.Drivers().end(),
                                [&](const DriverImage& Spec) { return Spec.Name == Name; });
      if (Found == Machine_.Drivers().end()) throw std::invalid_argument("no driver image named " + Name);
      Order.push_back(&*Found);
    }
  }
  for (const DriverImage* Spec : Order) {
    RunActions(When::BeforeImage(Spec->Name));
    StartImage(*Spec);
    RunActions(When::AfterImage(Spec->Name));
  }
  RunActions(When::AfterDispatch());
}

void Boot::StartImage(const DriverImage& Spec) {
  Images_.push_back(LoadedImage::Load(Spec));
  LoadedImage& Image = *Images_.back();
  Image.Protocol = EFI_LOADED_IMAGE_PROTOCOL{EFI_LOADED_IMAGE_PROTOCOL_REVISION,
                                             nullptr,
                                             Tables_.System(),
                                             nullptr,
                                             nullptr,
                                             nullptr,
                                             0,
                                             nullptr,
                                             Image.Base(),
                                             Image.Size(),
                                             EfiBootServicesCode,
                                             EfiBootServicesData,
                                             nullptr};
  Trace_.Record("image.load", {{"image", Spec.Name},
                               {"kind", Image.IsSharedObject() ? "shared-object" : "in-process"},
                               {"size", Image.Size()}});
  EFI_HANDLE Handle = nullptr;
  (void)Protocols_.Install(&Handle, &EFI_LOADED_IMAGE_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, &Image.Protocol, kPlatform);
  Image.Handle = Handle;

  EFI_STATUS Status = Image.Bind(HostPlatformTable());
  if (!EFI_ERROR(Status)) {
    ImageScope Scope(*this, Spec.Name);
    Status = Image.Start(Handle, Tables_.System());
  }
  Image.EntryStatus = Status;
  Trace_.Record("image.entry", {{"image", Spec.Name}, {"status", HexStatus(Status)}});
  if (Events_.CurrentTpl() != TPL_APPLICATION) {
    Violate("tpl.leaked", "the entry point returned at TPL " + std::to_string(Events_.CurrentTpl()), Spec.Name);
    Events_.RestoreTpl(TPL_APPLICATION);
  }
  if (EFI_ERROR(Status)) {
    // A driver that fails its entry is unloaded; what it allocated or
    // installed stays, as on a real machine.
    (void)Protocols_.Uninstall(Handle, &EFI_LOADED_IMAGE_PROTOCOL_GUID, &Image.Protocol, kPlatform);
    Trace_.Record("image.unload", {{"image", Spec.Name}});
  }
}

void Boot::RunActions(const When& Moment) {
  std::vector<Action> Due;
  for (const auto& [Planned, Work] : Actions_) {
    if (Planned.What == Moment.What && Planned.AtPhase == Moment.AtPhase && Planned.Image == Moment.Image) {
      Due.push_back(Work);
    }
  }
  for (const auto& Work : Due) Work(*this);
}

void Boot::ExitBootServices() {
  if (BootServicesEnded_) return;
  Events_.SignalGroup(kEventGroupBeforeExitBootServices);
  Events_.SignalGroup(kEventGroupExitBootServices);
  if (Watchdog_) Clock_.Cancel(*Watchdog_);
  BootServicesEnded_ = true;
  Trace_.Record("exit-boot-services");
}

UINT64 Boot::NextMonotonicCount() {
  if (MonotonicLow_ == 0xFFFFFFFFu) {
    MonotonicHigh_ = Machine_.NextMonotonicHigh();
    MonotonicLow_ = 0;
  }
  return ((UINT64)MonotonicHigh_ << 32) | MonotonicLow_++;
}

UINT32 Boot::NextHighMonotonicCount() {
  MonotonicHigh_ = Machine_.NextMonotonicHigh();
  MonotonicLow_ = 0;
  return MonotonicHigh_;
}

void Boot::SetWatchdog(UINTN TimeoutSeconds, UINT64 Code) {
  if (Watchdog_) Clock_.Cancel(*Watchdog_);
  Watchdog_.reset();
  Trace_.Record("watchdog", {{"timeout", TimeoutSeconds}, {"code", Code}});
  if (TimeoutSeconds == 0) return;
  // The watchdog is hardware: it resets the machine whatever the TPL.
  UINT64 Delay = TimeoutSeconds > ~0ull / Clock::kPerSecond ? ~0ull : TimeoutSeconds * Clock::kPerSecond;
  Watchdog_ = Clock_.Schedule(Clock_.After(Delay),
                              [this] { Reset(EfiResetCold, EFI_TIMEOUT, "watchdog"); });
}

const LoadedImage* Boot::Image(std::string_view Name) const {
  for (auto It = Images_.rbegin(); It != Images_.rend(); ++It) {
    if ((*It)->Name() == Name) return It->get();
  }
  return nullptr;
}

std::string Boot::OwnerOf(const void* ReturnAddress) const {
  for (const auto& Loaded : Images_) {
    if (Loaded->Contains(ReturnAddress)) return Loaded->Name();
  }
  if (!ImageStack_.empty()) return ImageStack_.back();
  return kPlatform;
}

Boot::ImageScope::ImageScope(sim::Boot& Current, const std::string& Name) : Boot_(Current), Pushed_(false) {
  const LoadedImage* Found = Current.Image(Name);
  if (Found != nullptr && !Found->IsSharedObject()) {
    Current.ImageStack_.push_back(Name);
    Pushed_ = true;
  }
}

Boot::ImageScope::~ImageScope() {
  if (Pushed_) Boot_.ImageStack_.pop_back();
}

}  // namespace sim
