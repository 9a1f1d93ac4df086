// Fact templates and their slots. A template names one relation of the fact
// base and holds its slots; a slot accepts a set of value kinds, may be
// constrained further by a defined type, and has a default that is either
// fixed or evaluated for every new fact. Templates create and initialise
// facts and print themselves as deftemplate text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "collections/GHashtable.h"
#include "collections/RefCounted.h"
#include "model/IEDefinedType.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;
class IFact;
class IFactTemplate;
class TFactTemplate;

// The two kinds of slot, as the engine's interfaces name them.
enum TTemplateSlotType : std::uint8_t { tstSlot, tstMultiSlot };

// The kinds that mark a multislot.
inline constexpr TIETypes MultiSlotMarker{dtList, dtMultiSlot};
// The single multislot of an implied template; it holds an ordered fact's fields.
inline constexpr std::string_view ImpliedSlotName = "__Data";
// The comment of templates the engine creates for relations without a template.
inline constexpr std::string_view ImpliedTemplateComment = "(Implied)";

// A copy of a value that shares nothing changeable with the original: a
// multifield gets its own vector of copied items. Facts and slots keep such
// copies of defaults, so changing a fact's value never changes a default.
TRef<TIEValue> CopySlotValue(const TIEValue& value);

class IFactSlot : public IInterface {
 public:
  virtual const std::string& Name() const noexcept = 0;
  // Refuses names with a blank or one of ' " # ( ) [ ] ? : $ & ; < >.
  // The owning template re-keys the slot under the new name.
  virtual void SetName(std::string_view name) = 0;
  virtual TIETypes SlotType() const noexcept = 0;
  // Refuses dtFuzzy mixed with other kinds (the multislot marker aside);
  // replaces a default the new kinds do not accept.
  virtual void SetSlotType(TIETypes types) = 0;
  // nullptr when the slot has no default.
  virtual TIEValue* SlotDefault() const noexcept = 0;
  // Stores a private copy (shared constants are kept as they are). With
  // dynamic type checking a default the slot does not accept is refused.
  virtual void SetSlotDefault(TRef<TIEValue> value) = 0;
  virtual bool DefaultDynamic() const noexcept = 0;
  virtual void SetDefaultDynamic(bool dynamic) = 0;
  virtual IIEDefinedType* ExtendedTypeInfo() const noexcept = 0;
  // The slot's kinds become the type's base kinds.
  virtual void SetExtendedTypeInfo(TRef<IIEDefinedType> type) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) noexcept = 0;
  // The template the slot belongs to (not counted), or nullptr.
  virtual IFactTemplate* Template() const noexcept = 0;
  virtual std::string TemplateName() const = 0;

  bool IsFuzzy() const noexcept { return SlotType().Contains(dtFuzzy); }
  bool IsMultislot() const noexcept { return SlotType().Contains(dtMultiSlot); }
  TTemplateSlotType SlotKind() const noexcept { return IsMultislot() ? tstMultiSlot : tstSlot; }

  // A default for this slot's kinds or type (a multifield when multi is set).
  virtual TRef<TIEValue> CreateDefaultValue(bool multi) const = 0;
  virtual bool IsValid(const TIEValue* value) const = 0;
  // Why IsValid refused a value ("... for <name> slot"); empty when no fault is found.
  virtual std::string Validate(const TIEValue& value) const = 0;
  // The slot's clause of a deftemplate text.
  virtual std::string AsString() const = 0;

  virtual bool Equals(const IFactSlot* other) const = 0;
  // Takes name, kinds, type, default and flags of source; a named type of
  // another engine is replaced by this engine's type of the same name.
  virtual void Assign(const IFactSlot& source) = 0;
  // A copy for the same template that is not entered in its slot table.
  virtual TRef<IFactSlot> Clone() const = 0;
};

// The slots of a template in sorted-name order (ignoring letter case), with
// a slot's position as its stable index. A layout never changes: when the
// template's slots change it makes a new one, and facts still holding the old
// one move their values over by name.
class TSlotLayout final : public TRefCounted {
 public:
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }
  const std::string& NameAt(std::int32_t index) const noexcept { return entries_[Position(index)].name; }
  IFactSlot& SlotAt(std::int32_t index) const noexcept { return *entries_[Position(index)].slot; }
  // The position of a slot name (case-sensitive), or -1.
  std::int32_t IndexOf(std::string_view name) const noexcept;
  // The order of slot names: ignoring letter case, ties broken by the exact text.
  static bool NameLess(std::string_view a, std::string_view b) noexcept;

 private:
  friend class TFactTemplate;
  struct TEntry {
    std::string name;
    TRef<IFactSlot> slot;
  };
  static std::size_t Position(std::int32_t index) noexcept { return static_cast<std::size_t>(index); }
  std::vector<TEntry> entries_;
};

