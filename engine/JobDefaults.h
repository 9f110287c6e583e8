#pragma once

// The defaults the window's panel and quillan-batch offer for a job; the job record, the panel
// table, --help and the manual all take them from here.

#include <cstdint>

// Start and end of sound: the first and last frame above this level, dB of full scale.
inline constexpr int32_t kTrimThresholdDefaultDb = -45;

// Normalisation targets: 0 dB of full scale for the level modes, -23 LUFS (broadcast
// delivery) for loudness; the true-peak ceiling of the loudness mode in dB of full scale.
inline constexpr float kLevelTargetDefaultDb = 0.0f;
inline constexpr float kLoudnessTargetDefaultLufs = -23.0f;
inline constexpr float kTruePeakCeilingDefaultDb = -1.0f;

// The RMS(Calc) gate the front ends offer: silences longer than this window at or below this
// level relative to the peak are left out. The job record itself starts without a gate (0).
inline constexpr int32_t kGateWindowDefaultMs = 500;
inline constexpr int32_t kGateThresholdDefaultDb = -6;
