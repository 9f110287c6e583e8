#pragma once
// Text for play lengths in the file list and for the time stamps of the log.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

// Milliseconds as total minutes (at least three digits), seconds and
// milliseconds: 62500 -> "001'02.500". Hours are not split off; negative
// values count as 0.
std::string DurationText(int32_t pMs);

// The current local date and time as "yyyy/mm/dd hh:mm:ss" (seconds truncated).
std::string LogTimestamp();

// The same text for a given moment, in local time.
std::string LogTimestampAt(std::chrono::system_clock::time_point pMoment);

// The same text for a given broken-down local time.
std::string LogTimestampOf(const std::tm& pLocal);
