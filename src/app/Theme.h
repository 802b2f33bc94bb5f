#pragma once

#include "config/Preferences.h"

// The look of the whole program. Light and Dark are the Fusion style with a light or a dark palette of the
// program's own; System gives back the style and palette the program started with (the desktop's). The first call
// takes note of those, so call it before anything else changes the style or the palette.
namespace theme {

void apply(Theme theme);

} // namespace theme
