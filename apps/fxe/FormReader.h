// Where a form typed at the prompt ends: the shell keeps reading lines until
// the parentheses of the text balance, outside strings and comments.
#pragma once

#include <string_view>

namespace fxe::shell {

// True when the text holds something and every parenthesis opened outside a
// string or a comment is closed (a surplus closing parenthesis also ends the
// form: the parser reports it).
bool FormComplete(std::string_view text) noexcept;

}  // namespace fxe::shell
