// The platform's prompt feedback service: PROMPT_FEEDBACK_PROTOCOL, which
// keeps every event code it is told (prompt shown, accepted, rejected,
// locked out) for the test or scenario to read.
#pragma once
#include <vector>

#include "sim/Component.h"
#include "uefi/platform/PromptFeedback.h"

namespace sim {

class PromptFeedbackService : public Component {
 public:
  PromptFeedbackService();
  std::string Name() const override { return "prompt-feedback"; }
  void OnBootStart(Boot& Current) override;

  // The codes of the running (or last) boot, in order.
  const std::vector<UINT8>& Codes() const { return Codes_; }
  void Record(UINT8 Code) { Codes_.push_back(Code); }

 private:
  PROMPT_FEEDBACK_PROTOCOL Protocol_{};
  std::vector<UINT8> Codes_;
};

}  // namespace sim
