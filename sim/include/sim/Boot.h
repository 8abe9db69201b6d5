// One simulated boot of a Machine, from power-on to the end of boot
// services, a halt or a reset. It owns everything that lives for one boot
// (memory, handles, events, the console, the port bus, the loaded images)
// and stays inspectable after it ended: what the drivers left in memory,
// the trace, the violations, the outcome. Destroying it unloads the images.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Clock.h"
#include "sim/Console.h"
#include "sim/Cpu.h"
#include "sim/Events.h"
#include "sim/Images.h"
#include "sim/Memory.h"
#include "sim/Outcome.h"
#include "sim/Ports.h"
#include "sim/Protocols.h"
#include "sim/SystemTables.h"
#include "sim/Trace.h"
#include "sim/Variables.h"

namespace sim {

class Machine;

// Misuse of the platform that the UEFI standard forbids.
struct Violation {
  UINT64 Time;
  std::string Kind;
  std::string Detail;
  std::string Caller;
};

// When a scheduled platform action runs.
struct When {
  enum class Kind { PhaseStart, BeforeImage, AfterImage, AfterDispatch };
  Kind What;
  sim::Phase AtPhase = sim::Phase::PowerOn;
  std::string Image;

  static When PhaseStart(sim::Phase Entered) { return {Kind::PhaseStart, Entered, {}}; }
  static When BeforeDispatch() { return PhaseStart(sim::Phase::DriverDispatch); }
  static When BeforeImage(std::string Name) { return {Kind::BeforeImage, sim::Phase::DriverDispatch, std::move(Name)}; }
  static When AfterImage(std::string Name) { return {Kind::AfterImage, sim::Phase::DriverDispatch, std::move(Name)}; }
  static When AfterDispatch() { return {Kind::AfterDispatch, sim::Phase::DriverDispatch, {}}; }
};

class Boot {
 public:
  using Action = std::function<void(sim::Boot&)>;

  Boot(sim::Machine& Owner, std::uint64_t Number);
  ~Boot();
  Boot(const Boot&) = delete;
  Boot& operator=(const Boot&) = delete;

  // Running. Each returns when the boot reached the end of the phase asked
  // for, or ended (halt, reset, hang) before.
  void Run();
  void RunThrough(sim::Phase Last);
  // Runs test code inside the boot (calls into drivers and services). FALSE
  // when the boot ended while it ran. Called from within the boot's own run
  // (a platform action), an end goes on to the runner, which stops there.
  bool Invoke(const std::function<void()>& Work);
  // Lets virtual time pass, as Invoke does. FALSE when the boot ended.
  bool AdvanceMicroseconds(UINT64 Microseconds);
  void At(When Moment, Action Work);
  // Names of the images to start, in order (default: the machine's order).
  void SetDispatchOrder(std::vector<std::string> Names);

  // State.
  std::uint64_t Number() const { return Number_; }
  sim::Phase CurrentPhase() const { return Phase_; }
  bool Ended() const { return Outcome_.What != sim::Outcome::Kind::Running; }
  const sim::Outcome& Outcome() const { return Outcome_; }
  bool BootServicesEnded() const { return BootServicesEnded_; }
  const std::vector<sim::Violation>& Violations() const { return Violations_; }
  void Violate(std::string Kind, std::string Detail, std::string Caller = {});

  // The parts of the boot.
  sim::Machine& Machine() { return Machine_; }
  sim::Trace& Trace() { return Trace_; }
  sim::Clock& Clock() { return Clock_; }
  sim::Cpu& Cpu() { return Cpu_; }
  sim::Memory& Memory() { return Memory_; }
  sim::Protocols& Protocols() { return Protocols_; }
  sim::Events& Events() { return Events_; }
  sim::Variables& Variables() { return Variables_; }
  sim::Console& Console() { return Console_; }
  sim::PortBus& Ports() { return Ports_; }
  sim::SmiDispatcher& Smi() { return Smi_; }
  sim::ProgressCodePort& ProgressCodes() { return ProgressCodes_; }
  sim::SystemTables& Tables() { return Tables_; }
  EFI_SYSTEM_TABLE* SystemTable() { return Tables_.System(); }
  EFI_BOOT_SERVICES* BootServices() { return Tables_.BootServices(); }
  EFI_RUNTIME_SERVICES* RuntimeServices() { return Tables_.RuntimeServices(); }
  EFI_HANDLE ConsoleInHandle() const { return ConsoleIn_; }
  EFI_HANDLE ConsoleOutHandle() const { return ConsoleOut_; }

