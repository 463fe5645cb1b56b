#pragma once

#include <utility>
#include <variant>

#include "convert/files/failure.h"

namespace sonaro {

// What an operation gives back: its value, or the failure that stopped it.
template <typename T>
class Outcome {
  public:
    Outcome(T value) : state_(std::move(value)) {}            // NOLINT: a value converts implicitly
    Outcome(Failure failure) : state_(std::move(failure)) {}  // NOLINT: so does a failure

    explicit operator bool() const { return std::holds_alternative<T>(state_); }
    const T& value() const& { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    const T* operator->() const { return &value(); }
    const T& operator*() const { return value(); }
    const Failure& failure() const { return std::get<Failure>(state_); }

  private:
    std::variant<T, Failure> state_;
};

}  // namespace sonaro
