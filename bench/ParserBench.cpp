// The rule-language parser reading generated knowledge bases into the
// stand-in engine: 10,000 deftemplate and 10,000 deffacts constructs, and
// 5,000 rules of five patterns (joins, a predicate, a disjunction, a negation
// and a test) with three actions each. Counters give constructs per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "model/IEPackages.h"
#include "parser/IERuleParser.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

std::string TemplatesAndFactSets(int count) {
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * 260);
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "(deftemplate order" + n + " \"orders of shop " + n +
            "\"\r\n"
            "    (slot id (type INTEGER) (default 0))\r\n"
            "    (slot item (type SYMBOL))\r\n"
            "    (slot price (type FLOAT) (range 0 1000))\r\n"
            "    (multislot tags (type SYMBOL) (default new)))\r\n";
  }
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "(deffacts start" + n + "\r\n    (order" + n + " (id " + n +
            ") (item widget) (price 9.5) (tags new cheap))\r\n    (stock widget " + n + "))\r\n";
  }
  return text;
}

std::string Rules(int count) {
  std::string text =
      "(deftemplate order (slot id) (slot item) (slot qty) (slot status))\r\n"
      "(deftemplate stock (slot item) (slot count))\r\n"
      "(deftemplate customer (slot id) (slot status))\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "(defrule ship" + n +
            "\r\n"
            "    (declare (salience " +
            n +
            "))\r\n"
            "    ?o <- (order (id ?id) (item ?item) (qty ?q&:(> ?q " +
            n +
            ")) (status open))\r\n"
            "    (stock (item ?item) (count ?c&~0))\r\n"
            "    (customer (id ?id) (status active|gold))\r\n"
            "    (not (blocked ?id))\r\n"
            "    (test (>= ?c ?q))\r\n"
            "    =>\r\n"
            "    (printout t \"ship \" ?id \" \" ?item crlf)\r\n"
            "    (assert (shipment ?id ?item ?q))\r\n"
            "    (modify ?o (status shipped)))\r\n";
  }
  return text;
}

// Parses text into a fresh stand-in engine on every iteration.
// Parses text into a fresh stand-in engine on every iteration; making and
// tearing down the engine is not timed.
void ParseAll(benchmark::State& state, const std::string& text, int constructs) {
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<test::TTestReasoner>();
    auto stream = TIERuleStream::FromText(text, engine.get());
    auto parser = std::make_unique<TIERuleParser>(engine.get(), stream.get());
    state.ResumeTiming();
    parser->Parse(true);
    state.PauseTiming();
    benchmark::DoNotOptimize(engine->Facts().size());
    parser.reset();
    stream.reset();
    engine.reset();
    state.ResumeTiming();
  }
  state.counters["constructs/s"] =
      benchmark::Counter(static_cast<double>(constructs), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ParseTemplatesAndFactSets(benchmark::State& state) {
  constexpr int kCount = 10000;
  const std::string text = TemplatesAndFactSets(kCount);
  ParseAll(state, text, 2 * kCount);
}
BENCHMARK(BM_ParseTemplatesAndFactSets)->Unit(benchmark::kMillisecond);

void BM_ParseRules(benchmark::State& state) {
  constexpr int kCount = 5000;
  const std::string text = Rules(kCount);
  ParseAll(state, text, kCount);
}
BENCHMARK(BM_ParseRules)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fxe
