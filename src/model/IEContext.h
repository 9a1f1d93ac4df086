// Evaluation contexts and variable bindings. A context holds the bindings
// visible where an expression is evaluated, links to the context it is nested
// in, carries the fact and partial match a rule test or action works on, and
// the return flag and value of the return function. Binding descriptors say
// where in the matched facts a pattern variable's value lies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "collections/GHashtable.h"
#include "collections/RefCounted.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;
class TIEContext;

// Whether a variable name is that of a global (?*name*, written without the "?").
bool IsGlobalVariableName(std::string_view name) noexcept;

// The slot name of a variable bound by actions rather than by a pattern.
inline constexpr std::string_view LocalSlotName = "__LOCAL";
// The slot name of a variable bound to the matched fact itself.
inline constexpr std::string_view PatternSlotName = "__PATTERN";
// The fact position of a variable bound by actions.
inline constexpr std::int32_t LocalFactIndex = -2;

// Where a pattern variable's value lies in a partial match: the pattern
// position, the slot and, for a multifield slot, the element. A value holding
// a descriptor evaluates to the value it points at.
class TBindingInfo : public TIEObject {
 public:
  // A descriptor of a plain variable (position -2, slot "__LOCAL", no element).
  TBindingInfo() : TBindingInfo(LocalFactIndex, LocalSlotName, -1) {}
  TBindingInfo(std::int32_t factIndex, std::string_view slotName, std::int32_t subIndex)
      : slotIndex_(slotName), factIndex_(factIndex), subIndex_(subIndex) {}
  TBindingInfo(const TBindingInfo&) = default;
  TBindingInfo(TBindingInfo&&) noexcept = default;
  TBindingInfo& operator=(const TBindingInfo&) = default;
  TBindingInfo& operator=(TBindingInfo&&) noexcept = default;

  // Pattern position of the fact in the partial match.
  std::int32_t FactIndex() const noexcept { return factIndex_; }
  void SetFactIndex(std::int32_t factIndex) noexcept { factIndex_ = factIndex; }
  // Slot name, or "__LOCAL" / "__PATTERN".
  const std::string& SlotIndex() const noexcept { return slotIndex_; }
  void SetSlotIndex(std::string_view slotName) { slotIndex_.assign(slotName); }
  // 0-based element of a multifield slot; -1 for the whole slot.
  std::int32_t SubIndex() const noexcept { return subIndex_; }
  void SetSubIndex(std::int32_t subIndex) noexcept { subIndex_ = subIndex; }

  // "FactIdx=<position> SlotIdx=<slot>", then " SubIdx=<element>" unless -1.
  virtual std::string AsString() const;
  // All three fields equal (slot names case-sensitively).
  bool Equals(const TBindingInfo& other) const noexcept;

  // The value the descriptor points at: the fact is the context's current fact
  // when the position equals the number of facts in the context's token (the
  // fact entering a join), else the token's fact at that position.
  TRef<TIEValue> Evaluate(IIEContext* context) const override;

  std::string ClassName() const override { return "TBindingInfo"; }
  std::unique_ptr<TIEObject> CloneObject() const override { return std::make_unique<TBindingInfo>(*this); }
  // "<TBindingInfo: FactIdx=...>".
  std::string ValueText() const override;

 protected:
  // The value the descriptor points at in context (which is not null).
  TRef<TIEValue> Resolve(const IIEContext& context) const;

 private:
  std::string slotIndex_;
  std::int32_t factIndex_;
  std::int32_t subIndex_;
};

// A named variable: a descriptor and, once known, its value.
class TBinding : public TBindingInfo {
 public:
  // A pattern binding: where the value lies, no value yet.
  TBinding(std::string_view name, std::int32_t factIndex, std::string_view slotName, std::int32_t subIndex)
      : TBindingInfo(factIndex, slotName, subIndex), name_(name) {}
  // A value binding (position -2, slot "__LOCAL", no element).
  TBinding(std::string_view name, TRef<TIEValue> value) : name_(name), value_(std::move(value)) {}

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view name) { name_.assign(name); }
  TIEValue* Value() const noexcept { return value_.Get(); }
  const TRef<TIEValue>& ValueRef() const noexcept { return value_; }
  void SetValue(TRef<TIEValue> value) noexcept { value_ = std::move(value); }

  // "name=<name>", then " value=<printed value>" when there is a value, then
  // " " and the descriptor text.
  std::string AsString() const override;
  // Equal descriptors and names, and values that are the same object or
  // strictly equal (two bindings without value are equal).
  bool Equals(const TBinding& other) const;

  // The bound value when there is one, else what the descriptor points at.
  TRef<TIEValue> Evaluate(IIEContext* context) const override;
  std::string ClassName() const override { return "TBinding"; }
  std::unique_ptr<TIEObject> CloneObject() const override { return std::make_unique<TBinding>(*this); }

 private:
  std::string name_;
  TRef<TIEValue> value_;
};

// What changed in a binding table.
enum class TBindingChange : std::uint8_t { Added, Removed, Cleared };

// The bindings of one context by variable name. The table owns its bindings:
// storing under a name that is bound frees the old binding, removing or
// clearing frees them. The bucket array (101 buckets, load factor 0.75) is
// made on the first store, so a context that binds nothing costs nothing.
class TBindings {
 public:
  static constexpr std::uint32_t Capacity = 101;
  static constexpr float LoadFactor = 0.75f;

  // The owner is told about every binding stored, removed, and every clear.
  explicit TBindings(TIEContext* owner = nullptr) noexcept : owner_(owner) {}
  TBindings(const TBindings&) = delete;
  TBindings& operator=(const TBindings&) = delete;

