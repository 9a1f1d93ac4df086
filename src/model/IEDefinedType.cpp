// Defined types: validation, defaults, equality, copying and the deftype text.
#include "model/IEDefinedType.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "base/WordText.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/ConstructText.h"
#include "model/IReasoner.h"

namespace fxe {

using detail::AppendQuoted;
using detail::kIndent;
using detail::kLineEnd;
using detail::PrintedTypeSet;
using detail::UpperTypeSetText;

namespace {

constexpr std::string_view kConstraintNames[] = {"Atom", "String", "Integer", "Float"};
// Kinds a fuzzy type accepts besides its own fuzzy values: texts, numbers and
// point lists that the fuzzy layer turns into fuzzy values later.
constexpr TIETypes kFuzzyConvertibleTypes{dtAtom,  dtString,  dtInteger,    dtVariable,
                                          dtFloat, dtFunCall, dtSingletons, dtMultiVariable};
constexpr TIETypes kLexicalTypes{dtAtom, dtString, dtInteger, dtFloat};
// A default multifield is built element by element; beyond this many
// elements a minimum cardinality is a mistake, not a request.
constexpr std::int32_t kMaxDefaultElements = 1 << 20;

bool ContainsIgnoringCase(const std::vector<std::string>& list, std::string_view text) noexcept {
  return std::any_of(list.begin(), list.end(),
                     [text](const std::string& item) { return detail::EqualsIgnoreCase(item, text); });
}

// A float that equals its own integer conversion, as that integer.
bool IntegralFloat(double x, std::int32_t& result) noexcept {
  if (!(x >= -2147483648.0 && x <= 2147483647.0) || std::trunc(x) != x) return false;
  result = static_cast<std::int32_t>(x);
  return true;
}

// Truncates toward zero into 32 bits, saturating at the ends.
std::int32_t SaturatingTrunc(double x) noexcept {
  if (std::isnan(x)) return 0;
  if (x <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  if (x >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(x);
}

// A range bound as the deftype text shows it: truncated toward zero, or
// ?VARIABLE for the value that means "no bound".
std::string RangeBoundText(double bound, double unbounded) {
  if (bound == unbounded) return "?VARIABLE";
  const double t = std::trunc(bound);
  if (t > -9.0e18 && t < 9.0e18) return std::to_string(static_cast<long long>(t));
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", t);
  return buffer;
}

std::string RangeClauseOf(const IIEDefinedType& type) {
  if (!type.RangeLimited()) return {};
  std::string out(kIndent);
  out += "(range ";
  out += RangeBoundText(type.MinRange(), UnboundedMinRange);
  out += ' ';
  out += RangeBoundText(type.MaxRange(), UnboundedMaxRange);
  out += ") ";
  out += kLineEnd;
  return out;
}

std::string UnitsClauseOf(const IIEDefinedType& type) {
  if (type.Units().empty()) return {};
  std::string out(kIndent);
  out += "(units ";
  if (type.Units().find(' ') != std::string::npos) {
    out += '"';
    out += type.Units();
    out += '"';
  } else {
    out += type.Units();
  }
  out += ')';
  out += kLineEnd;
  return out;
}

std::string CardinalityClauseOf(const IIEDefinedType& type) {
  if (!type.CardinalityLimited()) return {};
  std::string out(kIndent);
  out += "(cardinality ";
  out += type.MinCardinality() < 0 ? std::string("?VARIABLE") : std::to_string(type.MinCardinality());
  out += ' ';
  out += type.MaxCardinality() == UnboundedMaxCardinality ? std::string("?VARIABLE")
                                                          : std::to_string(type.MaxCardinality());
  out += ") ";
  out += kLineEnd;
  return out;
}

// Walks the ancestor chain from start; true when it reaches target or runs in
// a circle (which a chain built through SetAncestor never does).
bool ChainReaches(const IIEDefinedType* start, const IIEDefinedType* target) noexcept {
  const IIEDefinedType* slow = start;
  const IIEDefinedType* fast = start;
  while (fast) {
    if (fast == target) return true;
    fast = fast->Ancestor();
    if (!fast) break;
    if (fast == target) return true;
    fast = fast->Ancestor();
    slow = slow->Ancestor();
    if (fast && fast == slow) return true;
  }
  return false;
}

// The body of a fuzzy type: universe, units and the terms of its variable.
// Sets filed without being terms (the empty set "__Empty") are not part of
// the definition and would not read back.
std::string FuzzyVariableText(const IFuzzyVariable& variable) {
  std::string out(kIndent);
  out += "(range ";
  out += FormatFloat(variable.Minimum());
  out += ' ';
  out += FormatFloat(variable.Maximum());
  out += ')';
  out += kLineEnd;
  if (!variable.Units().empty()) {
    out += kIndent;
    out += "(units ";
    if (variable.Units().find(' ') != std::string::npos)
      AppendQuoted(out, variable.Units());
    else
      out += variable.Units();
    out += ')';
    out += kLineEnd;
  }
  std::string terms;
  for (const auto& entry : variable.Items()) {
    if (!entry.Value()->IsTerm()) continue;
    terms += kIndent;
    terms += kIndent;
    terms += FuzzyTermText(*entry.Value());
    terms += kLineEnd;
  }
  if (!terms.empty()) {
    out += kIndent;
    out += "(values";
    out += kLineEnd;
    out += terms;
    out += kIndent;
    out += ')';
    out += kLineEnd;
  }
  return out;
}

TRef<IFuzzyVariable> CloneVariable(const IFuzzyVariable& source) {
  auto copy = MakeRef<TIEFuzzyVariable>(source.Name());
  copy->Assign(source);
  return copy;
}

}  // namespace

// --- Construction, notification --------------------------------------------------

TIEDefinedType::TIEDefinedType(IReasoner* owner) : owner_(owner) {}

TIEDefinedType::~TIEDefinedType() { onChange_ = nullptr; }

void TIEDefinedType::Changed() {
  if (onChange_) onChange_(*this);
}

void TIEDefinedType::SetUpdating(bool updating) {
  if (!updating) Changed();
}

void TIEDefinedType::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdating(true);
}

void TIEDefinedType::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdating(false);
}

// --- Plain properties ----------------------------------------------------------------

void TIEDefinedType::SetName(std::string_view name) {
  if (name == name_) return;
  name_.assign(name);
  Changed();
}

void TIEDefinedType::SetComment(std::string_view comment) {
  if (comment == comment_) return;
  comment_.assign(comment);
  Changed();
}

void TIEDefinedType::SetUnits(std::string_view units) {
  if (units == units_) return;
  units_.assign(units);
  if (fuzzyVariable_) fuzzyVariable_->SetUnits(units_);
  Changed();
}

void TIEDefinedType::SetAncestor(TRef<IIEDefinedType> ancestor) {
  if (ancestor.Get() == ancestor_.Get()) return;
  if (ChainReaches(ancestor.Get(), this)) Raise<EIEException>(IEConsts::STypeInheritanceLoop, name_);
  ancestor_ = std::move(ancestor);
  if (ancestor_) implicit_ = false;
  Changed();
}

void TIEDefinedType::SetRangeLimited(bool limited) {
  if (limited == rangeLimited_) return;
  rangeLimited_ = limited;
  Changed();
}

void TIEDefinedType::SetMinRange(double bound) {
  if (!std::isfinite(bound)) Raise<EIEException>(IEConsts::SInvalidRangeBound, FormatFloat(bound));
  if (bound == minRange_) return;
  minRange_ = bound;
  if (minRange_ > maxRange_) maxRange_ = bound;
  if (fuzzyVariable_) fuzzyVariable_->SetMinimum(bound);
  Changed();
}

void TIEDefinedType::SetMaxRange(double bound) {
  if (!std::isfinite(bound)) Raise<EIEException>(IEConsts::SInvalidRangeBound, FormatFloat(bound));
  if (bound == maxRange_) return;
  maxRange_ = bound;
  if (maxRange_ < minRange_) minRange_ = bound;
  if (fuzzyVariable_) fuzzyVariable_->SetMaximum(bound);
  Changed();
}

void TIEDefinedType::SetCardinalityLimited(bool limited) {
  if (limited == cardinalityLimited_) return;
  cardinalityLimited_ = limited;
  Changed();
}

void TIEDefinedType::SetMinCardinality(std::int32_t count) {
  count = std::max(count, 0);
  if (count == minCardinality_) return;
  minCardinality_ = count;
  if (minCardinality_ > maxCardinality_) maxCardinality_ = count;
  Changed();
}

void TIEDefinedType::SetMaxCardinality(std::int32_t count) {
  count = std::max(count, 0);
  if (count == maxCardinality_) return;
  maxCardinality_ = count;
  if (maxCardinality_ < minCardinality_) minCardinality_ = count;
  Changed();
}

// --- Kinds and the fuzzy variable -----------------------------------------------------

void TIEDefinedType::SetBaseTypes(TIETypes types) {
  const TIETypes stored = types & StorableBaseTypes;
  if (stored.Contains(dtFuzzy) && stored != TIETypes{dtFuzzy}) Raise<EIEException>(IEConsts::SCannotMixFuzzy);
  if (stored == baseTypes_) return;
  baseTypes_ = stored;
  if (IsFuzzyType()) {
    if (!fuzzyVariable_) {
      auto variable = MakeRef<TIEFuzzyVariable>(name_);
      if (rangeLimited_) {
        variable->SetMinimum(minRange_);
        variable->SetMaximum(maxRange_);
      }
      variable->SetUnits(units_);
      SetFuzzyVariable(std::move(variable));
    }
  } else if (fuzzyVariable_) {
    fuzzyVariable_->SetParser(nullptr);
    fuzzyVariable_ = nullptr;
  }
  Changed();
}

void TIEDefinedType::SetFuzzyVariable(TRef<IFuzzyVariable> variable) {
  if (variable.Get() == fuzzyVariable_.Get()) return;
  if (!variable && fuzzyVariable_) fuzzyVariable_->SetParser(nullptr);
  fuzzyVariable_ = std::move(variable);
  if (fuzzyVariable_) {
    if (IFuzzyParser* parser = owner_ ? owner_->FuzzyParser() : nullptr) fuzzyVariable_->SetParser(parser);
    baseTypes_ = TIETypes{dtFuzzy};
    minRange_ = fuzzyVariable_->Minimum();
    maxRange_ = fuzzyVariable_->Maximum();
    units_ = fuzzyVariable_->Units();
  }
  Changed();
}

void TIEDefinedType::SetOwner(IReasoner* owner) {
  if (owner == owner_) return;
  owner_ = owner;
  if (fuzzyVariable_) fuzzyVariable_->SetParser(owner_ ? owner_->FuzzyParser() : nullptr);
  Changed();
}

// --- Allowed values -------------------------------------------------------------------

void TIEDefinedType::CheckConstraint(TValueConstraint kind) const {
  if (!constraints_.Contains(kind)) Raise<EIEException>(IEConsts::SNoConstraints, name_, kConstraintNames[kind]);
}

const std::string& TIEDefinedType::AllowedAtom(std::int32_t index) const {
  CheckConstraint(vcAtom);
  CheckIndex<EIEException>(index, AllowedAtomCount());
  return allowedAtoms_[static_cast<std::size_t>(index)];
}

const std::string& TIEDefinedType::AllowedString(std::int32_t index) const {
  CheckConstraint(vcString);
  CheckIndex<EIEException>(index, AllowedStringCount());
  return allowedStrings_[static_cast<std::size_t>(index)];
}

std::int32_t TIEDefinedType::AllowedInteger(std::int32_t index) const {
  CheckConstraint(vcInteger);
  CheckIndex<EIEException>(index, AllowedIntegerCount());
  return allowedIntegers_[static_cast<std::size_t>(index)];
}

double TIEDefinedType::AllowedFloat(std::int32_t index) const {
  CheckConstraint(vcFloat);
  CheckIndex<EIEException>(index, AllowedFloatCount());
  return allowedFloats_[static_cast<std::size_t>(index)];
}

void TIEDefinedType::DropList(TValueConstraint kind) noexcept {
  switch (kind) {
    case vcAtom:
      allowedAtoms_ = {};
      break;
    case vcString:
      allowedStrings_ = {};
      break;
    case vcInteger:
      allowedIntegers_ = {};
      break;
    case vcFloat:
      allowedFloats_ = {};
      break;
  }
}

void TIEDefinedType::SetConstraints(TValueConstraints constraints) {
  if (constraints == constraints_) return;
  for (TValueConstraint kind : {vcAtom, vcString, vcInteger, vcFloat}) {
    if (!constraints.Contains(kind)) DropList(kind);
  }
  constraints_ = constraints;
  Changed();
}

void TIEDefinedType::RemoveConstraints(TValueConstraints kinds) {
  if (constraints_.Empty()) return;
  SetConstraints(constraints_ - kinds);
}

void TIEDefinedType::ClearConstraints() { RemoveConstraints(TValueConstraints{vcAtom, vcString, vcInteger, vcFloat}); }

TValueConstraint TIEDefinedType::ConstraintKindOf(const TIEValue& value) const {
  TValueConstraint kind;
  switch (value.DType()) {
    case dtAtom:
      kind = vcAtom;
      break;
    case dtString:
      kind = vcString;
      break;
    case dtInteger:
      kind = vcInteger;
      break;
    case dtFloat:
      kind = vcFloat;
      break;
    default:
      Raise<EIEException>(IEConsts::SCannotContainConstraint, name_, TypeName(value.DType()).substr(2));
  }
  if (!constraints_.Contains(kind)) {
    std::int32_t integral = 0;
    if (kind == vcInteger && constraints_.Contains(vcFloat)) return vcFloat;
    if (kind == vcFloat && constraints_.Contains(vcInteger) && IntegralFloat(value.RawFloat(), integral))
      return vcInteger;
  }
  return kind;
}

bool TIEDefinedType::InAllowedList(const TIEValue& value, TValueConstraint kind) const {
  switch (kind) {
    case vcAtom:
      return ContainsIgnoringCase(allowedAtoms_, value.Text());
    case vcString:
      return ContainsIgnoringCase(allowedStrings_, value.Text());
    case vcInteger: {
      std::int32_t number = value.RawInteger();
      if (value.DType() == dtFloat && !IntegralFloat(value.RawFloat(), number)) return false;
      return std::find(allowedIntegers_.begin(), allowedIntegers_.end(), number) != allowedIntegers_.end();
    }
    case vcFloat: {
      const double number = value.DType() == dtInteger ? value.RawInteger() : value.RawFloat();
      return std::find(allowedFloats_.begin(), allowedFloats_.end(), number) != allowedFloats_.end();
    }
  }
  return false;
}

void TIEDefinedType::AddAllowedValue(const TIEValue& value) {
  const TValueConstraint kind = ConstraintKindOf(value);
  if (!constraints_.Contains(kind))
    Raise<EIEException>(IEConsts::SCannotContainConstraint, name_, TypeName(value.DType()).substr(2));
  if (InAllowedList(value, kind)) return;
  switch (kind) {
    case vcAtom:
      allowedAtoms_.emplace_back(value.Text());
      break;
    case vcString:
      allowedStrings_.emplace_back(value.Text());
      break;
    case vcInteger:
      allowedIntegers_.push_back(value.DType() == dtFloat ? static_cast<std::int32_t>(value.RawFloat())
                                                          : value.RawInteger());
      break;
    case vcFloat:
      allowedFloats_.push_back(value.DType() == dtInteger ? value.RawInteger() : value.RawFloat());
      break;
  }
  Changed();
}

void TIEDefinedType::RemoveAllowedValue(const TIEValue& value) {
  if (!kLexicalTypes.Contains(value.DType())) return;
  const TValueConstraint kind = ConstraintKindOf(value);
  if (!constraints_.Contains(kind)) return;
  bool removed = false;
  auto eraseText = [&](std::vector<std::string>& list) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const std::string& item) { return detail::EqualsIgnoreCase(item, value.Text()); });
    if (it != list.end()) {
      list.erase(it);
      removed = true;
    }
  };
  switch (kind) {
    case vcAtom:
      eraseText(allowedAtoms_);
      break;
    case vcString:
      eraseText(allowedStrings_);
      break;
    case vcInteger: {
      std::int32_t number = value.RawInteger();
      if (value.DType() == dtFloat && !IntegralFloat(value.RawFloat(), number)) break;
      auto it = std::find(allowedIntegers_.begin(), allowedIntegers_.end(), number);
      if (it != allowedIntegers_.end()) {
        allowedIntegers_.erase(it);
        removed = true;
      }
      break;
    }
    case vcFloat: {
      const double number = value.DType() == dtInteger ? value.RawInteger() : value.RawFloat();
      auto it = std::find(allowedFloats_.begin(), allowedFloats_.end(), number);
      if (it != allowedFloats_.end()) {
        allowedFloats_.erase(it);
        removed = true;
      }
      break;
    }
  }
  if (removed) Changed();
}

