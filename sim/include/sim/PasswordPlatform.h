// A machine set up for the password driver: battery-backed CMOS, the hash
// service, the configuration-token database with the driver's feature token
// TRUE, and Sentrel loaded on every boot.
#pragma once
#include <filesystem>
#include <memory>

#include "sim/Machine.h"
#include "sim/devices/Cmos.h"
#include "sim/devices/HashService.h"
#include "sim/devices/TokenDatabase.h"

namespace sim {

constexpr EFI_GUID kSentrelFeatureTokenSpace =
    EFI_GUID_LITERAL(0x8A8E89F8, 0x1403, 0x41F5, 0x94, 0xAC, 0x7D, 0x11, 0x82, 0x1F, 0xDD, 0x20);
constexpr UINTN kSentrelFeatureToken = 0x60000405;

struct PasswordPlatform {
  std::shared_ptr<sim::Cmos> Cmos;
  std::shared_ptr<sim::HashService> Hash;
  std::shared_ptr<sim::TokenDatabase> Tokens;
};

// Adds the components to Machine and, when Sentrel is non-empty, the driver
// image from that shared object.
PasswordPlatform AddPasswordPlatform(Machine& Target,
                                     const std::filesystem::path& Sentrel = Machine::DefaultDriverDirectory() /
                                                                           "Sentrel.so");

}  // namespace sim
