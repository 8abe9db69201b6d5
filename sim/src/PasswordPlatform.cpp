#include "sim/PasswordPlatform.h"

namespace sim {

PasswordPlatform AddPasswordPlatform(Machine& Target, const std::filesystem::path& Sentrel) {
  PasswordPlatform Platform{std::make_shared<sim::Cmos>(), std::make_shared<sim::HashService>(),
                            std::make_shared<sim::TokenDatabase>()};
  Platform.Tokens->SetBool(kSentrelFeatureTokenSpace, kSentrelFeatureToken, true);
  Target.AddComponent(Platform.Cmos);
  Target.AddComponent(Platform.Hash);
  Target.AddComponent(Platform.Tokens);
  if (!Sentrel.empty()) Target.AddDriver("Sentrel", Sentrel);
  return Platform;
}

}  // namespace sim