void TIEDefinedType::DeleteAllowedValue(std::int32_t index, TValueConstraint kind) {
  CheckConstraint(kind);
  auto erase = [index](auto& list) {
    CheckIndex<EIEException>(index, static_cast<std::int64_t>(list.size()));
    list.erase(list.begin() + index);
  };
  switch (kind) {
    case vcAtom:
      erase(allowedAtoms_);
      break;
    case vcString:
      erase(allowedStrings_);
      break;
    case vcInteger:
      erase(allowedIntegers_);
      break;
    case vcFloat:
      erase(allowedFloats_);
      break;
  }
  Changed();
}

bool TIEDefinedType::IsAllowedValue(const TIEValue& value, TValueConstraint& kind) const {
  if (!kLexicalTypes.Contains(value.DType())) return false;
  kind = ConstraintKindOf(value);
  return constraints_.Contains(kind) && InAllowedList(value, kind);
}

// --- Validation ------------------------------------------------------------------------

bool TIEDefinedType::IsValid(const TIEValue* value) const {
  if (!value) return true;
  const TIEType kind = value->DType();
  if (kind == dtList) {
    const TValueVector* list = value->ListPtr();
    const std::int32_t count = list ? list->Count() : 0;
    if (cardinalityLimited_ && (count < minCardinality_ || count > maxCardinality_)) return false;
    if (list) {
      for (const auto& item : *list) {
        if (!IsValid(item.Get())) return false;
      }
    }
    return true;
  }
  if (IsFuzzyType()) {
    if (kind == dtFuzzy) {
      const IFuzzySet* set = value->FuzzyPtr();
      return fuzzyVariable_ && set && set->Variable() == fuzzyVariable_.Get();
    }
    return kFuzzyConvertibleTypes.Contains(kind);
  }
  if (!(baseTypes_ | AlwaysAcceptedTypes).Contains(kind) && kind != dtNone) return false;
  if (kLexicalTypes.Contains(kind)) {
    const TValueConstraint constraint = ConstraintKindOf(*value);
    if (constraints_.Contains(constraint) && !InAllowedList(*value, constraint)) return false;
  }
  if (rangeLimited_ && (kind == dtInteger || kind == dtFloat)) {
    const double x = kind == dtInteger ? value->RawInteger() : value->RawFloat();
    if (!(minRange_ <= x && x <= maxRange_)) return false;
  }
  return true;
}

