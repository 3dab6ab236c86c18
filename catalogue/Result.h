#pragma once
// A reader's answer: the value, or why there is none. Inside the readers
// failures are values; the action the user triggered turns one into the
// program's Error with the user's text.
#include <optional>
#include <string>
#include <utility>

namespace kodrix {

template <class T, class E = std::string>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(E reason) {
        Result r;
        r.reason_ = std::move(reason);
        return r;
    }
    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Why there is no value (meaningful only then).
    const E& reason() const { return reason_; }

private:
    Result() = default;
    std::optional<T> value_;
    E reason_{};
};

}  // namespace kodrix
