// Driver images. A host-built driver is a shared object, copied to a private
// file and loaded anew for every boot, so each boot starts from the image's
// own initial globals. A test may also run an in-process image: a function
// with the entry-point signature, known by a name.
#pragma once
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/HostPlatform.h"
#include "uefi/protocol/LoadedImage.h"

namespace sim {

using ImageEntry = std::function<EFI_STATUS(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable)>;

struct DriverImage {
  std::string Name;
  std::filesystem::path Path;  // a host shared object, or
  ImageEntry Entry;            // an in-process image
};

class LoadedImage {
 public:
  // Throws std::runtime_error when a shared object cannot be loaded.
  static std::unique_ptr<LoadedImage> Load(const DriverImage& Image);
  ~LoadedImage();
  LoadedImage(const LoadedImage&) = delete;
  LoadedImage& operator=(const LoadedImage&) = delete;

  const std::string& Name() const { return Name_; }
  bool IsSharedObject() const { return Library_ != nullptr; }
  VOID* Base() const { return (VOID*)Base_; }
  UINT64 Size() const { return Size_; }
  bool Contains(const void* Address) const;

  [[nodiscard]] EFI_STATUS Bind(const HOST_PLATFORM* Platform) const;
  [[nodiscard]] EFI_STATUS Start(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable) const;

  // A symbol of a shared object, hidden ones included (from its symbol
  // table), at its address in this copy; NULL when absent.
  VOID* Symbol(std::string_view Name) const;
  template <typename T>
  T* Global(std::string_view Name) const {
    return static_cast<T*>(Symbol(Name));
  }

  // Filled in by the boot.
  EFI_HANDLE Handle = nullptr;
  EFI_LOADED_IMAGE_PROTOCOL Protocol{};
  std::optional<EFI_STATUS> EntryStatus;

 private:
  LoadedImage() = default;

  std::string Name_;
  void* Library_ = nullptr;
  std::uintptr_t Base_ = 0;
  UINT64 Size_ = 0;
  HOST_BIND_PLATFORM BindFunction_ = nullptr;
  EFI_IMAGE_ENTRY_POINT EntryFunction_ = nullptr;
  ImageEntry InProcess_;
  std::map<std::string, std::uintptr_t, std::less<>> Symbols_;  // offsets from the load bias
  std::uintptr_t Bias_ = 0;
};

}  // namespace sim