std::string TIEDefinedType::Validate(const TIEValue& value) const {
  auto outer = [&value](std::string_view inner) { return Format(IEConsts::SValueNotValid, value.AsText(), inner); };
  const TIEType kind = value.DType();
  if (kind == dtList) {
    const TValueVector* list = value.ListPtr();
    const std::int32_t count = list ? list->Count() : 0;
    if (cardinalityLimited_ && (count < minCardinality_ || count > maxCardinality_))
      return outer(Format(IEConsts::SMultislotCardinality, minCardinality_, maxCardinality_));
    if (list) {
      for (const auto& item : *list) {
        if (!item) continue;
        std::string message = Validate(*item);
        if (!message.empty()) return message;
      }
    }
    return {};
  }
  if (IsFuzzyType()) return IsValid(&value) ? std::string() : outer(IEConsts::SInvalidFuzzyValue);
  if (!(baseTypes_ | AlwaysAcceptedTypes).Contains(kind))
    return outer(Format(IEConsts::SNotAType, UpperTypeSetText(baseTypes_, ", "), value.AsText(), TypeName(kind)));
  if (kLexicalTypes.Contains(kind)) {
    const TValueConstraint constraint = ConstraintKindOf(value);
    if (constraints_.Contains(constraint) && !InAllowedList(value, constraint))
      return outer(IEConsts::SNotInAllowedValues);
  }
  if (rangeLimited_ && (kind == dtInteger || kind == dtFloat)) {
    const double x = kind == dtInteger ? value.RawInteger() : value.RawFloat();
    if (!(minRange_ <= x && x <= maxRange_)) return outer(Format(IEConsts::SRangeBetween, minRange_, maxRange_));
  }
  return {};
}

