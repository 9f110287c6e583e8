#include "cli/Interrupt.h"

#include <csignal>

namespace cli {

namespace {

std::atomic<int>* g_stopSignal = nullptr;

extern "C" void OnStopSignal(int signal) {
    if (g_stopSignal) g_stopSignal->store(signal);
    std::signal(signal, SIG_DFL);
}

} // namespace

void InstallStopHandlers(std::atomic<int>& stopSignal) {
    g_stopSignal = &stopSignal;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int StopExitStatus(int signal) {
    return 128 + signal;
}

} // namespace cli
