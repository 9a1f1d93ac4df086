// The prompt's line editor over libedit's readline interface.
#include "LineEditor.h"

#include <editline/readline.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace fxe::shell {

namespace {

// The C interface calls plain functions; these point at the editor that is
// reading and at the candidates of the word being completed.
TLineEditor::TCompleter* activeCompleter = nullptr;
std::vector<std::string> candidates;

char* NextCandidate(const char* text, int state) {
  static std::size_t next = 0;
  if (state == 0) {
    next = 0;
    candidates.clear();
    if (activeCompleter) {
      const std::size_t length = std::strlen(text);
      for (std::string& word : (*activeCompleter)())
        if (word.compare(0, length, text) == 0) candidates.push_back(std::move(word));
      std::sort(candidates.begin(), candidates.end());
      candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    }
  }
  if (next >= candidates.size()) return nullptr;
  return strdup(candidates[next++].c_str());
}

char** Complete(const char* text, int, int) {
  rl_attempted_completion_over = 1;
  return rl_completion_matches(text, NextCandidate);
}

}  // namespace

TLineEditor::TLineEditor(std::string historyFile, TCompleter completer)
    : historyFile_(std::move(historyFile)), completer_(std::move(completer)) {
  rl_readline_name = "fxe";
  // Words of the rule language end at blanks and parentheses only: names
  // such as assert-string and create$ complete whole.
  rl_basic_word_break_characters = const_cast<char*>(" \t\n\"()");
  rl_attempted_completion_function = Complete;
  using_history();
  if (!historyFile_.empty()) read_history(historyFile_.c_str());
  activeCompleter = &completer_;
}

TLineEditor::~TLineEditor() {
  if (!historyFile_.empty()) write_history(historyFile_.c_str());
  activeCompleter = nullptr;
}

std::optional<std::string> TLineEditor::ReadLine(const char* prompt) {
  char* line = readline(prompt);
  if (!line) return std::nullopt;
  std::string text(line);
  std::free(line);
  return text;
}

void TLineEditor::Remember(std::string_view form) {
  std::string entry(form);
  std::replace(entry.begin(), entry.end(), '\n', ' ');
  if (!entry.empty()) add_history(entry.c_str());
}

std::string DefaultHistoryFile() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return std::string(home) + "/.fxe_history";
}

}  // namespace fxe::shell
