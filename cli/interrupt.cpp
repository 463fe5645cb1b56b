#include "cli/interrupt.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace sonaro {
namespace {

volatile std::sig_atomic_t interruptedBy = 0;
volatile std::sig_atomic_t brokenPipe = 0;

extern "C" void OnInterrupt(int signal) {
    interruptedBy = signal;
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a read waiting for input stops
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() {
    return interruptedBy != 0;
}

void NoteBrokenPipe() {
    brokenPipe = 1;
}

void EndLikeTheSignal() {
    const int signal = interruptedBy != 0 ? static_cast<int>(interruptedBy)
                       : brokenPipe != 0  ? SIGPIPE
                                          : 0;
    if (signal == 0) {
        return;
    }
    std::cout.flush();
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    sigset_t only{};
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
}

}  // namespace sonaro
