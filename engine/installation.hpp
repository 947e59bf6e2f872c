// Where the installation keeps its data: the group definitions file lies
// beside the program, or in ../share/vornconverter/ relative to it.
#pragma once

#include <string>

namespace vc::engine {

inline constexpr const char* kGroupFileName = "header_mps_group.dat";

// The folder of the running program, without a trailing slash.
std::string ProgramFolder();

// The group definitions file to use; the path beside the program when none
// of the places holds one (opening it then fails and says so).
std::string FindGroupDefinitionsFile(const std::string& programFolder = ProgramFolder());

}  // namespace vc::engine