TRef<TIEValue> TIEDefinedType::CreateDefaultValue(bool multi) const {
  if (multi) {
    auto list = MakeRef<TValueVector>();
    if (cardinalityLimited_ && minCardinality_ > 0) {
      if (minCardinality_ > kMaxDefaultElements) Raise<EIEException>(IEConsts::SCardinalityTooLarge, minCardinality_);
      list->Reserve(static_cast<std::size_t>(minCardinality_));
      for (std::int32_t i = 0; i < minCardinality_; ++i) list->Add(CreateDefaultValue(false));
    }
    return NewList(std::move(list));
  }
  // The number a range-limited numeric type starts from: its lower bound,
  // else its upper bound, else 0.
  auto rangeStart = [this]() -> double {
    if (!rangeLimited_) return 0.0;
    if (minRange_ != UnboundedMinRange) return minRange_;
    if (maxRange_ != UnboundedMaxRange) return maxRange_;
    return 0.0;
  };
  if (baseTypes_.Contains(dtAtom)) return NewAtom(allowedAtoms_.empty() ? std::string_view() : allowedAtoms_.front());
  if (baseTypes_.Contains(dtString))
    return NewString(allowedStrings_.empty() ? std::string_view() : allowedStrings_.front());
  if (baseTypes_.Contains(dtInteger))
    return NewInteger(allowedIntegers_.empty() ? SaturatingTrunc(rangeStart()) : allowedIntegers_.front());
  if (baseTypes_.Contains(dtFloat)) return NewFloat(allowedFloats_.empty() ? rangeStart() : allowedFloats_.front());
  auto value = MakeRef<TIEValue>();
  if (baseTypes_.Contains(dtObject)) {
    value->SetAsObject(nullptr);
  } else if (baseTypes_.Contains(dtExternalAddress)) {
    value->SetAsExternalAddress(0);
  } else if (baseTypes_.Contains(dtFuzzy)) {
    if (!fuzzyVariable_) return SharedValues().Nil;
    // A variable without its empty term gets a set of its own that is not
    // filed as a term: computing a default must leave the type unchanged.
    TRef<IFuzzySet> empty(fuzzyVariable_->FindTerm(FuzzyEmptyTermName));
    if (!empty) {
      empty = fuzzyVariable_->NewFuzzySet();
      empty->SetName(FuzzyEmptyTermName);
    }
    value->SetAsFuzzy(std::move(empty));
  } else if (baseTypes_.Contains(dtFactId)) {
    value->SetAsFactId(0);
  } else if (baseTypes_.Contains(dtFact)) {
    value->SetAsFact(nullptr);
  } else if (baseTypes_.Contains(dtDescriptor)) {
    value->SetAsDescriptor(0);
  } else if (baseTypes_.Contains(dtClass)) {
    value->SetAsClass(nullptr);
  }
  return value;
}

