// Patterns and the tests they are made of. A pattern is one condition element
// of a rule: a template, per slot a list of tests on the slot's value, a
// negation depth, an optional fact-address variable and flags. Slot tests come
// in two kinds: tests inside one pattern (a constant, a variable or a
// predicate call, optionally on one element of a multifield) and join tests
// comparing a slot of the fact entering a join with a slot of a fact already
// in the partial match.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collections/RefCounted.h"
#include "model/IEFactTemplate.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;
class TIEPattern;

// Whether a slot test asks for equality or inequality.
enum TSlotTestType : std::uint8_t { sttEquals, sttNotEquals };
// A join test compares whole slot values (tstSlot) or single elements of
// multifield values (tstMultiSlot); the names are those of the slot kinds.
using TJoinTestType = TTemplateSlotType;

// The relation name of a test conditional element.
inline constexpr std::string_view TestPatternName = "test";
// Generated variable names the rule language cannot write: pivots of
// disjunctions start with this prefix, and so do anonymous wildcards.
inline constexpr std::string_view AnonymousVariablePrefix = "_blank_";

// Old variable name -> new variable name.
using TVariableRenames = std::map<std::string, std::string, std::less<>>;
// A copy of the call in which the variables named in renames are renamed, at
// any depth (nested calls are copied too, the original stays as it is);
// nullptr when the call mentions none of them.
TRef<IFunCall> RenamedCall(const IFunCall& call, const TVariableRenames& renames);

// True for a variable or multifield variable value.
inline bool IsVariableValue(const TIEValue* value) noexcept {
  return value && (value->DType() == dtVariable || value->DType() == dtMultiVariable);
}

// Reads one slot of facts by name, resolving the name to the slot's position
// in the template's slot layout once per layout instead of once per read.
class TSlotAccessor {
 public:
  TSlotAccessor() = default;
  explicit TSlotAccessor(std::string_view name) : name_(name) {}

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view name);

  // The fact's value of the slot; raises "No such slot name: \"%s\"" when the
  // fact's template has no slot of that name.
  TIEValue& ValueOf(IFact& fact) const;
  // The slot's position in the fact's template layout, or -1.
  std::int32_t IndexIn(IFact& fact) const;
  // The fact's stored value of the slot read in place when the fact is laid
  // out as last seen; nullptr otherwise.
  TIEValue* Stored(IFact& fact) const noexcept;
  // Element subIndex of the fact's multifield value of the slot, or the whole
  // value for -1; nullptr when the value has no such element.
  TIEValue* ValueOf(IFact& fact, std::int32_t subIndex) const;
  // As ValueOf, but nullptr when the fact's template has no slot of that name.
  TIEValue* TryValueOf(IFact& fact, std::int32_t subIndex = -1) const;

 private:
  std::string name_;
  // The layout the index belongs to; holding it keeps its address unique.
  mutable TRef<const TSlotLayout> layout_;
  mutable std::int32_t index_ = -1;
};

class TIEJoinTest;

// The common base of slot tests: equal or not equal.
class TIESlotTest {
 public:
  explicit TIESlotTest(TSlotTestType type = sttEquals) noexcept : slotTestType_(type) {}
  virtual ~TIESlotTest() = default;
  TIESlotTest& operator=(const TIESlotTest&) = delete;

  TSlotTestType SlotTestType() const noexcept { return slotTestType_; }
  void SetSlotTestType(TSlotTestType type) noexcept { slotTestType_ = type; }

  // A new test of the same class with the same properties.
  virtual std::unique_ptr<TIESlotTest> Clone() const;
  // Same class and same properties.
  virtual bool Equals(const TIESlotTest& other) const;
  // "=" or "<>".
  virtual std::string AsString() const;
  // Takes the properties the source's class shares with this one.
  virtual void Assign(const TIESlotTest& source);
  // The test as a join test, or nullptr: the network asks this for every
  // test of every token, where a dynamic_cast would cost more than the test.
  virtual const TIEJoinTest* AsJoinTest() const noexcept { return nullptr; }

