// Defined types: the constraint objects of the knowledge base. A type says
// which kinds of value a slot or a named type accepts and may restrict them
// by a numeric range, lists of allowed values and a multifield cardinality.
// A type whose only kind is dtFuzzy owns a fuzzy variable whose terms are
// the linguistic values of the type.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "collections/EnumSet.h"
#include "collections/RefCounted.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;
class IFuzzyVariable;

// The allowed-value lists a type may have.
enum TValueConstraint : std::uint8_t { vcAtom, vcString, vcInteger, vcFloat };
using TValueConstraints = TEnumSet<TValueConstraint>;

// The kinds a type can accept: every kind but the list, multifield-variable,
// slot and "no value" kinds.
inline constexpr TIETypes StorableBaseTypes =
    TIETypes{dtAtom, dtString,     dtInteger, dtVariable, dtFactId,          dtFloat,      dtFunCall,
             dtFact, dtDescriptor, dtObject,  dtClass,    dtExternalAddress, dtSingletons, dtFuzzy};
// The kinds a new type (and a slot without a type) accepts.
inline constexpr TIETypes DefaultBaseTypes =
    TIETypes{dtAtom,    dtString, dtInteger,    dtVariable, dtFactId, dtFloat,
             dtFunCall, dtFact,   dtDescriptor, dtObject,   dtClass,  dtExternalAddress};
// Kinds every type and slot accepts: expressions that yield a value later. A
// point list is one of them: it becomes a fuzzy value when the fact holding it
// is asserted, just as a call of a shape function does, and a fact holding such
// a value prints it as its point list, which must read back.
inline constexpr TIETypes AlwaysAcceptedTypes = TIETypes{dtVariable, dtFunCall, dtMultiVariable, dtSingletons};
// The exact bounds that mean "no bound".
inline constexpr double UnboundedMinRange = -2147483648.0;
inline constexpr double UnboundedMaxRange = 2147483647.0;
inline constexpr std::int32_t UnboundedMaxCardinality = 2147483647;

class IIEDefinedType : public IInterface {
 public:
  using TChangeEvent = std::function<void(IIEDefinedType& sender)>;