// --- Equality, copies ----------------------------------------------------------------------

bool TIEDefinedType::Equals(const IIEDefinedType* other) const {
  if (!other) return false;
  if (other == this) return true;
  if (name_ != other->Name() || baseTypes_ != other->BaseTypes()) return false;
  const IFuzzyVariable* otherVariable = other->FuzzyVariable();
  if (fuzzyVariable_ || otherVariable) {
    return fuzzyVariable_ && otherVariable && fuzzyVariable_->Equals(*otherVariable);
  }
  if (!SameDouble(maxRange_, other->MaxRange()) || !SameDouble(minRange_, other->MinRange())) return false;
  if (maxCardinality_ != other->MaxCardinality() || minCardinality_ != other->MinCardinality() ||
      constraints_ != other->Constraints() || rangeLimited_ != other->RangeLimited() ||
      cardinalityLimited_ != other->CardinalityLimited())
    return false;
  if (AllowedAtomCount() != other->AllowedAtomCount() || AllowedStringCount() != other->AllowedStringCount() ||
      AllowedIntegerCount() != other->AllowedIntegerCount() || AllowedFloatCount() != other->AllowedFloatCount())
    return false;
  for (std::int32_t i = 0; i < AllowedAtomCount(); ++i) {
    if (allowedAtoms_[static_cast<std::size_t>(i)] != other->AllowedAtom(i)) return false;
  }
  for (std::int32_t i = 0; i < AllowedStringCount(); ++i) {
    if (allowedStrings_[static_cast<std::size_t>(i)] != other->AllowedString(i)) return false;
  }
  for (std::int32_t i = 0; i < AllowedIntegerCount(); ++i) {
    if (allowedIntegers_[static_cast<std::size_t>(i)] != other->AllowedInteger(i)) return false;
  }
  for (std::int32_t i = 0; i < AllowedFloatCount(); ++i) {
    if (!SameDouble(allowedFloats_[static_cast<std::size_t>(i)], other->AllowedFloat(i))) return false;
  }
  return true;
}

