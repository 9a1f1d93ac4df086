// The harmless engine of the fuzz targets: file functions removed, loops and
// runs bounded, output kept in memory.
#include "fuzz/FuzzEngine.h"

#include <cstdio>
#include <cstdlib>

#include "base/IEExceptions.h"
#include "model/IEContext.h"
#include "packages/PackageFunction.h"
#include "packages/StandardFunctions.h"

namespace fxe::fuzz {
namespace {

// while as the standard package has it ("(while <condition> [do] <action>*)"),
// except that it fails after MaxLoopRounds rounds instead of looping for as
// long as the program says.
TRef<TIEValue> BoundedWhile(TArguments& arguments) {
  const std::int32_t body = arguments.Count() > 1 && detail::IsKeyword(arguments.Raw(1).Get(), "do") ? 2 : 1;
  TRef<TIEValue> condition = arguments.Value(0);
  for (std::int32_t round = 0; IsTrue(condition.Get()); ++round) {
    if (round == MaxLoopRounds) throw EIEException("fuzz engine: while loop stopped after its round limit");
    TRef<TIEValue> last = detail::EvaluateSequence(arguments, body, arguments.Count(), nullptr);
    if (arguments.Context() && arguments.Context()->ReturnFlag()) return last;
    condition = arguments.Value(0);
  }
  return condition;
}

constexpr TFunctionRow kBoundedWhileRow{"while", " <expression> [do] <action>*", "", 1, UnlimitedArguments,
                                        BoundedWhile};

}  // namespace

TFuzzEngine::TFuzzEngine() : engine_(std::make_unique<TInferenceEngine>()) {
  TInferenceEngine& engine = *engine_;
  for (std::string_view name : FileFunctions) {
    if (TRef<IUserFunction> function = engine.FindFunction(name)) function->RemoveReasoner(engine);
  }
  MakeRef<TTableFunction>(kBoundedWhileRow)->AddReasoner(engine);
  engine.SetOnRuleFired([this](TInferenceEngine& sender, TRule&) {
    if (++firings_ >= MaxFirings) sender.Halt();
  });
  engine.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) {
    if (output_.size() < MaxOutput) output_.append(text.substr(0, MaxOutput - output_.size()));
  });
}

void Fail(std::string_view what, std::string_view detail) {
  std::fprintf(stderr, "\n==== fuzz check failed: %.*s\n%.*s\n====\n", static_cast<int>(what.size()), what.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace fxe::fuzz
