// The range check of program images and system blocks: every field against the ranges the model
// knows (indices, types, slopes, levels, delays, mode), before a file's contents go anywhere.
#pragma once

#include "model/Model.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kel {

// Choices of the combo-box fields (the pages' item lists are tied to these).
inline constexpr int kFeedbackChoices = 5;   // "OFF", "FB.EX1".."FB.EX4"
inline constexpr int kMusicInputChoices = 6; // Auto, VOD, BGM, COAX, OPTI, BT
inline constexpr int kOutputModeChoices = kOutputModes + 1; // Auto, then Sing, Disco, Decode
inline constexpr int kBandTypes = 4;         // BandType
inline constexpr int kExciterSteps = 10;     // harmonic and timbre 0..9

// The first field outside its range, named by its place ("musicL.eq[3].gain is 200, outside 0..180");
// nullopt when every field is in range. Names, passwords, reserved bytes and sums are not checked.
std::optional<std::string> CheckProgram(const ProgramImage& image);
std::optional<std::string> CheckSystem(const SystemBlock& system);

// The same for file images: a program file (system block + image) and an all-presets file of either
// length (58405 bytes, or the older 57019 without the slot system blocks). A file of another length
// is reported as such.
std::optional<std::string> CheckProgramFile(std::span<const std::uint8_t> bytes);
std::optional<std::string> CheckAllPresetsFile(std::span<const std::uint8_t> bytes);

} // namespace kel