 protected:
  TIESlotTest(const TIESlotTest&) = default;

 private:
  TSlotTestType slotTestType_;
};

// Compares a slot (or an element of it) of the fact entering a join (the
// right side) with a slot of the fact at TokenIndex of the partial match the
// fact is joined with (the left side).
class TIEJoinTest : public TIESlotTest {
 public:
  const TIEJoinTest* AsJoinTest() const noexcept override { return this; }
  // A whole-slot comparison (tstSlot).
  TIEJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::string_view rightSlot, std::string_view leftSlot);
  // An element comparison (tstMultiSlot); a sub-index of -1 takes the whole value.
  TIEJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::int32_t rightSubIndex, std::string_view rightSlot,
              std::int32_t leftSubIndex, std::string_view leftSlot);

  std::int32_t TokenIndex() const noexcept { return tokenIndex_; }
  void SetTokenIndex(std::int32_t index) noexcept { tokenIndex_ = index; }
  const std::string& LeftIndex() const noexcept { return left_.Name(); }
  void SetLeftIndex(std::string_view slot) { left_.SetName(slot); }
  std::int32_t LeftSubIndex() const noexcept { return leftSubIndex_; }
  void SetLeftSubIndex(std::int32_t index) noexcept { leftSubIndex_ = index; }
  const std::string& RightIndex() const noexcept { return right_.Name(); }
  void SetRightIndex(std::string_view slot) { right_.SetName(slot); }
  std::int32_t RightSubIndex() const noexcept { return rightSubIndex_; }
  void SetRightSubIndex(std::int32_t index) noexcept { rightSubIndex_ = index; }
  TJoinTestType JoinTestType() const noexcept { return joinTestType_; }
  void SetJoinTestType(TJoinTestType type) noexcept { joinTestType_ = type; }

  // Tests the context's fact against its token.
  bool Evaluate(const IIEContext& context) const;
  // Tests fact (the right side) against token (the left side). An element
  // test whose token has no fact at TokenIndex passes, whatever its type.
  bool Evaluate(IFact* fact, const IReteToken* token) const;

  std::unique_ptr<TIESlotTest> Clone() const override;
  bool Equals(const TIESlotTest& other) const override;
  // "= tstSlot TokenIdx: 1 Left: a Right: b" and the like.
  std::string AsString() const override;
  void Assign(const TIESlotTest& source) override;

 protected:
  TIEJoinTest(const TIEJoinTest&) = default;

 private:
  TSlotAccessor left_;
  TSlotAccessor right_;
  std::int32_t tokenIndex_;
  std::int32_t leftSubIndex_ = -1;
  std::int32_t rightSubIndex_ = -1;
  TJoinTestType joinTestType_ = tstSlot;
};

// A test inside one pattern: a constant, a variable or a predicate call
// (SlotValue), on the whole slot or on one element of a multifield.
class TIEPatternMatchTest : public TIESlotTest {
 public:
  // The value is stored as a clone; nullptr means no value.
  TIEPatternMatchTest(TIEPattern* owner, TSlotTestType type, const TIEValue* value, std::int32_t subIndex = -1);

  TIEValue* SlotValue() const noexcept { return slotValue_.Get(); }
  // Stores a clone of the value and tells the owning pattern.
  void SetSlotValue(const TIEValue* value);
  // The element of a multifield slot the test applies to; -1 for the whole slot.
  std::int32_t MultiSlotSubIndex() const noexcept { return subIndex_; }
  void SetMultiSlotSubIndex(std::int32_t index);
  // Joined to the previous test of the same position by "and" (true) or "or".
  bool Conjunction() const noexcept { return conjunction_; }
  void SetConjunction(bool conjunction);
  TIEPattern* Owner() const noexcept { return owner_; }

  // Evaluates SlotValue in the context: sttEquals passes unless the result is
  // the shared FALSE value, sttNotEquals passes exactly when it is.
  bool Evaluate(IIEContext* context) const;

