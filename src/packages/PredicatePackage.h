// The predicate package: parity tests, the kind of a value by name, and the
// type predicates (lexemep, numberp, ...), each a test of the evaluated
// argument's kind against a set of kinds.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

// One type predicate: TRUE when the evaluated argument's kind is in
// ValueTypes. Setting the name (or the set) rebuilds the help text from the
// set and the usage text.
class TVerifyTypePFunction final : public TIEUserFunction {
 public:
  TVerifyTypePFunction(std::string_view name, TIETypes valueTypes);

  std::string ClassName() const override { return "TVerifyTypePFunction"; }
  void SetFunctionName(std::string_view name) override;
  TIETypes ValueTypes() const noexcept { return valueTypes_; }
  void SetValueTypes(TIETypes types);

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override;

 private:
  void RebuildTexts();

  TIETypes valueTypes_;
};

class TPredicatePackage final : public TTablePackage {
 public:
  TPredicatePackage() noexcept;
  // The table's functions, then one type predicate per kind set.
  void CreateFunctions() override;
};

}  // namespace fxe
