#pragma once
// The screen's twips per pixel as an integer, program-wide. The window sets it
// at load (round(1440 / logical dpi)); 15 is a standard 96 dpi screen.

#include <cstdint>

extern int32_t TwipsPerPixel;