class IFactTemplate : public IInterface {
 public:
  virtual const std::string& Name() const noexcept = 0;
  // Refuses names with a forbidden character; the owning engine re-keys the
  // template before the name changes.
  virtual void SetName(std::string_view name) = 0;
  virtual const std::string& Comment() const noexcept = 0;
  virtual void SetComment(std::string_view comment) = 0;
  virtual IFactTemplate* Parent() const noexcept = 0;
  // Refuses a parent that extends this template, directly or through others.
  virtual void SetParent(TRef<IFactTemplate> parent) = 0;
  virtual bool BackwardChaining() const noexcept = 0;
  virtual void SetBackwardChaining(bool backwardChaining) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) noexcept = 0;
  virtual IReasoner* Owner() const noexcept = 0;
  // True when the only slot is the multislot "__Data" of ordered facts.
  virtual bool IsImplied() const noexcept = 0;
  virtual bool HasFuzzySlots() const = 0;
  // The 31-multiplier text hash of the name and the sorted slot names.
  virtual std::uint32_t HashCode() const = 0;

  // --- Slots ------------------------------------------------------------------------
  virtual std::int32_t SlotCount() const noexcept = 0;
  virtual bool HasSlot(std::string_view name) const noexcept = 0;
  // nullptr when the template has no slot of that name.
  virtual IFactSlot* FindSlot(std::string_view name) const noexcept = 0;
  // Raises "No such slot name: \"%s\"" for a name the template does not have.
  virtual IFactSlot& GetSlot(std::string_view name) const = 0;
  // The first slot in slot-table order whose defined type is that object.
  virtual IFactSlot* SlotOfType(const IIEDefinedType* type) const noexcept = 0;
  // A single slot with the default (a new slot, or a new default for an
  // existing single slot).
  virtual void AddSlot(std::string_view name, TRef<TIEValue> defaultValue) = 0;
  // A multislot with a multifield default.
  virtual void AddMultiSlot(std::string_view name, TRef<TIEValue> defaultValue) = 0;
  // A new slot of this template made a copy of slot (replacing a slot of the same name).
  virtual TRef<IFactSlot> AddSlotCopy(const IFactSlot& slot) = 0;
  // Puts slot under name; the slot's name must be name.
  virtual void SetSlot(std::string_view name, TRef<IFactSlot> slot) = 0;
  virtual void RemoveSlot(std::string_view name) = 0;
  virtual void ClearSlots() = 0;
  // Replaces the slots by copies of source's, each re-read from its printed
  // text by this template's engine so that type names resolve here.
  virtual void CopySlotsFrom(const IFactTemplate& source) = 0;
  // The slots in slot-table order (the order of the printed template).
  virtual std::vector<TRef<IFactSlot>> SlotsInTableOrder() const = 0;
  // The slots in sorted-name order: the order facts print, hash and compare in.
  virtual const TSlotLayout& SlotLayout() const = 0;

  // --- Facts -------------------------------------------------------------------------
  // A new fact of this template with every slot initialised.
  virtual TRef<IFact> CreateFact() = 0;
  // Stores a copy of every slot's default into the fact (dynamic defaults are
  // evaluated in the engine's context); the fact must be of this template.
  virtual void InitializeFact(IFact& fact) = 0;

  // --- Copies, equality, text ----------------------------------------------------------
  virtual std::string AsString() const = 0;
  virtual bool Equals(const IFactTemplate* other) const = 0;
  virtual void Assign(const IFactTemplate& source) = 0;
  virtual TRef<IFactTemplate> Clone() const = 0;
  virtual TRef<IFactTemplate> CloneFor(IReasoner* owner) const = 0;
};

class TFactSlot final : public IFactSlot {
 public:
  // A slot of template; it becomes part of the template when it gets a name.
  explicit TFactSlot(TFactTemplate* factTemplate = nullptr);
  ~TFactSlot() override;
  TFactSlot(const TFactSlot&) = delete;
  TFactSlot& operator=(const TFactSlot&) = delete;

