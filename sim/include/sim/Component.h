// A platform component: a device or piece of board firmware that lives in
// the machine across boots (battery-backed state) and joins each boot
// through these hooks, e.g. to install protocols, claim ports or register
// software-SMI handlers at the start, or to power-cycle at the end.
#pragma once
#include <string>

#include "sim/Outcome.h"

namespace sim {

class Boot;

class Component {
 public:
  virtual ~Component() = default;
  virtual std::string Name() const = 0;
  // Before any driver runs: the port bus, SMI dispatcher and protocol
  // database of the new boot are ready.
  virtual void OnBootStart(Boot& Current) { (void)Current; }
  // At the start of each phase, before the phase's own work.
  virtual void OnPhase(Boot& Current, Phase Entered) { (void)Current, (void)Entered; }
  // Once, after the boot ended in any way.
  virtual void OnBootEnd(Boot& Current, const Outcome& Result) { (void)Current, (void)Result; }
};

}  // namespace sim