  // --- Properties ----------------------------------------------------------------
  virtual const std::string& Name() const noexcept = 0;
  virtual void SetName(std::string_view name) = 0;
  virtual const std::string& Comment() const noexcept = 0;
  virtual void SetComment(std::string_view comment) = 0;
  virtual const std::string& Units() const noexcept = 0;
  virtual void SetUnits(std::string_view units) = 0;
  virtual IIEDefinedType* Ancestor() const noexcept = 0;
  // Refuses a type that has this type among its ancestors (or is this type).
  virtual void SetAncestor(TRef<IIEDefinedType> ancestor) = 0;
  virtual TIETypes BaseTypes() const noexcept = 0;
  // Refuses dtFuzzy mixed with other kinds; creates or drops the fuzzy variable.
  virtual void SetBaseTypes(TIETypes types) = 0;
  virtual TValueConstraints Constraints() const noexcept = 0;
  // Lists of removed kinds are emptied, added kinds get empty lists.
  virtual void SetConstraints(TValueConstraints constraints) = 0;
  virtual bool RangeLimited() const noexcept = 0;
  virtual void SetRangeLimited(bool limited) = 0;
  virtual double MinRange() const noexcept = 0;
  virtual void SetMinRange(double bound) = 0;
  virtual double MaxRange() const noexcept = 0;
  virtual void SetMaxRange(double bound) = 0;
  virtual bool CardinalityLimited() const noexcept = 0;
  virtual void SetCardinalityLimited(bool limited) = 0;
  virtual std::int32_t MinCardinality() const noexcept = 0;
  virtual void SetMinCardinality(std::int32_t count) = 0;
  virtual std::int32_t MaxCardinality() const noexcept = 0;
  virtual void SetMaxCardinality(std::int32_t count) = 0;
  virtual bool Implicit() const noexcept = 0;
  // Stores without change notification.
  virtual void SetImplicit(bool implicit) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) noexcept = 0;
  virtual IFuzzyVariable* FuzzyVariable() const noexcept = 0;
  virtual void SetFuzzyVariable(TRef<IFuzzyVariable> variable) = 0;
  virtual IReasoner* Owner() const noexcept = 0;
  virtual void SetOwner(IReasoner* owner) = 0;
  virtual const TChangeEvent& OnChange() const noexcept = 0;
  virtual void SetOnChange(TChangeEvent handler) = 0;

  // --- Allowed values ----------------------------------------------------------------
  // Counts are 0 for an absent list; reading an item of an absent list raises
  // "Defined Type %s does not have %s constraints".
  virtual std::int32_t AllowedAtomCount() const noexcept = 0;
  virtual const std::string& AllowedAtom(std::int32_t index) const = 0;
  virtual std::int32_t AllowedStringCount() const noexcept = 0;
  virtual const std::string& AllowedString(std::int32_t index) const = 0;
  virtual std::int32_t AllowedIntegerCount() const noexcept = 0;
  virtual std::int32_t AllowedInteger(std::int32_t index) const = 0;
  virtual std::int32_t AllowedFloatCount() const noexcept = 0;
  virtual double AllowedFloat(std::int32_t index) const = 0;
  // Appends to the value's list unless present (texts ignoring case).
  virtual void AddAllowedValue(const TIEValue& value) = 0;
  virtual void RemoveAllowedValue(const TIEValue& value) = 0;
  virtual void DeleteAllowedValue(std::int32_t index, TValueConstraint kind) = 0;
  virtual void RemoveConstraints(TValueConstraints kinds) = 0;
  virtual void ClearConstraints() = 0;

  // --- Change batches -------------------------------------------------------------------
  // The outermost EndUpdate notifies once more; setters in between still notify.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;

  // --- Values ------------------------------------------------------------------------------
  // A default for a slot of this type (a multifield when multi is set).
  virtual TRef<TIEValue> CreateDefaultValue(bool multi) const = 0;
  // Whether the value occurs in its allowed-value list; kind receives the list
  // it was looked up in.
  virtual bool IsAllowedValue(const TIEValue& value, TValueConstraint& kind) const = 0;
  virtual bool IsValid(const TIEValue* value) const = 0;
  // Why IsValid refused the value; empty when no fault is found.
  virtual std::string Validate(const TIEValue& value) const = 0;
  virtual std::string ValueToString(const TIEValue& value) const = 0;

  // --- Copies, equality, text --------------------------------------------------------------
  virtual bool Equals(const IIEDefinedType* other) const = 0;
  virtual void Assign(const IIEDefinedType& source) = 0;
  virtual TRef<IIEDefinedType> Clone() const = 0;
  // The deftype text (for an implicit type: the "(type …)" line and its clauses).
  virtual std::string AsString() const = 0;
  // The allowed-values clause(s), each on its own indented line.
  virtual std::string AllowedValuesText() const = 0;
};

class TIEDefinedType : public IIEDefinedType {
 public:
  explicit TIEDefinedType(IReasoner* owner = nullptr);
  ~TIEDefinedType() override;
  TIEDefinedType(const TIEDefinedType&) = delete;
  TIEDefinedType& operator=(const TIEDefinedType&) = delete;

