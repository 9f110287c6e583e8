#include "services/core/DurationText.h"

#include "services/core/ErrorLog.h"

#include <chrono>
#include <cstdio>

std::string DurationText(int32_t pMs) {
    if (pMs < 0) pMs = 0;
    const int32_t minutes = pMs / 60000;
    const int32_t seconds = (pMs / 1000) % 60;
    const int32_t millis = pMs % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%03d'%02d.%03d", int(minutes), int(seconds), int(millis));
    return text;
}

std::string LogTimestampOf(const std::tm& pLocal) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", pLocal.tm_year + 1900,
                  pLocal.tm_mon + 1, pLocal.tm_mday, pLocal.tm_hour, pLocal.tm_min, pLocal.tm_sec);
    return text;
}

// Date and time come from one reading of the clock, so a line written at
// midnight never pairs the old time with the new date.
std::string LogTimestampAt(std::chrono::system_clock::time_point pMoment) {
    using namespace std::chrono;
    const std::time_t t = system_clock::to_time_t(floor<seconds>(pMoment));
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    return LogTimestampOf(local);
}

std::string LogTimestamp() {
    return CatchUnlessDebugging([] { return LogTimestampAt(std::chrono::system_clock::now()); },
                                std::string());
}