  std::unique_ptr<TIESlotTest> Clone() const override;
  bool Equals(const TIESlotTest& other) const override;
  // "= SubIdx: -1 Slot: red" and the like.
  std::string AsString() const override;
  void Assign(const TIESlotTest& source) override;

 protected:
  TIEPatternMatchTest(const TIEPatternMatchTest& source);

 private:
  friend class TIEPattern;

  TRef<TIEValue> slotValue_;
  TIEPattern* owner_;
  std::int32_t subIndex_ = -1;
  bool conjunction_ = true;
};

// What a pattern needs from the rule that owns it.
class IPatternOwner {
 public:
  // The pattern's tests, flags or owner changed.
  virtual void PatternChanged(TIEPattern& pattern) = 0;
  // A generated variable is bound at a slot (and element) of the pattern.
  virtual void BindGeneratedVariable(TIEPattern& pattern, std::string_view name, std::string_view slotName,
                                     std::int32_t subIndex) = 0;
  // The engine that generates names, or nullptr.
  virtual IReasoner* PatternEngine() const noexcept = 0;
  // Whether a test on the variable at this slot and element of the pattern
  // binds it, rather than comparing with a value bound elsewhere.
  virtual bool BindsVariableAt(const TIEPattern&, std::string_view, std::string_view, std::int32_t) const {
    return true;
  }

 protected:
  ~IPatternOwner() = default;
};

// One condition element of a rule.
class TIEPattern {
 public:
  using TChangeEvent = std::function<void(TIEPattern& sender)>;
  using TTestList = std::vector<std::unique_ptr<TIEPatternMatchTest>>;

  // A pattern on the template with an empty test list for every slot of it,
  // in sorted-name order. An empty name takes the template's name.
  TIEPattern(IPatternOwner* owner, std::int32_t negatedCount, TRef<IFactTemplate> factTemplate,
             std::string_view name = {});
  virtual ~TIEPattern() = default;
  TIEPattern(const TIEPattern&) = delete;
  TIEPattern& operator=(const TIEPattern&) = delete;

  // A new, empty pattern of this pattern's class.
  virtual std::unique_ptr<TIEPattern> Create(IPatternOwner* owner, std::int32_t negatedCount,
                                             TRef<IFactTemplate> factTemplate, std::string_view name) const;

  // --- Properties --------------------------------------------------------------------
  const std::string& Name() const noexcept { return name_; }
  // Stores the name without change notification.
  void SetName(std::string_view name) { name_.assign(name); }
  IFactTemplate* FactTemplate() const noexcept { return template_.Get(); }
  // A new template starts an empty slot-test table for its slots.
  void SetFactTemplate(TRef<IFactTemplate> factTemplate);
  // 0 plain, 1 not, 2 exists, 3 not exists, ...: each level adds a negation.
  std::int32_t NegatedCount() const noexcept { return negatedCount_; }
  void SetNegatedCount(std::int32_t count);
  // A pattern is negated when its negation count is odd.
  bool IsNegated() const noexcept { return (negatedCount_ & 1) != 0; }
  bool IsTest() const noexcept { return name_ == TestPatternName; }
  // The fact-address variable (without "?"); empty when none. Raises "Cannot
  // bind a negated pattern to a variable" for a negated test pattern.
  const std::string& BoundName() const noexcept { return boundName_; }
  void SetBoundName(std::string_view name);
  bool Unique() const noexcept { return unique_; }
  void SetUnique(bool unique);
  bool Explicit() const noexcept { return explicit_; }
  void SetExplicit(bool isExplicit);
  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(std::string_view comment) { comment_.assign(comment); }
  IPatternOwner* Owner() const noexcept { return owner_; }
  void SetOwner(IPatternOwner* owner);
  const TChangeEvent& OnChange() const noexcept { return onChange_; }
  void SetOnChange(TChangeEvent handler) { onChange_ = std::move(handler); }
  // The engine that generates names: the owner's, else the template's.
  IReasoner* Engine() const noexcept;