void TIEDefinedType::Assign(const IIEDefinedType& source) {
  if (&source == this) return;
  // Copy everything that can fail before anything changes.
  TRef<IFuzzyVariable> variable = source.FuzzyVariable() ? CloneVariable(*source.FuzzyVariable()) : nullptr;
  TRef<IIEDefinedType> ancestor;
  if (source.Owner() == owner_ && !ChainReaches(source.Ancestor(), this))
    ancestor = TRef<IIEDefinedType>(source.Ancestor());
  std::vector<std::string> atoms, strings;
  std::vector<std::int32_t> integers;
  std::vector<double> floats;
  for (std::int32_t i = 0; i < source.AllowedAtomCount(); ++i) atoms.push_back(source.AllowedAtom(i));
  for (std::int32_t i = 0; i < source.AllowedStringCount(); ++i) strings.push_back(source.AllowedString(i));
  for (std::int32_t i = 0; i < source.AllowedIntegerCount(); ++i) integers.push_back(source.AllowedInteger(i));
  for (std::int32_t i = 0; i < source.AllowedFloatCount(); ++i) floats.push_back(source.AllowedFloat(i));

  TUpdateScope update(*this);
  ancestor_ = std::move(ancestor);
  baseTypes_ = source.BaseTypes();
  name_ = source.Name();
  comment_ = source.Comment();
  rangeLimited_ = source.RangeLimited();
  maxRange_ = source.MaxRange();
  minRange_ = source.MinRange();
  cardinalityLimited_ = source.CardinalityLimited();
  maxCardinality_ = source.MaxCardinality();
  minCardinality_ = source.MinCardinality();
  implicit_ = source.Implicit();
  if (fuzzyVariable_) fuzzyVariable_->SetParser(nullptr);
  fuzzyVariable_ = std::move(variable);
  if (fuzzyVariable_) fuzzyVariable_->SetParser(owner_ ? owner_->FuzzyParser() : nullptr);
  tag_ = source.Tag();
  units_ = source.Units();
  constraints_ = source.Constraints();
  allowedAtoms_ = std::move(atoms);
  allowedStrings_ = std::move(strings);
  allowedIntegers_ = std::move(integers);
  allowedFloats_ = std::move(floats);
  Changed();
}

