// The frame of the built-in packages: a function defined by one row of its
// package's table (name, usage text, help text, arity and body), the view of
// a call's arguments a body works with, and the package that creates one
// function per row.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/IEPackages.h"
#include "rete/IInferenceEngine.h"
#include "values/IEValue.h"

namespace fxe {

class TArguments;

// A function body: it gets the call's arguments unevaluated and evaluates
// what it needs; nullptr stands for nil.
using TFunctionBody = TRef<TIEValue> (*)(TArguments& arguments);

// One function of a package. Usage texts begin with a blank (" <expression>*").
struct TFunctionRow {
  std::string_view name;
  std::string_view usage;
  std::string_view comment;
  std::int32_t minArguments = 0;
  std::int32_t maxArguments = UnlimitedArguments;
  TFunctionBody body = nullptr;
};

// The arguments of one call as a function body sees them.
class TArguments {
 public:
  TArguments(IFunCall& call, TIEContext* context, std::string_view functionName) noexcept
      : call_(call), context_(context), functionName_(functionName) {}

  std::int32_t Count() const noexcept { return call_.ArgumentCount(); }
  // The argument as written (a constant, a variable or a call).
  const TRef<TIEValue>& Raw(std::int32_t index) const { return call_.Argument(index); }
  // The argument evaluated in the call's context; nil for an absent value.
  TRef<TIEValue> Value(std::int32_t index) const;
  // The argument evaluated for a body that is done with it before it
  // evaluates anything else (a later argument may rebind a variable): see
  // TIEValue::EvaluateLent; nil for an absent value.
  const TIEValue& Lend(std::int32_t index, TRef<TIEValue>& holder) const;
  // Evaluated and converted; the value layer raises its conversion error.
  std::int32_t Integer(std::int32_t index) const {
    TRef<TIEValue> holder;
    return Lend(index, holder).AsInteger();
  }
  double Float(std::int32_t index) const {
    TRef<TIEValue> holder;
    return Lend(index, holder).AsFloat();
  }
  // The evaluated value's plain text (strings without quotes).
  std::string Text(std::int32_t index) const {
    TRef<TIEValue> holder;
    return Lend(index, holder).AsString();
  }
  TRef<TValueVector> List(std::int32_t index) const { return Value(index)->AsList(); }

  IFunCall& Call() const noexcept { return call_; }
  TIEContext* Context() const noexcept { return context_; }
  std::string_view FunctionName() const noexcept { return functionName_; }
  // The engine the call runs in; raises "Function is unimplemented or
  // unassigned: %s" with the function name when there is none.
  IInferenceEngine& Engine() const;
  IInferenceEngine* EngineOrNull() const noexcept { return InferenceEngineOf(context_); }

 private:
  IFunCall& call_;
  TIEContext* context_;
  std::string_view functionName_;
};

// The shared truth values and their conversions.
inline const TRef<TIEValue>& Truth(bool value) { return value ? SharedValues().True : SharedValues().False; }
// Anything but the symbol FALSE counts as true.
bool IsTrue(const TIEValue* value) noexcept;

// A function made from a table row.
class TTableFunction final : public TIEUserFunction {
 public:
  explicit TTableFunction(const TFunctionRow& row);

  std::string ClassName() const override { return "TTableFunction"; }

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override;

 private:
  TFunctionBody body_;
};

// A package whose functions are the rows of a table, created in table order.
class TTablePackage : public TUserPackage {
 public:
  TTablePackage(std::string_view className, std::span<const TFunctionRow> rows) noexcept
      : className_(className), rows_(rows) {}

  std::string ClassName() const override { return std::string(className_); }
  std::span<const TFunctionRow> Rows() const noexcept { return rows_; }
  void CreateFunctions() override;

 private:
  std::string_view className_;
  std::span<const TFunctionRow> rows_;
};

}  // namespace fxe