  TBinding* Find(std::string_view name) const noexcept { return const_cast<TBinding*>(table_.Find(name)); }
  // Stores the binding under its name, replacing a binding of that name.
  TBinding& Put(TBinding&& binding);
  // False when the name is not bound here.
  bool Remove(std::string_view name);
  // Frees every binding; the owner is told even when the table was empty.
  void Clear();
  std::int32_t Count() const noexcept { return table_.Count(); }
  bool IsEmpty() const noexcept { return table_.IsEmpty(); }

  // Enumeration in the table's order; each entry has Key() and Value().
  auto begin() const noexcept { return table_.begin(); }
  auto end() const noexcept { return table_.end(); }

 private:
  void Notify(TBinding* binding, TBindingChange change);

  TGStringHashtable<TBinding> table_{0, LoadFactor};
  TIEContext* owner_;
};

// Where expressions are evaluated. The engine owns the root context, whose
// bindings are the global variables; rule firings and deffunction calls work
// in children, which their creator owns and frees after LeaveChild. Lookups
// walk from a context up to the root, so globals are visible everywhere.
class TIEContext : public IIEContext {
 public:
  explicit TIEContext(TIEContext* parent = nullptr, IReasoner* engine = nullptr) noexcept
      : parent_(parent), engine_(engine), depth_(parent ? parent->depth_ + 1 : 0) {}
  TIEContext(const TIEContext&) = delete;
  TIEContext& operator=(const TIEContext&) = delete;
  ~TIEContext() override = default;

  // --- IIEContext ------------------------------------------------------------------
  // The value of the nearest binding of name; nullptr when there is none or it
  // has no value.
  TIEValue* FindVariableValue(std::string_view name) const override;
  IFact* CurrentFact() const override { return fact_.Get(); }
  IReteToken* CurrentToken() const override { return token_.Get(); }
  TIEContext* EvaluationContext() noexcept override { return this; }

  // --- Properties ----------------------------------------------------------------------
  TIEContext* Parent() const noexcept { return parent_; }
  IReasoner* Engine() const noexcept { return engine_; }
  // Number of contexts above this one (0 for a root).
  std::int32_t Depth() const noexcept { return depth_; }
  TIEContext& Root() noexcept;
  const TIEContext& Root() const noexcept;
  // The token and fact being worked on (CurrentToken and CurrentFact, which
  // a context may take from elsewhere).
  IReteToken* Token() const { return CurrentToken(); }
  void SetToken(TRef<IReteToken> token) noexcept { token_ = std::move(token); }
  IFact* Fact() const { return CurrentFact(); }
  void SetFact(TRef<IFact> fact) noexcept { fact_ = std::move(fact); }
  TBindings& Bindings() noexcept { return bindings_; }
  const TBindings& Bindings() const noexcept { return bindings_; }

  // --- Return ----------------------------------------------------------------------------
  bool ReturnFlag() const noexcept { return returnFlag_; }
  TIEValue* ReturnValue() const noexcept { return returnValue_.Get(); }
  const TRef<TIEValue>& ReturnValueRef() const noexcept { return returnValue_; }
  // Stores the value and sets the return flag.
  virtual void SetReturnValue(TRef<TIEValue> value);
  virtual void ClearReturn() noexcept { returnFlag_ = false; }

  // --- Bindings --------------------------------------------------------------------------
  // This context's binding of name, else the nearest one up to the root.
  TBinding* FindBinding(std::string_view name) const;
  // The root context's binding of name.
  TBinding* FindGlobal(std::string_view name) const noexcept;
  // Replaces the value of the nearest binding of name, or binds name here.
  // A global name (?*name*) is always set in the root context.
  virtual void SetVariable(std::string_view name, TRef<TIEValue> value);
  // Replaces the value of this context's own binding of name, else as
  // SetVariable (so a global is set in the root context).
  virtual void DeclareVariable(std::string_view name, TRef<TIEValue> value);
  // Binds name here, hiding a binding of that name further up.
  virtual void AddLocal(std::string_view name, TRef<TIEValue> value);
  // Replaces the value of the root's binding of name, or binds name in the root.
  virtual void SetGlobal(std::string_view name, TRef<TIEValue> value);
  // Binds name here to a place in the partial match.
  virtual void AddPatternBinding(std::string_view name, std::int32_t factIndex, std::int32_t subIndex,
                                 std::string_view slotName);
  // Frees this context's bindings and clears the return flag.
  virtual void ClearBindings();

  // --- Nesting ------------------------------------------------------------------------------
  // A new context below this one, with the same engine.
  virtual std::unique_ptr<TIEContext> CreateChild();
  // Copies the return flag and value into the parent and returns the parent
  // (nullptr for a root); the caller then frees this context.
  virtual TIEContext* LeaveChild();

  // Evaluates the fact's slot values in this context and stores the results
  // back: fuzzy slots get fuzzy values (converted by the engine from
  // linguistic text), other multifields are flattened. Returns the fact.
  IFact& ResolveFact(IFact& fact);
  // Copies the return flag and a copy of the return value.
  void Assign(const TIEContext& source);

 protected:
  friend class TBindings;
  // Told by the binding table about every change (a binding about to be
  // removed, one added, a clear); a clear clears the return flag.
  virtual void BindingsChanged(TBinding* binding, TBindingChange change);
  // This context's own binding of name (FindBinding asks each context on
  // the way to the root).
  virtual TBinding* OwnBinding(std::string_view name) const { return bindings_.Find(name); }

 private:
  TBindings bindings_{this};
  TRef<TIEValue> returnValue_;
  TRef<IReteToken> token_;
  TRef<IFact> fact_;
  TIEContext* parent_;
  IReasoner* engine_;
  std::int32_t depth_;
  bool returnFlag_ = false;
};

}  // namespace fxe
