// The exception classes of the engine. Every failure is one of these, carrying
// its fully formatted message; what() is exactly that text.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace fxe {

// Engine errors: conversions, evaluation, model objects, functions.
class EIEException : public std::runtime_error {
 public:
  explicit EIEException(std::string_view message) : std::runtime_error(std::string(message)) {}
};

// A parse error; carries the line of the token at which it was raised.
class EIEParseException : public EIEException {
 public:
  EIEParseException(std::string_view message, int lineNumber) : EIEException(message), lineNumber_(lineNumber) {}
  int LineNumber() const noexcept { return lineNumber_; }

 private:
  int lineNumber_;
};

// Errors of fuzzy sets and their operations.
class EFzyException : public std::runtime_error {
 public:
  explicit EFzyException(std::string_view message) : std::runtime_error(std::string(message)) {}
};

// Errors of the hash-table family.
class EGHashtableError : public std::runtime_error {
 public:
  explicit EGHashtableError(std::string_view message) : std::runtime_error(std::string(message)) {}
};

// Errors of the graph library.
class EGraphException : public std::runtime_error {
 public:
  explicit EGraphException(std::string_view message) : std::runtime_error(std::string(message)) {}
};

// The silent abort: unwinds what is running without reporting an error (the
// parse loop stops on it and keeps the errors it collected).
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

// The exit function's abort: it unwinds like any abort, and a shell that
// catches it knows that the program asked to end.
class EExit : public EAbort {};

// Errors of the buffered and text streams.
class EGStreamError : public std::runtime_error {
 public:
  explicit EGStreamError(std::string_view message) : std::runtime_error(std::string(message)) {}
};

}  // namespace fxe
