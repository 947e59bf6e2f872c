// Compiled with the include tree of one library: it builds only where the
// engine's headers are visible, which they must not be from text/ or geo/.
#include "engine/context.hpp"
