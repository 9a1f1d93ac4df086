// The interfaces through which an engine value reaches its payloads and the
// places it is evaluated in: facts, function calls, partial-match tokens,
// evaluation contexts, host objects and classes. The value layer declares what
// it needs of them; the model, the network and the engine implement them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/RefCounted.h"

namespace fxe {

class TIEValue;
class IFact;
class IReteToken;
class IFactTemplate;
class IFactSlot;
class TIEObject;
class TValueVector;
class TIEContext;
class IUserFunction;
class IReasoner;
enum TIEType : std::uint8_t;

// A place where expressions are evaluated: variable bindings, the fact and the
// partial match a rule test or action works on.
class IIEContext {
 public:
  virtual ~IIEContext() = default;
  // The value bound to a variable name, looking outward to the root context;
  // nullptr when no binding or a binding without value exists.
  virtual TIEValue* FindVariableValue(std::string_view name) const = 0;
  // The value bound to a variable value of an expression (dtVariable or
  // dtMultiVariable). Contexts that know the expressions they run may
  // answer by the value's identity instead of its name.
  virtual TIEValue* FindVariable(const TIEValue& variable) const;
  // The fact entering a join (or being tested), when there is one.
  virtual IFact* CurrentFact() const = 0;
  // The partial match being worked on, when there is one.
  virtual IReteToken* CurrentToken() const = 0;
  // The model's evaluation context behind this interface (functions need its
  // bindings and return flag), or nullptr when it is some other context.
  virtual TIEContext* EvaluationContext() noexcept { return nullptr; }
};

// One fact of the fact base: a template, one value per slot of the template
// and the index the engine gives it on assertion. Slots are addressed by name
// or, on hot paths, by their position in the template's sorted-name order.
class IFact : public IInterface {
 public:
  // The fact index; -1 until the fact is asserted.
  virtual std::int32_t ID() const = 0;
  virtual void SetID(std::int32_t id) = 0;
  virtual std::int32_t Tag() const = 0;
  virtual void SetTag(std::int32_t tag) = 0;

  virtual TRef<IFactTemplate> GetTemplate() const = 0;
  // The template without taking a reference (hot paths), or nullptr.
  virtual IFactTemplate* Template() const noexcept = 0;
  // Keeps the values of slots the new template also has and fills the others
  // from their defaults; no template empties the fact.
  virtual void SetTemplate(TRef<IFactTemplate> factTemplate) = 0;

  // The value of a slot (created from the slot's default on first read).
  virtual TRef<TIEValue> GetSlotValue(std::string_view name) = 0;
  // As GetSlotValue, but nullptr for a name the template does not have.
  virtual TRef<TIEValue> TryGetSlotValue(std::string_view name) = 0;
  // Stores the value itself (not a copy); nullptr stores the nil value.
  // With dynamic type checking an unacceptable value is converted where
  // possible (integer to float, text to fuzzy value) or refused.
  virtual void SetSlotValue(std::string_view name, TRef<TIEValue> value) = 0;
  // Number of slots, i.e. of the template's slots (0 without template).
  virtual std::int32_t SlotCount() const = 0;
  // The slot at a position of the template's sorted-name order, and the
  // fact's value object of it (created from the default on first read).
  virtual IFactSlot& SlotAt(std::int32_t index) const = 0;
  virtual TIEValue& SlotValueAt(std::int32_t index) = 0;
  // The stored value, or the slot's default when none is stored yet (nothing
  // is created); nullptr when there is neither.
  virtual const TIEValue* PeekSlotValue(std::int32_t index) const = 0;
  // SetSlotValue for the slot at a position of the sorted-name order.
  virtual void SetSlotValueAt(std::int32_t index, TRef<TIEValue> value) = 0;
  // Replaces all values with copies of another fact's values; both facts
  // must share one template.
  virtual void AssignValues(const IFact& source) = 0;
  // Becomes a copy of the source fact (template, values, ID and Tag).
  virtual void Assign(const IFact& source) = 0;
  virtual TRef<IFact> Clone() const = 0;

  // Fact equality as used for duplicate detection (fuzzy slots are skipped).
  virtual bool Equals(const IFact& other) const = 0;
  virtual std::uint32_t HashCode() const = 0;
  // The printed form, e.g. "(point (x 1) (y 2))".
  virtual std::string AsString() const = 0;
  // "f-<index> " followed by the printed form.
  virtual std::string AsStringWithID() const = 0;
};

// An unevaluated function call: a function name and argument expressions.
class IFunCall : public IInterface {
 public:
  // Calls the function in the context and returns its result.
  virtual TRef<TIEValue> Evaluate(IIEContext* context) = 0;
  virtual bool Equals(const IFunCall& other) const = 0;
  virtual std::uint32_t HashCode() const = 0;
  virtual std::string AsString() const = 0;

