// The system's error types and the message chaining every layer uses.
//
// Inner checks throw a plain `Exception` with a short text. A layer that adds
// context catches any `Exception` and throws a `VESK_Exception` whose message is
// its own context line, "\n", and the caught message, so that the final message
// reads top-down from the user's operation to the root cause, one line per layer.
// The kind is set where the failure is raised and goes up the chain unchanged, unless
// a layer knows better (the image reader makes every failure below it a bad image).
// Exceptions not derived from `Exception` pass through untouched.
#pragma once

#include "common/FailureKind.h"

#include <exception>
#include <string>
#include <utility>

namespace vesk {

// The base error: one message text and what went wrong.
class Exception : public std::exception {
  public:
    explicit Exception(std::string message, TFailureKind kind = TFailureKind::Other)
        : FMessage(std::move(message)), FKind(kind) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }
    TFailureKind Kind() const noexcept { return FKind; }

  private:
    std::string FMessage;
    TFailureKind FKind;
};

// An error raised by the programmer driver, the chip definitions or the image reader.
class VESK_Exception : public Exception {
  public:
    using Exception::Exception;
};

// Runs `body`; any `Exception` it raises is raised again as a `VESK_Exception`
// with `context` as a new first line and the same kind.
template <class Body> decltype(auto) WithContext(const std::string& context, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw VESK_Exception(context + "\n" + e.Message(), e.Kind());
    }
}

// Runs `body`; any `Exception` it raises is raised again, its message unchanged, as
// one of `kind`.
template <class Body> decltype(auto) WithKind(TFailureKind kind, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw VESK_Exception(e.Message(), kind);
    }
}

// As WithContext above, but every failure of `body` becomes one of `kind`: for a layer that knows
// better than the check below it what the failure means to a caller.
template <class Body> decltype(auto) WithContext(const std::string& context, TFailureKind kind, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw VESK_Exception(context + "\n" + e.Message(), kind);
    }
}

} // namespace vesk
