// The platform's setup-presence signal: installed (with no interface) once
// its setup configuration, the "Setup" variable, can be read.
#pragma once
#include "sim/Component.h"

namespace sim {

class SetupPresence : public Component {
 public:
  std::string Name() const override { return "setup-presence"; }
  void OnBootStart(Boot& Current) override;
};

}  // namespace sim
