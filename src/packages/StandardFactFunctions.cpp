// The standard functions that change the fact base and drive the engine:
// assert, retract, modify and their kin, the engine's settings and cycle,
// the watches and the store of named values.
#include <cstdint>
#include <utility>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "packages/StandardFunctions.h"

namespace fxe::detail {

namespace {

// The fact a fact-id (or a fact value) argument names.
TRef<IFact> IndexedFact(TArguments& arguments, std::int32_t index) {
  const TRef<TIEValue> value = arguments.Value(index);
  if (IFact* fact = value->FactPtr()) return TRef<IFact>(fact);
  const std::int32_t id = value->AsFactId();
  TRef<IFact> fact = arguments.Engine().FindFact(id);
  if (!fact) Raise<EIEException>(IEConsts::SNoSuchFact, id);
  return fact;
}

TConstructWatches WatchItems(std::string_view item) {
  if (item == "all") return {cwActivation, cwFact, cwRule, cwCompilation, cwStatistics};
  if (item == "rules") return {cwRule};
  if (item == "facts") return {cwFact};
  if (item == "activations") return {cwActivation};
  if (item == "compilations") return {cwCompilation};
  if (item == "statistics") return {cwStatistics};
  Raise<EIEException>(IEConsts::SInvalidWatchItem, item);
}

}  // namespace

TRef<TIEValue> Assert(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  std::int32_t index = -1;
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    const TRef<IFact> fact = arguments.Value(i)->AsFact();
    // The call's own fact stays as written, with its variables and calls, for
    // the next evaluation: a resolved copy is asserted.
    TRef<IFact> copy = fact->Clone();
    copy->SetID(-1);
    engine.ResolveFact(*copy, arguments.Context());
    index = engine.AssertOwn(std::move(copy));
  }
  return FactIdOrFalse(index);
}

TRef<TIEValue> AssertString(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  std::int32_t index = -1;
  for (std::int32_t i = 0; i < arguments.Count(); ++i) index = engine.AssertString(arguments.Text(i));
  return FactIdOrFalse(index);
}

TRef<TIEValue> Retract(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    const TRef<TIEValue> value = arguments.Value(i);
    if (i == 0 && value->DType() == dtAtom && value->Text() == "*") {
      engine.ClearFacts();
      break;
    }
    if (TRef<IFact> fact = engine.FindFact(value->AsInteger())) engine.RetractFact(*fact);
  }
  return SharedValues().True;
}

TRef<TIEValue> RetractString(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  bool allFound = true;
  for (std::int32_t i = 0; i < arguments.Count(); ++i)
    allFound = engine.RetractString(arguments.Text(i)) >= 0 && allFound;
  return Truth(allFound);
}

TRef<TIEValue> Modify(TArguments& arguments) {
  const auto all = arguments.Call().Arguments();
  return ModifyFact(arguments.Engine(), arguments.Context(), *all[0], all.subspan(1));
}

TRef<TIEValue> Duplicate(TArguments& arguments) {
  const auto all = arguments.Call().Arguments();
  return DuplicateFact(arguments.Engine(), arguments.Context(), *all[0], all.subspan(1));
}

TRef<TIEValue> GetSlotValue(TArguments& arguments) {
  const TRef<IFact> fact = IndexedFact(arguments, 0);
  if (arguments.Count() > 1) return fact->GetSlotValue(arguments.Text(1));
  if (fact->SlotCount() == 0) Raise<EIEException>(IEConsts::SNoSuchFactSlot, fact->AsString());
  return TRef<TIEValue>(&fact->SlotValueAt(0));
}

TRef<TIEValue> DoBackwardChaining(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    const std::string name = arguments.Text(i);
    const TRef<IFactTemplate> factTemplate = engine.FindFactTemplate(name);
    if (!factTemplate) Raise<EIEException>(IEConsts::SUnknownFactTemplate, name);
    factTemplate->SetBackwardChaining(true);
  }
  return SharedValues().True;
}

TRef<TIEValue> GetFactDuplication(TArguments& arguments) { return Truth(arguments.Engine().FactDuplication()); }

TRef<TIEValue> SetFactDuplication(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const bool previous = engine.FactDuplication();
  engine.SetFactDuplication(IsTrue(arguments.Value(0).Get()));
  return Truth(previous);
}

TRef<TIEValue> Gensym(TArguments& arguments) { return NewAtom(arguments.Engine().Gensym("gen")); }

TRef<TIEValue> Halt(TArguments& arguments) {
  arguments.Engine().Halt();
  return SharedValues().True;
}

TRef<TIEValue> Clear(TArguments& arguments) {
  arguments.Engine().Clear();
  return SharedValues().True;
}

TRef<TIEValue> Exit(TArguments&) { throw EExit(); }

TRef<TIEValue> Run(TArguments& arguments) {
  const std::int32_t limit = arguments.Count() > 0 ? arguments.Integer(0) : RunWithoutLimit;
  return NewInteger(arguments.Engine().Run(limit));
}

TRef<TIEValue> Reset(TArguments& arguments) {
  arguments.Engine().Reset();
  return SharedValues().True;
}

TRef<TIEValue> Version(TArguments& arguments) { return NewFloat(static_cast<double>(arguments.Engine().Version())); }

TRef<TIEValue> Watch(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  engine.SetWatch(engine.Watch() | WatchItems(arguments.Text(0)));
  return SharedValues().True;
}

TRef<TIEValue> Unwatch(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  engine.SetWatch(engine.Watch() - WatchItems(arguments.Text(0)));
  return SharedValues().True;
}

TRef<TIEValue> Store(TArguments& arguments) {
  const std::string name = arguments.Text(0);
  TRef<TIEValue> value = arguments.Value(1);
  // nil is stored as an empty entry, so fetch gives nil back for it.
  arguments.Engine().EngineVariableTable().Put(name, value.Get() == SharedValues().Nil.Get() ? nullptr : value);
  return value;
}

TRef<TIEValue> Fetch(TArguments& arguments) {
  const TRef<TIEValue>* stored = arguments.Engine().EngineVariableTable().Find(arguments.Text(0));
  return stored && *stored ? *stored : SharedValues().Nil;
}

TRef<TIEValue> ClearStorage(TArguments& arguments) {
  arguments.Engine().EngineVariableTable().Clear();
  return SharedValues().True;
}

}  // namespace fxe::detail
