// Function calls: a deffunction of three parameters that adds them through a
// host "+" function, a direct call of the host function, a fresh child
// context binding a few variables (the work of every rule firing), and a
// variable lookup through nested contexts.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "model/IEContext.h"
#include "model/IEPackages.h"

namespace fxe {
namespace {

// Sums its evaluated arguments as integers.
class TPlusFunction final : public TIEUserFunction {
 public:
  TPlusFunction() : TIEUserFunction("+", "Sums its arguments", " <numeric-expression>+", 1) {}

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override {
    std::int32_t sum = 0;
    for (const auto& argument : call.Arguments()) sum += argument->Evaluate(context)->AsInteger();
    return NewInteger(sum);
  }
};

// A call resolved already (no engine is needed to look the name up).
TRef<TFunctionCall> ResolvedCall(const TRef<IUserFunction>& function, std::initializer_list<TRef<TIEValue>> arguments) {
  auto call = MakeRef<TFunctionCall>(nullptr, function->FunctionName());
  call->SetFunction(function);
  for (const auto& argument : arguments) call->AddArgument(argument);
  return call;
}

// (deffunction add3 (?a ?b ?c) (+ ?a ?b ?c)) called as (add3 1 2 3).
void BM_DeffunctionAdd3(benchmark::State& state) {
  TRef<IUserFunction> plus = MakeRef<TPlusFunction>();
  auto add3 = MakeRef<TInterpretedFunction>("add3");
  for (const char* name : {"a", "b", "c"}) add3->AddParameter(name, dtVariable);
  add3->AddAction(
      MakeRef<TIEValue>(TRef<IFunCall>(ResolvedCall(plus, {NewVariable("a"), NewVariable("b"), NewVariable("c")}))));
  auto call = ResolvedCall(add3, {NewInteger(1), NewInteger(2), NewInteger(3)});
  TIEContext root;
  for (auto _ : state) {
    TRef<TIEValue> result = call->Evaluate(&root);
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeffunctionAdd3);

// (+ 1 2 3) with constant arguments.
void BM_HostCall(benchmark::State& state) {
  TRef<IUserFunction> plus = MakeRef<TPlusFunction>();
  auto call = ResolvedCall(plus, {NewInteger(1), NewInteger(2), NewInteger(3)});
  TIEContext root;
  for (auto _ : state) {
    TRef<TIEValue> result = call->Evaluate(&root);
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HostCall);

// A child context binding n variables, then freed.
void BM_ChildContextBindings(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  const char* names[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
  TIEContext root;
  auto value = NewInteger(1);
  for (auto _ : state) {
    auto child = root.CreateChild();
    for (int i = 0; i < n; ++i) child->AddLocal(names[i], value);
    benchmark::DoNotOptimize(child->FindVariableValue("a"));
    child->ClearBindings();
    child->LeaveChild();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChildContextBindings)->Arg(0)->Arg(3)->Arg(8);

// A global found from a context four levels below the root.
void BM_LookupThroughNesting(benchmark::State& state) {
  TIEContext root;
  root.SetGlobal("*limit*", NewInteger(5));
  auto c1 = root.CreateChild();
  c1->AddLocal("x", NewInteger(1));
  auto c2 = c1->CreateChild();
  auto c3 = c2->CreateChild();
  c3->AddLocal("y", NewInteger(2));
  auto c4 = c3->CreateChild();
  for (auto _ : state) benchmark::DoNotOptimize(c4->FindVariableValue("*limit*"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupThroughNesting);

}  // namespace
}  // namespace fxe
