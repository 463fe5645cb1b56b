#include "tests/support/fault_injection.h"

namespace sonaro::test {
namespace {

struct Plan {
    FileOperation operation = FileOperation::Open;
    int error = 0;
    int nth = 1;
    std::string pathPart;
    int seen = 0;
    bool fired = false;
};

Plan plan;

int Hook(FileOperation operation, const std::string& path) {
    if (operation != plan.operation || path.find(plan.pathPart) == std::string::npos) {
        return 0;
    }
    ++plan.seen;
    if (plan.nth == 0 || plan.seen == plan.nth) {
        plan.fired = true;
        return plan.error;
    }
    return 0;
}

}  // namespace

ScopedFault::ScopedFault(FileOperation operation, int error, int nth, std::string pathPart) {
    plan = Plan{operation, error, nth, std::move(pathPart), 0, false};
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
