#include "platform/core/Signals.h"

#include <signal.h>

namespace platform {

namespace {

std::atomic<int>* g_stopSignal = nullptr;

extern "C" void OnStopSignal(int pSignal) {
    if (g_stopSignal) g_stopSignal->store(pSignal);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(pSignal, &fallback, nullptr);
}

} // namespace

void InstallStopHandlers(std::atomic<int>& pStopSignal) {
    g_stopSignal = &pStopSignal;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void IgnoreBrokenPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

int StopExitStatus(int pSignal) {
    return 128 + pSignal;
}

} // namespace platform
