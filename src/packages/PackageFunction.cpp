// Table-made functions and packages.
#include "packages/PackageFunction.h"

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

TRef<TIEValue> TArguments::Value(std::int32_t index) const {
  const TRef<TIEValue>& argument = call_.Argument(index);
  if (!argument) return SharedValues().Nil;
  return OrNil(argument->Evaluate(context_));
}

const TIEValue& TArguments::Lend(std::int32_t index, TRef<TIEValue>& holder) const {
  const TRef<TIEValue>& argument = call_.Argument(index);
  if (!argument) return *SharedValues().Nil;
  return argument->EvaluateLent(context_, holder);
}

IInferenceEngine& TArguments::Engine() const {
  IInferenceEngine* engine = InferenceEngineOf(context_);
  if (!engine) Raise<EIEException>(IEConsts::SFunctionUnimplemented, functionName_);
  return *engine;
}

bool IsTrue(const TIEValue* value) noexcept { return !value || !value->Equals(SharedValues().False.Get()); }

TTableFunction::TTableFunction(const TFunctionRow& row)
    : TIEUserFunction(row.name, row.comment, row.usage, row.minArguments, row.maxArguments), body_(row.body) {}

TRef<TIEValue> TTableFunction::Execute(IFunCall& call, TIEContext* context) {
  TArguments arguments(call, context, FunctionName());
  return OrNil(body_(arguments));
}

void TTablePackage::CreateFunctions() {
  for (const TFunctionRow& row : rows_) AddFunction(MakeRef<TTableFunction>(row));
  TUserPackage::CreateFunctions();
}

}  // namespace fxe
