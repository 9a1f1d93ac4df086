// Fuzz target: the fuzzy expression parser. The input (after its first byte)
// is an expression text for one of two fuzzy types (the first byte chooses),
// or for none. A fuzzy value it evaluates to must read back from its printed
// form as the same printed text; numbers print with four decimals, so the
// membership is compared one reading later: the set read back and the set
// read from its own printed form must agree everywhere.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzEngine.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEDefinedType.h"

using namespace fxe;

namespace {

constexpr std::string_view kTypes = R"(
(deftype LEVEL extends (type FUZZY) (range 0 10)
  (values (term low ((0 1) (5 0))) (term medium ((2 0) (5 1) (8 0))) (term high ((5 0) (10 1)))))
(deftype SHIFT extends (type FUZZY) (range -1.5 1.5) (units steps)
  (values (term back (z -1 0)) (term still (pi 0 0.5)) (term ahead (s 0 1)) (term level (tri -0.5 0 0.5))))
)";

// The engine with the two types, made once: parsing an expression does not
// change the types.
struct TSetting {
  fuzz::TFuzzEngine sandbox;
  IFuzzyVariable* level = nullptr;
  IFuzzyVariable* shift = nullptr;
  TSetting() {
    sandbox.Engine().Parse(kTypes);
    level = sandbox.Engine().FindDefinedType("LEVEL")->FuzzyVariable();
    shift = sandbox.Engine().FindDefinedType("SHIFT")->FuzzyVariable();
  }
};

bool SameMembership(const IFuzzySet& a, const IFuzzySet& b) {
  const double low = a.LowerBound();
  const double high = a.UpperBound();
  if (!std::isfinite(low) || !std::isfinite(high)) return true;
  constexpr int kSamples = 40;
  for (int i = 0; i <= kSamples; ++i) {
    const double x = low + (high - low) * i / kSamples;
    const double ya = a.GetMembership(x);
    const double yb = b.GetMembership(x);
    if (std::isnan(ya) != std::isnan(yb) || std::fabs(ya - yb) > 1e-4) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > fuzz::MaxInputSize) return 0;
  static TSetting setting;
  IFuzzyVariable* variable = data[0] % 3 == 0 ? setting.level : data[0] % 3 == 1 ? setting.shift : nullptr;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto& parser = static_cast<TIEFuzzyParser&>(*setting.sandbox.Engine().FuzzyParser());
  TRef<TIEValue> value;
  if (!fuzz::Tolerating([&] { value = parser.ParseFuzzyExpression(variable, text); })) return 0;
  if (!value || value->DType() != dtFuzzy) return 0;
  const std::string printed = FuzzyValueText(*value->AsFuzzy());
  if (printed.empty()) return 0;  // the empty term prints as nothing
  auto readBack = [&](const std::string& form) {
    TRef<TIEValue> again;
    if (!fuzz::Tolerating([&] { again = parser.ParseFuzzyExpression(variable, form); }) || !again ||
        again->DType() != dtFuzzy) {
      fuzz::Fail("a fuzzy value does not read back from its printed form", text + "\nprinted: " + form);
    }
    return again->AsFuzzy();
  };
  const TRef<IFuzzySet> reread = readBack(printed);
  const std::string rereadText = FuzzyValueText(*reread);
  if (rereadText != printed)
    fuzz::Fail("a fuzzy value reads back unequal", text + "\nprinted: " + printed + "\nreread:  " + rereadText);
  if (!SameMembership(*reread, *readBack(rereadText)))
    fuzz::Fail("a fuzzy value read back twice differs", text + "\nprinted: " + printed);
  return 0;
}
