// Lexer throughput over a generated 10 MB rule-language file: templates,
// fact sets and rules with strings, numbers, variables and comments.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "values/IEParser.h"

namespace {

using namespace fxe;

const std::string& RuleFile() {
  static const std::string text = [] {
    constexpr std::size_t kSize = 10u << 20;
    std::mt19937 random(42);
    std::string out;
    out.reserve(kSize + 4096);
    for (int n = 0; out.size() < kSize; ++n) {
      const std::string id = std::to_string(n);
      out += "; ---- knowledge block " + id + " ----\r\n";
      out += "(deftemplate person-" + id + " \"A person with an age and tags\"\r\n";
      out += "    (slot name (type STRING) (default \"nobody\"))\r\n";
      out += "    (slot age (type INTEGER) (range 0 130) (default 0))\r\n";
      out += "    (slot score (type FLOAT) (default 0.5))\r\n";
      out += "    (multislot tags (allowed-symbols red green blue)))\r\n";
      out += "(deffacts people-" + id + "\r\n";
      for (int i = 0; i < 4; ++i) {
        out += "    (person-" + id + " (name \"Person \\\"" + std::to_string(random() % 1000) + "\\\"\") (age " +
               std::to_string(random() % 100) + ") (score " + std::to_string(random() % 1000) + "." +
               std::to_string(random() % 100) + ") (tags red blue))\r\n";
      }
      out += ")\r\n";
      out += "(defrule adult-" + id + " \"Finds adults\" (declare (salience -" + std::to_string(n % 50) + "))\r\n";
      out += "    ?f <- (person-" + id + " (name ?n) (age ?a&:(>= ?a 18)) (tags $?t))\r\n";
      out += "    (not (minor ?n))  ; no minor with that name\r\n";
      out += "    =>\r\n";
      out += "    (bind ?x (* 1.25e2 ?a -3 +7))\r\n";
      out += "    (printout t \"Adult: \" ?n \" aged \" ?a crlf)\r\n";
      out += "    (assert (adult ?n ?x $?t)) (retract ?f))\r\n";
    }
    return out;
  }();
  return text;
}

// Tokens through the construct read-ahead, as the parser takes them.
void BM_NextToken(benchmark::State& state) {
  const std::string& text = RuleFile();
  std::size_t tokens = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto stream = TIERuleStream::FromText(text);
    state.ResumeTiming();
    tokens = 0;
    while (stream->NextToken()->DataType() != tkEndOfInput) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["tokens"] = static_cast<double>(tokens);
}
BENCHMARK(BM_NextToken)->Unit(benchmark::kMillisecond);

// Raw tokens straight from the characters, without read-ahead and record.
void BM_ReadRawToken(benchmark::State& state) {
  const std::string& text = RuleFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto stream = TIERuleStream::FromText(text);
    state.ResumeTiming();
    std::size_t tokens = 0;
    while (stream->ReadRawToken()->DataType() != tkEndOfInput) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadRawToken)->Unit(benchmark::kMillisecond);

}  // namespace
