// The window's own texts in the desktop's language: Japanese as written in
// the source, English from the translation compiled into the program.
#pragma once

#include "engine/messages.hpp"

namespace vc::panel {

// Installs the translation of `language` for the whole application (none is
// needed for Japanese) and removes the one installed before. True when the
// texts are in that language.
bool InstallTranslation(engine::Language language);

}  // namespace vc::panel
