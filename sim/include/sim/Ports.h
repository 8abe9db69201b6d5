// The I/O port bus of one boot, the progress-code port and the software-SMI
// command port. Devices claim port ranges; an unclaimed port reads as all
// ones. Every write, and every read of an unclaimed port or of a device that
// asks for it, is in the trace.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/Cpu.h"

namespace sim {

class Boot;

struct PortHandler {
  std::string Device;
  // Width is 1, 2 or 4 bytes; Port is the first port of the access.
  std::function<UINT32(UINT16 Port, UINT8 Width)> Read;
  std::function<void(UINT16 Port, UINT8 Width, UINT32 Value)> Write;
  bool TraceReads = false;
};

class PortBus {
 public:
  explicit PortBus(Boot& Owner) : Boot_(Owner) {}

  // Claims ports First..Last; overlapping an existing claim is a set-up error.
  void Claim(UINT16 First, UINT16 Last, PortHandler Handler);
  UINT32 Read(UINT16 Port, UINT8 Width);
  void Write(UINT16 Port, UINT8 Width, UINT32 Value);

 private:
  struct Claimed {
    UINT16 Last;
    PortHandler Handler;
  };
  const Claimed* Owner(UINT16 Port) const;

  Boot& Boot_;
  std::map<UINT16, Claimed> Claims_;  // by first port
};

// Port 0x80: each code written is kept and recorded.
class ProgressCodePort {
 public:
  static constexpr UINT16 kPort = 0x80;

  explicit ProgressCodePort(Boot& Owner);
  const std::vector<UINT8>& Codes() const { return Codes_; }

 private:
  std::vector<UINT8> Codes_;
};

// The software-SMI command port 0xB2. Components register handlers per
// command byte; a handler sees and may change the general registers.
class SmiDispatcher {
 public:
  using Handler = std::function<void(SMI_REGISTERS&)>;

  explicit SmiDispatcher(Boot& Owner);
  void RegisterSmiHandler(UINT8 Command, Handler Handle);
  // Loads the registers and writes AL to the command port, as the
  // processor facade's software-SMI trigger does.
  void Trigger(SMI_REGISTERS& Registers);

 private:
  void Dispatch(SMI_REGISTERS& Registers);

  Boot& Boot_;
  std::map<UINT8, Handler> Handlers_;
  UINT8 LastCommand_ = 0;
  SMI_REGISTERS* Loaded_ = nullptr;
};

}  // namespace sim
