// Where an installed ProAtlas is, from the keys its installers leave under
// HKEY_LOCAL_MACHINE. Five editions may be installed side by side; when more
// than one is, the map server's "SwitchAppPath" names the one the user chose.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "launcher/registry.hpp"

namespace vc::launcher {

struct ProAtlasEdition {
  std::string_view subkey;
  std::string_view valueName;
  // Appended to a non-empty value to make the executable's path.
  std::string_view suffix;
};

// Oldest first. The oldest edition stores its installation folder; the later
// ones store the executable's path itself.
inline constexpr std::array<ProAtlasEdition, 5> kProAtlasEditions = {{
    {"SOFTWARE\\ALPS\\Rdw30", "installpath", "\\Program\\PAtls98.exe"},
    {"SOFTWARE\\ALPS\\Rdw40", "AppPath", ""},
    {"SOFTWARE\\ALPS\\Rdw50", "AppPath", ""},
    {"SOFTWARE\\ALPS\\Rdw60", "AppPath", ""},
    {"SOFTWARE\\ALPS\\Rdw70", "AppPath", ""},
}};

inline constexpr std::string_view kMapServerKey = "SOFTWARE\\ALPS\\MapServer";
inline constexpr std::string_view kSwitchAppPathName = "SwitchAppPath";

// The full path of the ProAtlas executable to start, or empty when none is
// installed (or several are and none was chosen).
std::string LocateProAtlas(const Registry& registry);

}  // namespace vc::launcher
