// The exception classes of the engine. Every failure is one of these, carrying
// its fully formatted message; what() is exactly that text.
#pragma once

#include <stdexcept>
#include <string>

namespace fxe {

// Engine errors: conversions, evaluation, model objects, functions.
class EIEException : public std::runtime_error {
 public:
  explicit EIEException(const std::string& message) : std::runtime_error(message) {}
};

// A parse error; carries the line of the token at which it was raised.
class EIEParseException : public EIEException {
 public:
  EIEParseException(const std::string& message, int lineNumber)
      : EIEException(message), lineNumber_(lineNumber) {}
  int LineNumber() const noexcept { return lineNumber_; }

 private:
  int lineNumber_;
};

// Errors of fuzzy sets and their operations.
class EFzyException : public std::runtime_error {
 public:
  explicit EFzyException(const std::string& message) : std::runtime_error(message) {}
};

// Errors of the hash-table family.
class EGHashtableError : public std::runtime_error {
 public:
  explicit EGHashtableError(const std::string& message) : std::runtime_error(message) {}
};

// Errors of the graph library.
class EGraphException : public std::runtime_error {
 public:
  explicit EGraphException(const std::string& message) : std::runtime_error(message) {}
};

// The silent abort: unwinds what is running without reporting an error (the
// parse loop stops on it and keeps the errors it collected).
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

// Errors of the buffered and text streams.
class EGStreamError : public std::runtime_error {
 public:
  explicit EGStreamError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace fxe
