#pragma once
/// Physical and menu constants shared by every subsystem. All single precision:
/// the printed results depend on these exact float values.

#include <array>

namespace quill {

/// Pi rounded to single precision (3.14159274...).
inline constexpr float pi = 3.1415927f;

/// Speed of light, 3e8 m/s, in inches per microsecond: speed / f(MHz) is a
/// free-space wavelength in inches.
inline constexpr float speed = 11811.0234375f;

/// Line-loss levels offered by the loss menu, dB per inch (menu entries 1..6).
inline constexpr std::array<float, 6> closs = {0.0f, 0.125f, 0.25f, 0.5f, 1.0f, 2.0f};

/// Even-mode to odd-mode phase-velocity ratios of the velocity menu (entries 1..5).
inline constexpr std::array<float, 5> velocity = {1.0f, 0.975f, 0.95f, 0.925f, 0.9f};

/// A coupler holds at most this many sections.
inline constexpr int max_sections = 50;

}  // namespace quill
