#pragma once

// The icon strip of the button strip: 26 icons of 18 x 18 pixels side by side
// (icon n at x = 18 n), images in the top row, masks in the row below (black
// where the icon is, white elsewhere). Images are black outside the icon so
// that a mask AND followed by an image XOR draws the icon.
//
//  0 to start   1 play   2 stop   3 to end      4 zoom in  5 zoom out
//  6 select all 7 fit    8-11 active 0-3        12 pause   13 record
//  14 loop      15 back  16 forward 17 eject    18-20 active 15-17
//  21 volume    22 mute  23 active record       24 active pause  25 list

#include "platform/gui/Surface.h"

inline constexpr int kIconSize = 18;
inline constexpr int kIconCount = 26;

// The strip, 468 x 36 pixels.
platform::Surface MakeButtonIcons();

// True for the icons that keep their own colours (the active ones).
bool IconKeepsColours(int pIcon);

// Tints the images of the other icons to the button-face colour: every part
// of every non-black pixel times (the face's part / 210), rounded.
void TintButtonIcons(platform::Surface& pStrip, platform::Color pFace);
