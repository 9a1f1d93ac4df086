// Line input for the interactive prompt: line editing, a history kept in a
// file, and completion of the words the completer supplies.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fxe::shell {

class TLineEditor {
 public:
  using TCompleter = std::function<std::vector<std::string>()>;

  // historyFile may be empty (no history kept).
  TLineEditor(std::string historyFile, TCompleter completer);
  TLineEditor(const TLineEditor&) = delete;
  TLineEditor& operator=(const TLineEditor&) = delete;
  ~TLineEditor();

  // The next line without its line end; nullopt at the end of input.
  std::optional<std::string> ReadLine(const char* prompt);
  // Adds a complete form to the history.
  void Remember(std::string_view form);

 private:
  std::string historyFile_;
  TCompleter completer_;
};

// The history file in the user's home folder, or empty without a home.
std::string DefaultHistoryFile();

}  // namespace fxe::shell
