#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace rotopal {

// Wraps an error value so that Result's constructors never confuse it with a success value,
// even when both types could convert from the same argument.
template <class E>
struct Failure {
    E error;
};

template <class E>
Failure(E) -> Failure<E>;

// Either a value or the reason there is none. A small stand-in for std::expected, which
// C++20 lacks; errors are plain values that callers inspect, never exceptions.
template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    // Builds a value-initialised T in place, for values too large to move around cheaply.
    explicit Result(std::in_place_t) : state_(std::in_place_index<0>) {}
    Result(Failure<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool has_value() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }

    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

// Outcome of an operation that produces nothing but may fail.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(Failure<E> failure) : error_(std::move(failure.error)), failed_(true) {}

    bool has_value() const noexcept { return !failed_; }
    explicit operator bool() const noexcept { return has_value(); }

    const E& error() const { return error_; }

private:
    E error_{};
    bool failed_ = false;
};

}  // namespace rotopal
