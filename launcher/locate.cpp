#include "launcher/locate.hpp"

#include <cstddef>

namespace vc::launcher {

namespace {

struct Slot {
  std::string path;
  bool found = false;
};

// Slot 0 holds the chosen edition when several are installed; slots 1 to 5
// follow kProAtlasEditions.
using Slots = std::array<Slot, kProAtlasEditions.size() + 1>;

std::string ReadString(const Registry& registry, std::string_view subkey,
                       std::string_view valueName) {
  return RegistryText(ReadRegistryValue(registry, RegistryRoot::kLocalMachine, subkey, valueName,
                                        RegistryValueType::kString));
}

}  // namespace

std::string LocateProAtlas(const Registry& registry) {
  Slots slots;
  std::size_t count = 0;
  for (std::size_t edition = 0; edition < kProAtlasEditions.size(); ++edition) {
    const ProAtlasEdition& row = kProAtlasEditions[edition];
    Slot& slot = slots[edition + 1];
    slot.path = ReadString(registry, row.subkey, row.valueName);
    if (!slot.path.empty()) {
      slot.path += row.suffix;
      slot.found = true;
      ++count;
    }
  }
  if (count == 0) {
    return {};
  }
  if (count > 1) {
    // The editions' own paths are not used: without a choice nothing starts.
    slots[0].path = ReadString(registry, kMapServerKey, kSwitchAppPathName);
    slots[0].found = !slots[0].path.empty();
    return slots[0].path;
  }
  for (std::size_t index = slots.size() - 1; index >= 1; --index) {
    if (slots[index].found) {
      return slots[index].path;
    }
  }
  return {};
}

}  // namespace vc::launcher