  // Loaded images of this boot, in dispatch order.
  const std::vector<std::unique_ptr<LoadedImage>>& Images() const { return Images_; }
  const LoadedImage* Image(std::string_view Name) const;

  // Who owns what a service does for a caller: the image whose code holds
  // ReturnAddress, else the in-process image that is running, else
  // "platform".
  std::string OwnerOf(const void* ReturnAddress) const;
  // While alive, Name is the in-process image that is running.
  class ImageScope {
   public:
    ImageScope(sim::Boot& Current, const std::string& Name);
    ~ImageScope();
    ImageScope(const ImageScope&) = delete;
    ImageScope& operator=(const ImageScope&) = delete;

   private:
    sim::Boot& Boot_;
    bool Pushed_;
  };

  // The boot that service calls reach: the one running work now (Run,
  // Invoke), else the newest boot still alive.
  static sim::Boot& Current();
  // Ends the boot where it is: records the outcome and unwinds to the
  // runner without running anything more in the drivers.
  [[noreturn]] void End(sim::Outcome Result);
  // End with the processor's state as it is now.
  [[noreturn]] void Stop(sim::Outcome::Kind What, std::string Detail);
  // A reset of the machine, recorded with whoever asked for it.
  [[noreturn]] void Reset(EFI_RESET_TYPE Type, EFI_STATUS Status, const std::string& Caller,
                          nlohmann::json Record = nlohmann::json::object());
  // The end of boot services: the before-exit and exit event groups are
  // signalled, and boot services called later are violations.
  void ExitBootServices();
  // Counters and the watchdog, for the service entries.
  UINT64 NextMonotonicCount();
  UINT32 NextHighMonotonicCount();
  void SetWatchdog(UINTN TimeoutSeconds, UINT64 Code);
  // Tells the components about the new boot; the machine calls it once.
  void PowerOn();

 private:
  void EnterPhase(sim::Phase Next);
  void RunPhase(sim::Phase Current);
  void DispatchDrivers();
  void StartImage(const DriverImage& Spec);
  void RunActions(const When& Moment);
  // After an end: tells the components and settles the clock.
  void Finish();
  bool Guard(const std::function<void()>& Work);

  sim::Machine& Machine_;
  std::uint64_t Number_;
  // Images first: they are unloaded after everything that may point into them.
  std::vector<std::unique_ptr<LoadedImage>> Images_;
  sim::Clock Clock_;
  sim::Trace Trace_;
  sim::Cpu Cpu_;
  VariableStore Volatile_;
  sim::Memory Memory_;
  sim::Protocols Protocols_;
  sim::Events Events_;
  sim::Variables Variables_;
  sim::SystemTables Tables_;
  sim::Console Console_;
  sim::PortBus Ports_;
  sim::SmiDispatcher Smi_;
  sim::ProgressCodePort ProgressCodes_;
  EFI_HANDLE ConsoleIn_ = nullptr;
  EFI_HANDLE ConsoleOut_ = nullptr;

  sim::Phase Phase_ = sim::Phase::PowerOn;
  sim::Outcome Outcome_;
  bool Finished_ = false;
  bool BootServicesEnded_ = false;
  std::vector<sim::Violation> Violations_;
  std::vector<std::pair<When, Action>> Actions_;
  std::vector<std::string> DispatchOrder_;
  std::vector<std::string> ImageStack_;
  UINT32 MonotonicHigh_ = 0;
  UINT32 MonotonicLow_ = 0;
  std::optional<Clock::AlarmId> Watchdog_;
};

}  // namespace sim