  const std::string& Name() const noexcept override { return name_; }
  void SetName(std::string_view name) override;
  TIETypes SlotType() const noexcept override { return slotType_; }
  void SetSlotType(TIETypes types) override;
  TIEValue* SlotDefault() const noexcept override { return default_.Get(); }
  void SetSlotDefault(TRef<TIEValue> value) override;
  bool DefaultDynamic() const noexcept override { return defaultDynamic_; }
  void SetDefaultDynamic(bool dynamic) override { defaultDynamic_ = dynamic; }
  IIEDefinedType* ExtendedTypeInfo() const noexcept override { return type_.Get(); }
  void SetExtendedTypeInfo(TRef<IIEDefinedType> type) override;
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }
  IFactTemplate* Template() const noexcept override;
  std::string TemplateName() const override;

  TRef<TIEValue> CreateDefaultValue(bool multi) const override;
  bool IsValid(const TIEValue* value) const override;
  std::string Validate(const TIEValue& value) const override;
  std::string AsString() const override;

  bool Equals(const IFactSlot* other) const override;
  void Assign(const IFactSlot& source) override;
  TRef<IFactSlot> Clone() const override;

 private:
  friend class TFactTemplate;

  // Raised when the default is changed in place: with dynamic type checking
  // a default the slot no longer accepts is an error.
  void CheckValue(const TIEValue& value) const;
  bool DynamicChecks() const noexcept;
  void ReplaceDefault(TRef<TIEValue> value) noexcept;

  std::string name_;
  TRef<TIEValue> default_;
  TRef<IIEDefinedType> type_;
  TFactTemplate* template_;
  TIETypes slotType_ = DefaultBaseTypes;
  std::int32_t tag_ = 0;
  bool defaultDynamic_ = false;
};

class TFactTemplate final : public IFactTemplate {
 public:
  explicit TFactTemplate(IReasoner* owner = nullptr, std::string_view name = {});
  ~TFactTemplate() override;
  TFactTemplate(const TFactTemplate&) = delete;
  TFactTemplate& operator=(const TFactTemplate&) = delete;

  const std::string& Name() const noexcept override { return name_; }
  void SetName(std::string_view name) override;
  const std::string& Comment() const noexcept override { return comment_; }
  void SetComment(std::string_view comment) override { comment_.assign(comment); }
  IFactTemplate* Parent() const noexcept override { return parent_.Get(); }
  void SetParent(TRef<IFactTemplate> parent) override;
  bool BackwardChaining() const noexcept override { return backwardChaining_; }
  void SetBackwardChaining(bool backwardChaining) override { backwardChaining_ = backwardChaining; }
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }
  IReasoner* Owner() const noexcept override { return owner_; }
  bool IsImplied() const noexcept override { return isImplied_; }
  bool HasFuzzySlots() const override;
  std::uint32_t HashCode() const override;

  std::int32_t SlotCount() const noexcept override { return slots_.Count(); }
  bool HasSlot(std::string_view name) const noexcept override;
  IFactSlot* FindSlot(std::string_view name) const noexcept override;
  IFactSlot& GetSlot(std::string_view name) const override;
  IFactSlot* SlotOfType(const IIEDefinedType* type) const noexcept override;
  void AddSlot(std::string_view name, TRef<TIEValue> defaultValue) override;
  void AddMultiSlot(std::string_view name, TRef<TIEValue> defaultValue) override;
  TRef<IFactSlot> AddSlotCopy(const IFactSlot& slot) override;
  void SetSlot(std::string_view name, TRef<IFactSlot> slot) override;
  void RemoveSlot(std::string_view name) override;
  void ClearSlots() override;
  void CopySlotsFrom(const IFactTemplate& source) override;
  std::vector<TRef<IFactSlot>> SlotsInTableOrder() const override;
  const TSlotLayout& SlotLayout() const override;

  TRef<IFact> CreateFact() override;
  void InitializeFact(IFact& fact) override;

  std::string AsString() const override;
  bool Equals(const IFactTemplate* other) const override;
  void Assign(const IFactTemplate& source) override;
  TRef<IFactTemplate> Clone() const override { return CloneFor(owner_); }
  TRef<IFactTemplate> CloneFor(IReasoner* owner) const override;

 private:
  friend class TFactSlot;
  using TSlotTable = TIStringHashTable<IFactSlot>;

  // Told by a slot before it takes a new name: the slot leaves the table
  // under its old name (if it is entered there) and is entered under the new one.
  void SlotRenamed(TFactSlot& slot, std::string_view oldName, std::string_view newName);
  // Told by a slot before its kinds change.
  void SlotTypeChanged() noexcept { fuzzyStale_ = true; }
  // The slot set changed: layout, hash and implied flag follow.
  void SlotsChanged() noexcept;

  std::string name_;
  std::string comment_;
  TRef<IFactTemplate> parent_;
  IReasoner* owner_;
  TSlotTable slots_;
  // Every slot whose back-pointer is this template, in the table or not.
  std::unordered_set<TFactSlot*> members_;
  mutable TRef<TSlotLayout> layout_;  // nullptr: rebuilt on the next request
  mutable std::uint32_t hashCode_ = 0;
  std::int32_t tag_ = 0;
  mutable bool hashStale_ = true;
  mutable bool hasFuzzySlots_ = false;
  mutable bool fuzzyStale_ = true;
  bool isImplied_ = false;
  bool backwardChaining_ = false;
};

}  // namespace fxe
