// Thrown where a boot ends (halt, reset, hang): it unwinds through the
// drivers' frames, running nothing in them, back to the boot's runner.
// Deliberately not a std::exception, so nothing else catches it by accident.
#pragma once

namespace sim {

struct BootEnded {};

}  // namespace sim
