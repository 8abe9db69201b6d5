// GUID helpers and the names the trace gives to well-known GUIDs.
#include "sim/Guid.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "sim/StandardGuids.h"
#include "sentrel/core/SentrelProtocol.h"
#include "uefi/platform/ConsoleControl.h"
#include "uefi/platform/DisplayChange.h"
#include "uefi/platform/HddPasswordService.h"
#include "uefi/platform/PromptFeedback.h"
#include "uefi/platform/SetupPresence.h"
#include "uefi/platform/UgaDraw.h"
#include "uefi/protocol/DevicePath.h"
#include "uefi/protocol/DiskInfo.h"
#include "uefi/protocol/Edid.h"
#include "uefi/protocol/GraphicsOutput.h"
#include "uefi/protocol/Hash.h"
#include "uefi/protocol/Pcd.h"
#include "uefi/protocol/SimpleTextIn.h"
#include "uefi/protocol/SimpleTextInEx.h"
#include "uefi/protocol/LoadedImage.h"
#include "uefi/protocol/SimpleTextOut.h"

namespace sim {
namespace {

std::map<EFI_GUID, std::string, GuidLess>& Names() {
  static std::map<EFI_GUID, std::string, GuidLess> Table = {
      {EFI_LOADED_IMAGE_PROTOCOL_GUID, "LoadedImage"},
      {EFI_DEVICE_PATH_PROTOCOL_GUID, "DevicePath"},
      {EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID, "SimpleTextOutput"},
      {kEventGroupReadyToBoot, "ReadyToBoot"},
      {kEventGroupExitBootServices, "ExitBootServices"},
      {kEventGroupBeforeExitBootServices, "BeforeExitBootServices"},
      {kEventGroupVirtualAddressChange, "VirtualAddressChange"},
      {kEventGroupMemoryMapChange, "MemoryMapChange"},
      {kEventGroupEndOfDxe, "EndOfDxe"},
      {kHobListGuid, "HobList"},
      {kDxeSmmReadyToLockProtocolGuid, "DxeSmmReadyToLock"},
      {EFI_HASH_PROTOCOL_GUID, "Hash"},
      {EFI_PCD_PROTOCOL_GUID, "Pcd"},
      {EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID, "GraphicsOutput"},
      {EFI_SIMPLE_TEXT_INPUT_PROTOCOL_GUID, "SimpleTextInput"},
      {EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID, "SimpleTextInputEx"},
      {EFI_DISK_INFO_PROTOCOL_GUID, "DiskInfo"},
      {EFI_EDID_DISCOVERED_PROTOCOL_GUID, "EdidDiscovered"},
      {EFI_CONSOLE_CONTROL_PROTOCOL_GUID, "ConsoleControl"},
      {EFI_UGA_DRAW_PROTOCOL_GUID, "UgaDraw"},
      {DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID, "DisplayChangeSignal"},
      {SETUP_PRESENCE_PROTOCOL_GUID, "SetupPresence"},
      {PROMPT_FEEDBACK_PROTOCOL_GUID, "PromptFeedback"},
      {HDD_PASSWORD_SERVICE_GUID, "HddPasswordService"},
      {HDD_PASSWORD_READY_PROTOCOL_GUID, "HddPasswordReady"},
      {SENTREL_PASSWORD_PROTOCOL_GUID, "SentrelPassword"},
  };
  return Table;
}

}  // namespace

bool GuidEqual(const EFI_GUID& A, const EFI_GUID& B) { return std::memcmp(&A, &B, sizeof(EFI_GUID)) == 0; }

bool GuidLess::operator()(const EFI_GUID& A, const EFI_GUID& B) const {
  return std::memcmp(&A, &B, sizeof(EFI_GUID)) < 0;
}

std::string GuidToString(const EFI_GUID& Guid) {
  char Text[37];
  std::snprintf(Text, sizeof(Text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", Guid.Data1, Guid.Data2,
                Guid.Data3, Guid.Data4[0], Guid.Data4[1], Guid.Data4[2], Guid.Data4[3], Guid.Data4[4],
                Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]);
  return Text;
}

void NameGuid(const EFI_GUID& Guid, std::string Name) { Names()[Guid] = std::move(Name); }

std::string GuidLabel(const EFI_GUID& Guid) {
  auto Found = Names().find(Guid);
  return Found != Names().end() ? Found->second : GuidToString(Guid);
}

}  // namespace sim
