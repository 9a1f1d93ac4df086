// The functions on the knowledge base as a whole: guarded evaluation,
// parsing at run time, the constraint-checking and global switches, the gensym
// counter, and pretty-printing and removal of constructs by name.
#include <string>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "model/ConstructText.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IESlotTest.h"
#include "packages/MiscFunctions.h"
#include "rete/IERule.h"

namespace fxe::misc {

namespace {

[[noreturn]] void RaiseUnknown(std::string_view kind, std::string_view name) {
  Raise<EIEException>(IEConsts::SUnknownConstructName, kind, name);
}

// Writes a construct's text to the standard output, ending with one line end.
TRef<TIEValue> WriteConstruct(IInferenceEngine& engine, std::string text) {
  if (!text.ends_with(detail::kLineEnd)) text += detail::kLineEnd;
  engine.Output("t", text);
  return SharedValues().True;
}

TFactSet* FindFactSet(const IInferenceEngine& engine, std::string_view name) {
  for (TFactSet* set : engine.FactSetList()) {
    if (set->FactSetName() == name) return set;
  }
  return nullptr;
}

TRef<TIEValue> GetChecking(TArguments& arguments, TTypeCheck check) {
  return Truth(arguments.Engine().TypeChecks().Contains(check));
}

// The former state; the check is on exactly when the argument is TRUE.
TRef<TIEValue> SetChecking(TArguments& arguments, TTypeCheck check) {
  IInferenceEngine& engine = arguments.Engine();
  TTypeChecks checks = engine.TypeChecks();
  const bool former = checks.Contains(check);
  if (arguments.Value(0)->Equals(SharedValues().True.Get())) {
    checks.Include(check);
  } else {
    checks.Exclude(check);
  }
  engine.SetTypeChecks(checks);
  return Truth(former);
}

}  // namespace

TRef<TIEValue> Guard(TArguments& arguments) {
  IInferenceEngine* engine = arguments.EngineOrNull();
  TActivation* firing = engine ? engine->CurrentActivation() : nullptr;
  // A rule removed meanwhile stays alive until its firing ends.
  TRule* rule = firing ? &firing->Rule() : nullptr;
  const bool former = rule && rule->Guarded();
  if (rule) rule->SetGuarded(true);
  auto restore = ScopeExit([&] {
    if (rule) rule->SetGuarded(former);
  });
  TRef<TIEValue> result;
  TIEContext* context = arguments.Context();
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    result = arguments.Value(i);
    if (context && context->ReturnFlag()) return context->ReturnValueRef();
  }
  return result;
}

TRef<TIEValue> Parse(TArguments& arguments) {
  arguments.Engine().Parse(arguments.Text(0), true);
  return SharedValues().True;
}

TRef<TIEValue> GetDynamicChecking(TArguments& arguments) { return GetChecking(arguments, tcDynamic); }
TRef<TIEValue> GetStaticChecking(TArguments& arguments) { return GetChecking(arguments, tcStatic); }
TRef<TIEValue> SetDynamicChecking(TArguments& arguments) { return SetChecking(arguments, tcDynamic); }
TRef<TIEValue> SetStaticChecking(TArguments& arguments) { return SetChecking(arguments, tcStatic); }

TRef<TIEValue> SetResetGlobals(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  if (arguments.Count() > 0) engine.SetResetGlobals(IsTrue(arguments.Value(0).Get()));
  return Truth(engine.ResetGlobals());
}

// The engine never lowers the index; the result is the index in force.
TRef<TIEValue> SetGen(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  engine.SetSymbolIndex(arguments.Integer(0));
  return NewInteger(engine.SymbolIndex());
}

// --- Pretty-printing ---------------------------------------------------------------------------

TRef<TIEValue> PPDefFacts(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TFactSet* set = FindFactSet(engine, name);
  if (!set) RaiseUnknown(IEConsts::SKindFactSet, name);
  return WriteConstruct(engine, set->AsString());
}

// A deffunction prints as its text; any other function as its name with the
// usage text, and its help text on the next line.
TRef<TIEValue> PPDefFunction(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IUserFunction> function = engine.FindFunction(name);
  if (!function) RaiseUnknown(IEConsts::SKindUserFunction, name);
  if (dynamic_cast<const TInterpretedFunction*>(function.Get())) {
    return WriteConstruct(engine, engine.FormatFunction(*function));
  }
  std::string text = function->FunctionName();
  text += function->ArgumentString();
  text += detail::kLineEnd;
  text += function->Comment();
  return WriteConstruct(engine, std::move(text));
}

TRef<TIEValue> PPDefTemplate(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IFactTemplate> factTemplate = engine.FindFactTemplate(name);
  if (!factTemplate) RaiseUnknown(IEConsts::SKindFactTemplate, name);
  return WriteConstruct(engine, factTemplate->AsString());
}

TRef<TIEValue> PPDefRule(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRule* rule = engine.FindRule(name);
  if (!rule) RaiseUnknown(IEConsts::SKindRule, name);
  return WriteConstruct(engine, rule->AsString());
}

TRef<TIEValue> PPDefType(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IIEDefinedType> type = engine.FindDefinedType(name);
  if (!type) RaiseUnknown(IEConsts::SKindDefinedType, name);
  return WriteConstruct(engine, type->AsString());
}

// --- Removal -----------------------------------------------------------------------------------
// Each returns TRUE; a name that names nothing raises "Unknown %s name: %s".

TRef<TIEValue> UndefFacts(TArguments& arguments) {
  const std::string name = arguments.Text(0);
  if (!arguments.Engine().DeleteFactSet(name)) RaiseUnknown(IEConsts::SKindFactSet, name);
  return SharedValues().True;
}

TRef<TIEValue> UndefFunction(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IUserFunction> function = engine.FindFunction(name);
  if (!function) RaiseUnknown(IEConsts::SKindUserFunction, name);
  engine.RemoveFunction(*function);
  return SharedValues().True;
}

TRef<TIEValue> UndefRule(TArguments& arguments) {
  const std::string name = arguments.Text(0);
  if (!arguments.Engine().DeleteRule(name)) RaiseUnknown(IEConsts::SKindRule, name);
  return SharedValues().True;
}

// The engine's initial-fact and negation templates are part of its working
// and cannot be removed.
TRef<TIEValue> UndefTemplate(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IFactTemplate> factTemplate = engine.FindFactTemplate(name);
  if (!factTemplate) RaiseUnknown(IEConsts::SKindFactTemplate, name);
  const TIEPattern* initial = engine.InitialPattern();
  const IFact* negation = engine.NegationFact();
  if ((initial && initial->FactTemplate() == factTemplate.Get()) ||
      (negation && negation->Template() == factTemplate.Get()))
    Raise<EIEException>(IEConsts::SEngineTemplate, name);
  engine.RemoveFactTemplate(*factTemplate);
  return SharedValues().True;
}

TRef<TIEValue> UndefType(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = arguments.Text(0);
  const TRef<IIEDefinedType> type = engine.FindDefinedType(name);
  if (!type) RaiseUnknown(IEConsts::SKindDefinedType, name);
  engine.RemoveDefinedType(*type);
  return SharedValues().True;
}

}  // namespace fxe::misc