  // --- Slot-test table -----------------------------------------------------------------
  std::int32_t SlotCount() const noexcept { return static_cast<std::int32_t>(slots_.size()); }
  const std::string& SlotName(std::int32_t slot) const { return Entry(slot).name; }
  // The position of a slot name (case-sensitive), or -1.
  std::int32_t IndexOfSlot(std::string_view name) const noexcept;
  std::int32_t SlotTestCount(std::int32_t slot) const { return static_cast<std::int32_t>(Entry(slot).tests.size()); }
  TIEPatternMatchTest& SlotTest(std::int32_t slot, std::int32_t test) const;
  const TTestList& SlotTests(std::int32_t slot) const { return Entry(slot).tests; }
  // The exact number of elements the slot's multifield must have; -1 for none.
  std::int32_t RequiredLength(std::int32_t slot) const { return Entry(slot).requiredLength; }
  void SetRequiredLength(std::int32_t slot, std::int32_t length);
  // All tests, and those among them joined by "or".
  std::int32_t TestCount() const noexcept { return testCount_; }
  std::int32_t DisjunctionCount() const noexcept { return disjunctionCount_; }

  // Adds a test on the slot: sttNotEquals when negated, the value cloned.
  // Raises "Fact Template is missing" without a template and "No such slot
  // name: \"%s\"" for a slot the template does not have.
  TIEPatternMatchTest& AddTest(std::string_view slotName, const TIEValue* value, bool negated,
                               std::int32_t subIndex = -1, bool conjunction = true);
  // Adds the test (which becomes this pattern's) after the same checks.
  TIEPatternMatchTest& AddTestObject(std::string_view slotName, std::unique_ptr<TIEPatternMatchTest> test);

  // --- Updates, compilation, copies, text --------------------------------------------------
  // While updates nest, changes are not reported; the last EndUpdate reports once.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  bool Updating() const noexcept { return updateCount_ > 0; }
  // Rewrites every group of tests containing an "or" into a pivot variable
  // test followed by one predicate test over "or", "and", "eq", "neq" and
  // "not" calls. A leading variable test is the pivot when it binds the
  // variable; otherwise a generated variable is. A pattern without "or"
  // stays as it is.
  void CompileDisjunctions();
  // A copy of this pattern for a rule of the engine, on that engine's template
  // of the same name; generated variable names are replaced by fresh ones.
  std::unique_ptr<TIEPattern> CopyForEngine(IReasoner* engine) const;
  // Takes every property and a copy of every test of source.
  void Assign(const TIEPattern& source);
  // The pattern as rule-language text.
  virtual std::string AsString() const;

 protected:
  // Reports a change to the owner and OnChange, unless updates are suspended.
  virtual void Changed();
  virtual std::unique_ptr<TIEPatternMatchTest> CreateTest(TSlotTestType type, const TIEValue* value,
                                                          std::int32_t subIndex);
  virtual std::unique_ptr<TIEPatternMatchTest> CopyTest(const TIEPatternMatchTest& source);

 private:
  friend class TIEPatternMatchTest;

  struct TSlotEntry {
    std::string name;
    TTestList tests;
    std::int32_t requiredLength = -1;
  };

  const TSlotEntry& Entry(std::int32_t slot) const;
  TSlotEntry& Entry(std::int32_t slot);
  // The entry of a slot name, created in sorted position when missing.
  TSlotEntry& EntryFor(std::string_view name);
  void ResetSlots();
  void CopyFrom(const TIEPattern& source);
  std::string TestsText(const TSlotEntry& entry, std::int32_t& generated) const;
  // Notifications from this pattern's tests.
  void TestChanged() { Changed(); }
  void ConjunctionChanged(bool conjunction);

  std::string name_;
  std::string boundName_;
  std::string comment_;
  TRef<IFactTemplate> template_;
  std::vector<TSlotEntry> slots_;
  IPatternOwner* owner_;
  TChangeEvent onChange_;
  std::int32_t negatedCount_;
  std::int32_t testCount_ = 0;
  std::int32_t disjunctionCount_ = 0;
  std::int32_t updateCount_ = 0;
  bool unique_ = false;
  bool explicit_ = false;
};

}  // namespace fxe
