// Defaults and whole-section operations of the program image and the system block.
#pragma once

#include "model/FilterSeam.h"
#include "model/Model.h"

#include <array>

namespace kel {

// Default band frequencies in Hz; stored as FreqToIndex(Hz).
inline constexpr std::array<double, 15> kMusicBandHz = {20.5, 31.9, 50.6, 80.3, 125,  198,  315,  490,
                                                       721,  1240, 1920, 3050, 4940, 7550, 12000};
inline constexpr std::array<double, 20> kMicBandHz = {20.5, 31.9, 50.6, 80.3, 125,  198,   315,   490,   721,   1240,
                                                     1920, 3050, 4940, 6230, 8160, 9890, 12000, 14500, 17600, 20200};
inline constexpr double kSecondEqHz = 1000;
inline constexpr std::array<double, 7> kEffectBandHz = {20.5, 51.6, 135, 354, 926, 2420, 6350};
inline constexpr std::array<double, 10> kOutputBandHz = {20.5, 36.5, 65, 116, 206, 367, 655, 1170, 2080, 3700};
inline constexpr std::array<double, 3> kDynamicBandHz = {28.9, 236, 4230};
static_assert(kMusicBandHz.size() == kMusicBands && kMicBandHz.size() == kMicBands &&
              kEffectBandHz.size() == kEffectBands && kOutputBandHz.size() == kOutputBands &&
              kDynamicBandHz.size() == kDynamicBands);
inline constexpr int kDefaultQIndex = 10;

// Built-in passwords (digit values, not characters); the device's own block replaces them.
inline constexpr std::array<std::uint8_t, 4> kDefaultPanelPassword = {1, 2, 3, 4};
inline constexpr std::array<std::uint8_t, 6> kDefaultSystemPassword = {1, 2, 3, 4, 5, 6};

enum class OutputPair : int { Main = OUT_MAIN_L, Rear = OUT_REAR_L, Surround = OUT_SURR_L };

void ResetModel();
void CommitShadow(bool withSystem);
// Shadow := image without touching the filter objects: what a transport thread does with a received
// program. The UI thread then calls ReloadFilters (MSG_PROGRAM_RECEIVED).
void CommitShadowImage();
// Re-attaches every filter object to the working image, under ImageLock. UI thread only.
void ReloadFilters();
void SyncMusic(bool reloadFilters);
void SyncMic(bool reloadFilters);
void LinkOutputPair(OutputPair pair);
void ApplyLinks();
void ResetEq(int channel);

// The link copies of ApplyLinks inside one stored program (no shadow, no filters).
void ApplyLinksInProgram(ProgramImage& program);
// The start-up program, as ResetModel leaves the working image (usable for any image, e.g. an emulator's).
void FillDefaultProgram(ProgramImage& img);
// The system block defaults.
void ResetSystemBlock(SystemBlock& s);
// Fill the dialog start paths from a working folder (ResetModel: the current one).
void SetDialogPaths(const std::string& workingFolder);
// Creates the "Mode" folder in the working folder of the dialog paths: the window's start-up does, after
// ResetModel, which itself writes nothing to disk.
void CreateModeFolder();

} // namespace kel
