// Facts and fact sets. A fact holds one value per slot of its template and
// the index the engine gives it on assertion; it compares, hashes and prints
// itself for the fact base. A fact set (deffacts) is a named list of fact
// texts asserted on every reset. The fact-level work of modify and duplicate
// is here too.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/RefCounted.h"
#include "model/IEFactTemplate.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;

// A fact keeps its values in an array in the sorted-name order of its
// template's slot layout. A missing value stands for the slot's default and is
// created on first read. When the template's slots change, the fact moves its
// values to the new layout by name the next time it is used.
class TFact final : public IFact {
 public:
  explicit TFact(TRef<IFactTemplate> factTemplate = nullptr);
  // A fact of factTemplate that becomes a copy of source (see Assign).
  TFact(TRef<IFactTemplate> factTemplate, const IFact& source);
  TFact(const TFact&) = delete;
  TFact& operator=(const TFact&) = delete;

  std::int32_t ID() const override { return id_; }
  void SetID(std::int32_t id) override { id_ = id; }
  std::int32_t Tag() const override { return tag_; }
  void SetTag(std::int32_t tag) override { tag_ = tag; }

  TRef<IFactTemplate> GetTemplate() const override { return template_; }
  IFactTemplate* Template() const noexcept override { return template_.Get(); }
  void SetTemplate(TRef<IFactTemplate> factTemplate) override;

  TRef<TIEValue> GetSlotValue(std::string_view name) override;
  TRef<TIEValue> TryGetSlotValue(std::string_view name) override;
  void SetSlotValue(std::string_view name, TRef<TIEValue> value) override;
  std::int32_t SlotCount() const override;
  IFactSlot& SlotAt(std::int32_t index) const override;
  TIEValue& SlotValueAt(std::int32_t index) override;
  const TIEValue* PeekSlotValue(std::int32_t index) const override;
  void SetSlotValueAt(std::int32_t index, TRef<TIEValue> value) override;
  void AssignValues(const IFact& source) override;
  void Assign(const IFact& source) override;
  TRef<IFact> Clone() const override;

  bool Equals(const IFact& other) const override;
  std::uint32_t HashCode() const override;
  std::string AsString() const override;
  std::string AsStringWithID() const override;

  // Hot paths that hold a position in a layout read the stored value
  // directly: the value at index when the fact's values are laid out by
  // layout and the value exists, else nullptr (take the general way then).
  TIEValue* StoredValueIn(const TSlotLayout* layout, std::int32_t index) const noexcept {
    return layout_.Get() == layout ? values_[index].Get() : nullptr;
  }

 private:
  using TValues = std::unique_ptr<TRef<TIEValue>[]>;

  // Brings the value array in line with the template's current layout.
  // Moving values is not a visible change, hence const.
  void Sync() const;
  std::int32_t CheckedIndex(std::int32_t index) const;
  std::int32_t IndexOfSlot(std::string_view name) const;
  // The value at index, created from the slot's default when missing.
  TIEValue& Materialize(std::int32_t index) const;
  const TIEValue* Peek(std::int32_t index) const noexcept;
  // Stores value at index; with dynamic type checking a value the slot does
  // not accept is converted where possible, else refused.
  void Store(std::int32_t index, TRef<TIEValue> value);
  // The values of this fact moved to layout by slot name.
  TValues Remap(const TSlotLayout& layout) const;
  // Takes over template, layout and values of a fact built aside.
  void TakeContents(TFact& other) noexcept;

  TRef<IFactTemplate> template_;
  mutable TRef<const TSlotLayout> layout_;
  mutable TValues values_;
  std::int32_t id_ = -1;
  std::int32_t tag_ = 0;
};

// modify: retracts the fact with the index that factIndex evaluates to, sets
// the slots named by the slot changes (multifields: a slot name, then
// expressions), resolves its values in the context and asserts it again, also
// when setting a slot failed. The result is a fact-index value holding the
// index of the assertion (-1 when it was refused as a duplicate).
TRef<TIEValue> ModifyFact(IReasoner& engine, IIEContext* context, TIEValue& factIndex,
                          std::span<const TRef<TIEValue>> slotChanges);
// duplicate: asserts a copy of the fact with the given slots changed; the
// fact itself stays as it is.
TRef<TIEValue> DuplicateFact(IReasoner& engine, IIEContext* context, TIEValue& factIndex,
                             std::span<const TRef<TIEValue>> slotChanges);

// A named list of fact texts (deffacts). Each line carries the fact parsed from
// it by the engine, when one has been parsed.
class TFactSet {
 public:
  explicit TFactSet(IReasoner* engine = nullptr, std::string_view name = "FactSet");
  ~TFactSet();
  TFactSet(const TFactSet&) = delete;
  TFactSet& operator=(const TFactSet&) = delete;

  const std::string& FactSetName() const noexcept { return name_; }
  // Renaming a set tells its engine, which finds its sets by name.
  void SetFactSetName(std::string_view name);
  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(std::string_view comment) { comment_.assign(comment); }
  IReasoner* Engine() const noexcept { return engine_; }
  // Moves the set to another engine's fact-set collection and re-reads every
  // line with it (or lets go of the facts when there is no engine).
  void SetEngine(IReasoner* engine);

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(lines_.size()); }
  const std::string& Line(std::int32_t index) const;
  std::vector<std::string> Lines() const;
  // Replaces the lines; with an engine each line is read into a fact at once
  // (a line the engine cannot read is kept without a fact).
  void SetFacts(std::span<const std::string> lines);
  // The fact of a line, read from the line first when none is attached and
  // there is an engine; nullptr without either.
  TRef<IFact> Fact(std::int32_t index);
  // Appends the fact's printed form as a new line carrying the fact.
  std::int32_t AddFact(TRef<IFact> fact);
  void DeleteFact(std::int32_t index);
  void Clear() noexcept { lines_.clear(); }

  // Asserts a resolved copy of every line's fact; lines that cannot be read
  // or copied are skipped.
  void AssertFacts();
  // Copies name, comment and facts (re-read by this set's engine when it has one).
  void Assign(const TFactSet& source);
  // The deffacts text.
  std::string AsString() const;

 private:
  struct TLine {
    std::string text;
    TRef<IFact> fact;
  };
  // The line's fact read by the engine; nullptr when it cannot be read.
  TRef<IFact> TryParse(const std::string& text) const;
  void CheckIndex(std::int32_t index) const;

  std::vector<TLine> lines_;
  std::string name_;
  std::string comment_;
  IReasoner* engine_ = nullptr;
};

}  // namespace fxe
