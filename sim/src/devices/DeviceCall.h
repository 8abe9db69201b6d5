// What every protocol function of a platform device does first: find the
// boot the call reaches and the caller, and check the call against the
// standard's rules for console and graphics protocols (boot services only,
// not above TPL_NOTIFY).
#pragma once
#include <string>

#include "sim/Boot.h"

namespace sim {

class DeviceCall {
 public:
  // ReturnAddress is the protocol function's own return address: the caller.
  DeviceCall(const char* Function, const void* ReturnAddress);

  sim::Boot& Current;
  const std::string& Caller();

 private:
  const char* Function_;
  const void* ReturnAddress_;
  std::string Caller_;
};

}  // namespace sim
