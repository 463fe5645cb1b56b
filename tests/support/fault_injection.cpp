#include "tests/support/fault_injection.h"

#include <atomic>

namespace sonaro::test {
namespace {

// Threads of a stage may read a file at the same time: the counts are atomic.
struct Plan {
    FileOperation operation = FileOperation::Open;
    int error = 0;
    int nth = 1;
    std::string pathPart;
    std::atomic<int> seen{0};
    std::atomic<bool> fired{false};
};

Plan plan;

int Hook(FileOperation operation, const std::string& path) {
    if (operation != plan.operation || path.find(plan.pathPart) == std::string::npos) {
        return 0;
    }
    const int seen = plan.seen.fetch_add(1) + 1;
    if (plan.nth == 0 || seen == plan.nth) {
        plan.fired = true;
        return plan.error;
    }
    return 0;
}

}  // namespace

ScopedFault::ScopedFault(FileOperation operation, int error, int nth, std::string pathPart) {
    plan.operation = operation;
    plan.error = error;
    plan.nth = nth;
    plan.pathPart = std::move(pathPart);
    plan.seen = 0;
    plan.fired = false;
    File::SetFaultHook(&Hook);
}

ScopedFault::~ScopedFault() {
    File::SetFaultHook(nullptr);
}

int ScopedFault::seen() const {
    return plan.seen;
}

bool ScopedFault::fired() const {
    return plan.fired;
}

}  // namespace sonaro::test
