// EFI_HASH_PROTOCOL of the platform: SHA-256 computed by OpenSSL. Other
// algorithms, and Extend TRUE, answer EFI_UNSUPPORTED.
#pragma once
#include "sim/Component.h"
#include "uefi/protocol/Hash.h"

namespace sim {

class HashService : public Component {
 public:
  HashService();
  std::string Name() const override { return "hash"; }
  void OnBootStart(Boot& Current) override;

 private:
  EFI_HASH_PROTOCOL Protocol_{};
};

}  // namespace sim
