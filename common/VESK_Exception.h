// The system's error types and the message chaining every layer uses.
//
// Inner checks throw a plain `Exception` with a short text. A layer that adds
// context catches any `Exception` and throws a `VESK_Exception` whose message is
// its own context line, "\n", and the caught message, so that the final message
// reads top-down from the user's operation to the root cause, one line per layer.
// Exceptions not derived from `Exception` pass through untouched.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vesk {

// The base error: one message text.
class Exception : public std::exception {
  public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

  private:
    std::string FMessage;
};

// An error raised by the programmer driver, the chip definitions or the image reader.
class VESK_Exception : public Exception {
  public:
    using Exception::Exception;
};

// Runs `body`; any `Exception` it raises is raised again as a `VESK_Exception`
// with `context` as a new first line.
template <class Body> decltype(auto) WithContext(const std::string& context, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw VESK_Exception(context + "\n" + e.Message());
    }
}

} // namespace vesk
