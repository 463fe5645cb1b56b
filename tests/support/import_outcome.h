#pragma once

#include <optional>
#include <string>

#include "convert/files/failure.h"

namespace sonaro::test {

// How an import ended, and the words it gave, for comparing in one expectation.
enum class Status { Done, Cancelled, Failed };
struct ImportOutcome {
    Status status;
    std::string reason;
};

inline ImportOutcome OutcomeOf(const std::optional<Failure>& failure) {
    if (!failure) {
        return {Status::Done, ""};
    }
    return {failure->Cancelled() ? Status::Cancelled : Status::Failed, failure->Text()};
}

}  // namespace sonaro::test
