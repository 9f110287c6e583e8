#include "services/core/DurationText.h"

#include "services/core/ErrorLog.h"

#include <chrono>
#include <cstdio>

std::string DurationText(int32_t ms) {
    if (ms < 0) ms = 0;
    const int32_t minutes = ms / 60000;
    const int32_t seconds = (ms / 1000) % 60;
    const int32_t millis = ms % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%03d'%02d.%03d", int(minutes), int(seconds), int(millis));
    return text;
}

std::string LogTimestampOf(const std::tm& local) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

// Date and time come from one reading of the clock, so a line written at
// midnight never pairs the old time with the new date.
std::string LogTimestampAt(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    const std::time_t t = system_clock::to_time_t(floor<seconds>(moment));
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    return LogTimestampOf(local);
}

std::string LogTimestamp() {
    return CatchUnlessDebugging([] { return LogTimestampAt(std::chrono::system_clock::now()); },
                                std::string());
}
