// Fuzz target: the whole engine running a program. The input is read with
// its commands run and its errors collected, then the engine is reset, run
// for a bounded number of firings, listed, and saved to memory (as text and
// as stored properties); the saved text is loaded into a second engine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzEngine.h"

using namespace fxe;

namespace {

constexpr std::int32_t kRunLimit = 64;

// Every listing the engine offers, run as commands.
constexpr std::string_view kListings =
    "(facts) (rules) (agenda) (list-defrules) (list-deftypes) (list-deffacts) (list-deffunctions) "
    "(list-deftemplates)";

// The pretty-print command of each construct of the engine.
void PrintEachConstruct(TInferenceEngine& engine) {
  std::string commands;
  for (const auto& entry : engine.RuleTable()) commands += "(ppdefrule " + std::string(entry.Key()) + ")";
  for (const auto& entry : engine.FactTemplateTable()) commands += "(ppdeftemplate " + std::string(entry.Key()) + ")";
  for (const auto& entry : engine.DefinedTypeTable()) commands += "(ppdeftype " + std::string(entry.Key()) + ")";
  for (TFactSet* set : engine.FactSetList()) commands += "(ppdeffacts " + set->FactSetName() + ")";
  // Names the reader cannot take back fail here as parse errors, which is all right.
  fuzz::Tolerating([&] { engine.Parse(commands); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::MaxInputSize) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::TFuzzEngine sandbox;
  TInferenceEngine& engine = sandbox.Engine();
  engine.SetParserErrorHandling(ehRaiseAllAtEnd);
  engine.SetOnParseError([](TInferenceEngine&, std::string_view, std::int32_t) {});
  fuzz::Tolerating([&] { engine.Parse(text); });
  fuzz::Tolerating([&] { engine.Reset(); });
  fuzz::Tolerating([&] { engine.Run(kRunLimit); });
  fuzz::Tolerating([&] { engine.Parse(kListings); });
  PrintEachConstruct(engine);
  std::string saved;
  fuzz::Tolerating([&] { saved = engine.SaveAll(); });
  fuzz::Tolerating([&] { (void)engine.SaveProperties(); });
  if (!saved.empty()) {
    fuzz::TFuzzEngine second;
    second.Engine().SetParserErrorHandling(ehRaiseAllAtEnd);
    second.Engine().SetOnParseError([](TInferenceEngine&, std::string_view, std::int32_t) {});
    fuzz::Tolerating([&] { second.Engine().LoadFromText(saved); });
  }
  fuzz::Tolerating([&] { engine.Clear(); });
  return 0;
}