TRef<IIEDefinedType> TIEDefinedType::Clone() const {
  auto copy = MakeRef<TIEDefinedType>(owner_);
  copy->Assign(*this);
  return copy;
}

// --- Printed form -----------------------------------------------------------------------------

std::string TIEDefinedType::AllowedValuesText() const {
  if (constraints_.Empty()) return {};
  // Symbols print as words; in an allowed-symbols clause, which makes every
  // item a symbol, one that cannot be written as a word prints as a string.
  const bool onlySymbols = constraints_ == TValueConstraints{vcAtom};
  auto atoms = [this, onlySymbols](std::string& out) {
    for (const auto& atom : allowedAtoms_) {
      if (onlySymbols && detail::UnreadableAsWord(atom))
        AppendQuoted(out, atom);
      else
        detail::AppendWord(out, atom);
      out += ' ';
    }
  };
  auto strings = [this](std::string& out) {
    for (const auto& text : allowedStrings_) {
      AppendQuoted(out, text);
      out += ' ';
    }
  };
  auto integers = [this](std::string& out) {
    for (std::int32_t number : allowedIntegers_) {
      out += std::to_string(number);
      out += ' ';
    }
  };
  auto floats = [this](std::string& out) {
    for (double number : allowedFloats_) {
      out += FormatFloat(number);
      out += ' ';
    }
  };
  std::string out;
  if (constraints_ == TValueConstraints{vcAtom, vcString, vcInteger, vcFloat}) {
    out += kIndent;
    out += "(allowed-values ";
    atoms(out);
    strings(out);
    integers(out);
    floats(out);
    out += ')';
    out += kLineEnd;
    return out;
  }
  const bool hasIntegers = constraints_.Contains(vcInteger);
  const bool hasFloats = constraints_.Contains(vcFloat);
  if (hasIntegers || hasFloats) {
    out += kIndent;
    out += hasIntegers && hasFloats ? "(allowed-numbers " : hasIntegers ? "(allowed-integers " : "(allowed-floats ";
    if (hasIntegers) integers(out);
    if (hasFloats) floats(out);
    out += ") ";
    out += kLineEnd;
  }
  const bool hasAtoms = constraints_.Contains(vcAtom);
  const bool hasStrings = constraints_.Contains(vcString);
  if (hasAtoms || hasStrings) {
    out += kIndent;
    out += hasAtoms && hasStrings ? "(allowed-lexemes " : hasAtoms ? "(allowed-symbols " : "(allowed-strings ";
    if (hasAtoms) atoms(out);
    if (hasStrings) strings(out);
    out += ')';
    out += kLineEnd;
  }
  return out;
}

