// Helpers shared by the test folders: expectations on raised errors, which
// compare the whole message, and builders of engine values.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "base/IEExceptions.h"
#include "values/IEValue.h"

namespace fxe::test {

// What ErrorOf reports when the action raised nothing.
inline constexpr std::string_view kNoError = "(no error)";

// The whole message of the E that action raises, or kNoError. Exceptions of
// other classes pass through (and fail the test).
template <class E = EIEException, class TAction>
std::string ErrorOf(TAction&& action) {
  try {
    std::forward<TAction>(action)();
  } catch (const E& e) {
    return e.what();
  }
  return std::string(kNoError);
}

// Expects action to raise an E whose whole message is message.
template <class E = EIEException, class TAction>
void ExpectError(TAction&& action, std::string_view message) {
  try {
    std::forward<TAction>(action)();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.what(), message);
  }
}

// A multifield value holding items (the values themselves, not copies).
inline TRef<TIEValue> ListOf(std::initializer_list<TRef<TIEValue>> items) {
  auto list = MakeRef<TValueVector>();
  for (const auto& item : items) list->Add(item);
  return NewList(std::move(list));
}

}  // namespace fxe::test
