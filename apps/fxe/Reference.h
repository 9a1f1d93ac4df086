// The user reference of the built-in functions, made from the engine's own
// function tables: every package in installation order, every function with
// its usage text, arity and help text.
#pragma once

#include <string>

namespace fxe::shell {

// The reference as Markdown.
std::string FunctionReference();

}  // namespace fxe::shell