void TIEDefinedType::AppendClauses(std::string& out) const {
  const IIEDefinedType* ancestor = ancestor_.Get();
  auto append = [&out](const std::string& clause, const std::string& inherited) {
    if (!clause.empty() && clause != inherited) out += clause;
  };
  append(RangeClauseOf(*this), ancestor ? RangeClauseOf(*ancestor) : std::string());
  append(UnitsClauseOf(*this), ancestor ? UnitsClauseOf(*ancestor) : std::string());
  append(CardinalityClauseOf(*this), ancestor ? CardinalityClauseOf(*ancestor) : std::string());
  append(AllowedValuesText(), ancestor ? ancestor->AllowedValuesText() : std::string());
}

std::string TIEDefinedType::AsString() const {
  std::string out;
  if (implicit_) {
    out += "(type ";
    out += PrintedTypeSet(baseTypes_, " ");
    out += ')';
    out += kLineEnd;
  } else {
    out += "(deftype ";
    detail::AppendWord(out, name_);
    out += ' ';
    if (!comment_.empty()) {
      out += kLineEnd;
      out += kIndent;
      AppendQuoted(out, comment_);
      out += kLineEnd;
      out += kIndent;
    }
    out += "extends (type ";
    if (ancestor_) {
      detail::AppendWord(out, ancestor_->Name());
      out += ' ';
      out += PrintedTypeSet(baseTypes_ - ancestor_->BaseTypes(), " ");
    } else {
      out += PrintedTypeSet(baseTypes_, " ");
    }
    out += ')';
    out += kLineEnd;
  }
  if (fuzzyVariable_) {
    out += FuzzyVariableText(*fuzzyVariable_);
  } else {
    AppendClauses(out);
  }
  if (!implicit_) out += ')';
  return out;
}

}  // namespace fxe