  // --- The call ------------------------------------------------------------------
  virtual const std::string& Name() const noexcept = 0;
  // The engine that resolves the name and prints the call, or nullptr.
  virtual IReasoner* Owner() const noexcept = 0;
  // The function the name resolved to, or nullptr before the first evaluation.
  virtual IUserFunction* Function() const noexcept = 0;
  virtual void SetFunction(const TRef<IUserFunction>& function) = 0;
  virtual const std::string& Comment() const noexcept = 0;
  virtual void SetComment(std::string_view comment) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) = 0;

  // --- Arguments: unevaluated expressions, in order --------------------------------
  virtual std::int32_t ArgumentCount() const noexcept = 0;
  // Raises "List index out of bounds (%d)" outside 0 .. ArgumentCount()-1.
  virtual const TRef<TIEValue>& Argument(std::int32_t index) const = 0;
  virtual std::span<const TRef<TIEValue>> Arguments() const noexcept = 0;
  // Typed arguments: text of a text kind, a number of dtInteger or dtFloat;
  // other kinds raise "Not a %s type.  Value (%s) is a %s type". Each
  // returns the new argument's position.
  virtual std::int32_t AddArgument(std::string_view text, TIEType kind) = 0;
  virtual std::int32_t AddArgument(std::int32_t number, TIEType kind) = 0;
  virtual std::int32_t AddArgument(double number, TIEType kind) = 0;
  // A host object the argument refers to without owning it.
  virtual std::int32_t AddArgument(TIEObject* object) = 0;
  virtual std::int32_t AddArgument(const TRef<IFunCall>& call) = 0;
  virtual std::int32_t AddArgument(const TRef<TValueVector>& list) = 0;
  // A ready value (nullptr adds an empty value).
  virtual std::int32_t AddArgument(const TRef<TIEValue>& value) = 0;
  virtual void ClearArguments() = 0;
  virtual void DeleteArgument(std::int32_t index) = 0;

  // --- Copies ------------------------------------------------------------------------
  // A call of the same name and owner with copies of the arguments.
  virtual TRef<IFunCall> Clone() const = 0;
  // Becomes a copy of source (name, owner, Tag, Comment, copies of the arguments).
  virtual void Assign(const IFunCall& source) = 0;
};

// A partial match: the chain of facts matched so far.
class IReteToken : public IInterface {
 public:
  virtual std::int32_t FactCount() const = 0;
  // The fact at a 0-based pattern position, or nullptr.
  virtual IFact* FactAt(std::int32_t position) const = 0;
};

// Notified when a component it watches is destroyed.
class IFreeNotification {
 public:
  virtual void ComponentFreed(class TIEComponent& component) = 0;

 protected:
  ~IFreeNotification() = default;
};

// A host object an engine value can refer to (kind dtObject).
class TIEObject {
 public:
  virtual ~TIEObject() = default;
  virtual std::string ClassName() const = 0;
  // A copy for a value that owns its object; nullptr when the object cannot be copied.
  virtual std::unique_ptr<TIEObject> CloneObject() const { return nullptr; }
  // The printed form of a value holding this object.
  virtual std::string ValueText() const { return "<Object: " + ClassName() + ">"; }
  // What a value holding this object evaluates to; nullptr means the value itself.
  virtual TRef<TIEValue> Evaluate(IIEContext* context) const;
};

// A host object with an owner that may be destroyed elsewhere; watchers learn
// of its destruction.
class TIEComponent : public TIEObject {
 public:
  ~TIEComponent() override;
  void FreeNotification(IFreeNotification* watcher);
  void RemoveFreeNotification(IFreeNotification* watcher);
  bool Destroying() const noexcept { return destroying_; }

 protected:
  // Tells every watcher; descendants call it first in their own destructor
  // when watchers must see the object still whole.
  void NotifyFreed();

 private:
  std::vector<IFreeNotification*> watchers_;
  bool destroying_ = false;
};

// A host class (kind dtClass).
class TIEClass {
 public:
  virtual ~TIEClass() = default;
  virtual std::string Name() const = 0;
};

}  // namespace fxe
