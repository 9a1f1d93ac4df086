// A small application built against the installed fxe package: engine values
// and their conversion errors, a fuzzy variable with its automatic terms and
// a string-keyed table. Exits with 0 when every result is the expected one.
#include <cstdio>
#include <string>

#include "base/IEExceptions.h"
#include "collections/GHashtable.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "values/IEValue.h"

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "consumer: %s\n", what);
  ++failures;
}

}  // namespace

int main() {
  using namespace fxe;

  const TRef<TIEValue> number = NewString("42");
  Expect(number->AsInteger() == 42, "a numeric string converts to an integer");
  try {
    NewAtom("abc")->AsInteger();
    Expect(false, "an atom that is no number does not convert");
  } catch (const EIEException& e) {
    Expect(std::string(e.what()) == "Not a integer type.  Value (abc) is a dtAtom type", "conversion message");
  }

  const auto temperature = MakeRef<TIFuzzyVariable>("temperature");
  temperature->SetMaximum(100.0);
  temperature->CreateAutoTerms();
  Expect(temperature->TermCount() == 3, "three automatic terms");
  const IFuzzySet* high = temperature->FindTerm("high");
  Expect(high && high->GetMembership(75.0) == 0.75, "membership of a term");

  TGStringHashtable<int> table;
  table.Put("one", 1);
  Expect(table.Get("one") == 1, "table lookup");
  return failures == 0 ? 0 : 1;
}
