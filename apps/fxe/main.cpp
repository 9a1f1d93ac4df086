// fxe: runs rule programs with the inference engine, or starts a prompt.
//   fxe [OPTION]... [FILE]...
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Reference.h"
#include "Shell.h"
#include "base/Format.h"
#include "base/IEConsts.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: fxe [OPTION]... [FILE]...\n"
    "Runs each FILE of rule-language forms in one inference engine, in turn;\n"
    "without FILE reads forms from standard input, with a prompt on a terminal.\n"
    "\n"
    "  -e TEXT         run TEXT as if it were a file (may be repeated)\n"
    "  --watch LIST    start with watches on; LIST holds comma-separated items of\n"
    "                  all, rules, facts, activations, compilations, statistics\n"
    "  --crlf          write the engine's CR LF line ends unchanged\n"
    "  --stats         after the program, write the matching counters of the\n"
    "                  network to standard error\n"
    "  --max-memory MIB  limit the memory of the process to MIB mebibytes; a form\n"
    "                  that needs more stops with a message\n"
    "  --reference     print the reference of the built-in functions (Markdown)\n"
    "  --version       print the version and exit\n"
    "  --help          print this help and exit\n"
    "\n"
    "Exit status: 0 when every form ran, 1 when any failed, 2 for a usage error.\n";

// A program to run: a file's name or text given with -e.
struct TSource {
  bool isFile;
  std::string value;
};

struct TCommandLine {
  std::vector<TSource> sources;
  fxe::TConstructWatches watch;
  bool crlf = false;
  bool stats = false;
  std::uint64_t maxMemoryMiB = 0;  // 0: no limit
};

[[noreturn]] void UsageError(std::string_view message) {
  std::cerr << "fxe: " << message << "\nTry 'fxe --help' for more information.\n";
  std::exit(2);
}

// The watch function's item names.
fxe::TConstructWatches WatchItem(std::string_view name) {
  if (name == "all") return {fxe::cwActivation, fxe::cwFact, fxe::cwRule, fxe::cwCompilation, fxe::cwStatistics};
  if (name == "rules") return {fxe::cwRule};
  if (name == "facts") return {fxe::cwFact};
  if (name == "activations") return {fxe::cwActivation};
  if (name == "compilations") return {fxe::cwCompilation};
  if (name == "statistics") return {fxe::cwStatistics};
  UsageError("unknown watch item '" + std::string(name) + "'");
}

std::uint64_t ParseMemoryLimit(std::string_view text) {
  std::uint64_t mib = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), mib);
  // At least one MiB, and few enough that the byte count fits in 64 bits.
  if (error != std::errc() || end != text.data() + text.size() || mib == 0 || mib > (UINT64_MAX >> 20))
    UsageError(fxe::Format(fxe::IEConsts::SShellInvalidMemoryLimit, text));
  return mib;
}

// Caps the address space, so that a runaway program meets a failed
// allocation (reported by the form it happened in) instead of exhausting the
// machine. Only the soft limit is lowered, which is always allowed; a hard
// limit below the request already bounds the process more tightly.
void LimitMemory(std::uint64_t mib) {
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  const auto bytes = static_cast<rlim_t>(mib << 20);
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? bytes : std::min(bytes, limit.rlim_max);
  setrlimit(RLIMIT_AS, &limit);
}

fxe::TConstructWatches ParseWatchList(std::string_view list) {
  fxe::TConstructWatches watch;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    watch |= WatchItem(list.substr(start, comma - start));
    start = comma + 1;
  }
  return watch;
}

TCommandLine ParseCommandLine(int argc, char** argv) {
  TCommandLine line;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) UsageError("option '" + std::string(argument) + "' needs a value");
      return argv[++i];
    };
    if (options && argument == "--") {
      options = false;
    } else if (options && argument == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (options && argument == "--version") {
      std::cout << "fxe " << FXE_VERSION << "\n";
      std::exit(0);
    } else if (options && argument == "--reference") {
      std::cout << fxe::shell::FunctionReference();
      std::exit(0);
    } else if (options && argument == "--crlf") {
      line.crlf = true;
    } else if (options && argument == "--stats") {
      line.stats = true;
    } else if (options && argument == "--max-memory") {
      line.maxMemoryMiB = ParseMemoryLimit(value());
    } else if (options && argument == "--watch") {
      line.watch |= ParseWatchList(value());
    } else if (options && argument == "-e") {
      line.sources.push_back({false, std::string(value())});
    } else if (options && argument.size() > 1 && argument.front() == '-') {
      UsageError("unknown option '" + std::string(argument) + "'");
    } else {
      line.sources.push_back({true, std::string(argument)});
    }
  }
  return line;
}

// The network's work since the engine was made, for tuning rule programs:
// how many partial matches were built, how many join tests ran and how many
// stored tokens each look into a memory had to visit.
void PrintStatistics(fxe::TInferenceEngine& engine) {
  const fxe::TReteStatistics& s = engine.Network().Statistics();
  char perProbe[32];
  std::snprintf(perProbe, sizeof perProbe, "%.2f", s.probes == 0 ? 0.0 : double(s.tokensVisited) / double(s.probes));
  std::cerr << "tokens created:        " << s.tokensCreated << "\n"
            << "join tests:            " << s.joinTestsRun << "\n"
            << "memory probes:         " << s.probes << "\n"
            << "tokens visited:        " << s.tokensVisited << "\n"
            << "visited per probe:     " << perProbe << "\n"
            << "activations created:   " << s.activationsCreated << "\n"
            << "rules fired, last run: " << engine.FiredCount() << "\n";
}

std::string ReadAll(std::istream& stream) {
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  const TCommandLine line = ParseCommandLine(argc, argv);
  if (line.maxMemoryMiB != 0) LimitMemory(line.maxMemoryMiB);
  // Every file must be readable before anything runs.
  std::vector<std::string> texts;
  for (const TSource& source : line.sources) {
    if (!source.isFile) {
      texts.push_back(source.value);
      continue;
    }
    std::ifstream file(source.value, std::ios::binary);
    if (!file) UsageError("cannot read '" + source.value + "'");
    texts.push_back(ReadAll(file));
  }

  fxe::shell::TShell shell(line.crlf);
  shell.Engine().SetWatch(line.watch);
  if (!line.sources.empty()) {
    for (const std::string& text : texts) {
      shell.Run(text);
      if (shell.Exited()) break;
    }
  } else if (isatty(STDIN_FILENO)) {
    shell.Interactive();
  } else {
    shell.Run(ReadAll(std::cin));
  }
  if (line.stats) PrintStatistics(shell.Engine());
  const int status = shell.ExitStatus();
#ifdef FXE_FAST_EXIT
  // Tearing down the network of a large program, token by token, takes a
  // good part of a short run; the process ends here and its memory goes back
  // to the system at once. Files are closed and output written first.
  shell.Finish();
  std::fflush(nullptr);
  std::_Exit(status);
#else
  return status;
#endif
}