  const std::string& Name() const noexcept override { return name_; }
  void SetName(std::string_view name) override;
  const std::string& Comment() const noexcept override { return comment_; }
  void SetComment(std::string_view comment) override;
  const std::string& Units() const noexcept override { return units_; }
  void SetUnits(std::string_view units) override;
  IIEDefinedType* Ancestor() const noexcept override { return ancestor_.Get(); }
  void SetAncestor(TRef<IIEDefinedType> ancestor) override;
  TIETypes BaseTypes() const noexcept override { return baseTypes_; }
  void SetBaseTypes(TIETypes types) override;
  TValueConstraints Constraints() const noexcept override { return constraints_; }
  void SetConstraints(TValueConstraints constraints) override;
  bool RangeLimited() const noexcept override { return rangeLimited_; }
  void SetRangeLimited(bool limited) override;
  double MinRange() const noexcept override { return minRange_; }
  void SetMinRange(double bound) override;
  double MaxRange() const noexcept override { return maxRange_; }
  void SetMaxRange(double bound) override;
  bool CardinalityLimited() const noexcept override { return cardinalityLimited_; }
  void SetCardinalityLimited(bool limited) override;
  std::int32_t MinCardinality() const noexcept override { return minCardinality_; }
  void SetMinCardinality(std::int32_t count) override;
  std::int32_t MaxCardinality() const noexcept override { return maxCardinality_; }
  void SetMaxCardinality(std::int32_t count) override;
  bool Implicit() const noexcept override { return implicit_; }
  void SetImplicit(bool implicit) override { implicit_ = implicit; }
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }
  IFuzzyVariable* FuzzyVariable() const noexcept override { return fuzzyVariable_.Get(); }
  void SetFuzzyVariable(TRef<IFuzzyVariable> variable) override;
  IReasoner* Owner() const noexcept override { return owner_; }
  void SetOwner(IReasoner* owner) override;
  const TChangeEvent& OnChange() const noexcept override { return onChange_; }
  void SetOnChange(TChangeEvent handler) override { onChange_ = std::move(handler); }

  std::int32_t AllowedAtomCount() const noexcept override { return Count(allowedAtoms_); }
  const std::string& AllowedAtom(std::int32_t index) const override;
  std::int32_t AllowedStringCount() const noexcept override { return Count(allowedStrings_); }
  const std::string& AllowedString(std::int32_t index) const override;
  std::int32_t AllowedIntegerCount() const noexcept override { return Count(allowedIntegers_); }
  std::int32_t AllowedInteger(std::int32_t index) const override;
  std::int32_t AllowedFloatCount() const noexcept override { return Count(allowedFloats_); }
  double AllowedFloat(std::int32_t index) const override;
  void AddAllowedValue(const TIEValue& value) override;
  void RemoveAllowedValue(const TIEValue& value) override;
  void DeleteAllowedValue(std::int32_t index, TValueConstraint kind) override;
  void RemoveConstraints(TValueConstraints kinds) override;
  void ClearConstraints() override;

  void BeginUpdate() override;
  void EndUpdate() override;

  TRef<TIEValue> CreateDefaultValue(bool multi) const override;
  bool IsAllowedValue(const TIEValue& value, TValueConstraint& kind) const override;
  bool IsValid(const TIEValue* value) const override;
  std::string Validate(const TIEValue& value) const override;
  std::string ValueToString(const TIEValue& value) const override { return value.AsText(); }

  bool Equals(const IIEDefinedType* other) const override;
  void Assign(const IIEDefinedType& source) override;
  TRef<IIEDefinedType> Clone() const override;
  std::string AsString() const override;
  std::string AllowedValuesText() const override;

 protected:
  // Raises OnChange; called after every effective change.
  virtual void Changed();
  // Entered with true when the first BeginUpdate opens a batch, with false
  // when the last EndUpdate closes it.
  virtual void SetUpdating(bool updating);

 private:
  template <class T>
  static std::int32_t Count(const std::vector<T>& list) noexcept {
    return static_cast<std::int32_t>(list.size());
  }
  bool IsFuzzyType() const noexcept { return baseTypes_ == TIETypes{dtFuzzy}; }
  // The list a single value is kept in; raises for kinds without a list.
  TValueConstraint ConstraintKindOf(const TIEValue& value) const;
  void CheckConstraint(TValueConstraint kind) const;
  void DropList(TValueConstraint kind) noexcept;
  bool InAllowedList(const TIEValue& value, TValueConstraint kind) const;
  // The printed clauses after the "(type …)" line; a derived type leaves out
  // those its ancestor prints the same.
  void AppendClauses(std::string& out) const;

  std::string name_ = "implicit";
  std::string comment_;
  std::string units_;
  TRef<IIEDefinedType> ancestor_;
  TRef<IFuzzyVariable> fuzzyVariable_;
  IReasoner* owner_;
  TChangeEvent onChange_;
  std::vector<std::string> allowedAtoms_;
  std::vector<std::string> allowedStrings_;
  std::vector<std::int32_t> allowedIntegers_;
  std::vector<double> allowedFloats_;
  double minRange_ = UnboundedMinRange;
  double maxRange_ = UnboundedMaxRange;
  std::int32_t minCardinality_ = 0;
  std::int32_t maxCardinality_ = UnboundedMaxCardinality;
  std::int32_t tag_ = 0;
  std::int32_t updateCount_ = 0;
  TIETypes baseTypes_ = DefaultBaseTypes;
  TValueConstraints constraints_;
  bool rangeLimited_ = false;
  bool cardinalityLimited_ = false;
  bool implicit_ = false;
};

}  // namespace fxe
