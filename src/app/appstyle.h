#pragma once

// The shared looks live with the styled controls; the program adds its resources.
#include "ui/windowlook.h"

namespace quill {

// Makes the program's pictures available; call once before the first window is made.
void InitProgramResources();

} // namespace quill
