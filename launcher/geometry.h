// The splash window's geometry: the size of the shipped pictures and where the three buttons stand.
// Read by the launcher, the asset check, the benchmark's empty popup and, through the kit's Python
// (tools/launcherkit/geometry.py), by the art pipeline and the tests; so it holds nothing but plain
// "constexpr" lines of the form below, and no platform header.
#pragma once

#include <stdint.h>

constexpr int ButtonCount = 3;

// The window on 16-colour and true-colour screens; on 256-colour screens the pictures' own sizes,
// which the shipped pictures make the same.
constexpr uint16_t FixedWindowWidth = 530;
constexpr uint16_t FixedWindowHeight = 360;
constexpr uint16_t FixedButtonWidth = 90;
constexpr uint16_t FixedButtonHeight = 40;

// Top-left corners of buttons 0, 1, 2 (top to bottom) in client coordinates: x for each, then y.
struct ButtonOrigins {
    uint16_t originX[ButtonCount];
    uint16_t originY[ButtonCount];
};
constexpr ButtonOrigins buttonOrigins = {{30, 30, 30}, {180, 235, 290}};
