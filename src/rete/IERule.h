// Rules: one defrule each, with a name, a salience, flags, the patterns of the
// left-hand side and the function calls of the right-hand side. A rule
// records where every pattern variable is first bound; the Rete network
// compiles it from the patterns and these bindings, and when an activation
// fires, the rule binds the matched values in a fresh context and runs its
// actions there.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/OpenHashMap.h"
#include "collections/RefCounted.h"
#include "model/IEContext.h"
#include "model/IESlotTest.h"
#include "model/IReasoner.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

// The variable holding the name of the rule whose actions run.
inline constexpr std::string_view RuleVariableName = "__RULE";
// Patterns on templates of this prefix are goals of backward chaining.
inline constexpr std::string_view GoalPatternPrefix = "need-";
// Prefix of the generated fact-address variable of a goal pattern.
inline constexpr std::string_view GoalBindingPrefix = "__factidx";
// The implied template of the engine's initial fact, and that of the fact
// filling the position of a negated pattern in a partial match.
inline constexpr std::string_view InitialFactTemplateName = "Initial-Fact";
inline constexpr std::string_view NegationTemplateName = "__NOT-OR-TEST-CE*";
// Default rule names are this prefix and the rule number.
inline constexpr std::string_view DefaultRulePrefix = "Rule_";

class TRule : public IPatternOwner, private IReasonerWatcher {
 public:
  using TFireEvent = std::function<void(TRule& sender, TIEContext& context)>;
  using TChangeEvent = std::function<void(TRule& sender)>;
  using TPatternList = std::vector<std::unique_ptr<TIEPattern>>;
  using TActionList = std::vector<TRef<IFunCall>>;
  using TRenames = TVariableRenames;

  // A rule of the engine (which may be nullptr), named "Rule_" and the rule
  // number the engine gives it.
  explicit TRule(IReasoner* engine = nullptr);
  virtual ~TRule();
  TRule(const TRule&) = delete;
  TRule& operator=(const TRule&) = delete;

  // --- Properties ----------------------------------------------------------------------
  const std::string& RuleName() const noexcept { return name_; }
  // Refuses a name with a blank or one of ' " # ( ) [ ] ? : $ & ; < > and keeps
  // the old one. A rule registered in its engine moves to the new name there
  // (which raises when another rule has it).
  void SetRuleName(std::string_view name);
  std::int32_t RuleNumber() const noexcept { return ruleNumber_; }
  std::int32_t Salience() const noexcept { return salience_; }
  // Also makes the salience expression this integer.
  void SetSalience(std::int32_t salience);
  // A constant, variable or call evaluated for the salience.
  TIEValue* SalienceExpression() const noexcept { return salienceExpression_.Get(); }
  // Evaluates it at once; a new expression or salience is reported as a change.
  void SetSalienceExpression(TRef<TIEValue> expression);
  // Evaluates the salience expression (in a child of the engine's context) and
  // makes the result the salience; the expression stays, so a salience read
  // from a global follows the global. Without an engine only a constant
  // expression is taken.
  virtual std::int32_t EvaluateSalience();
  bool OneShot() const noexcept { return oneShot_; }
  void SetOneShot(bool oneShot);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool enabled);
  // While guarded the rule gets no new activations. Not a change of the rule:
  // the network keeps it as compiled (a rule's own actions use it so that
  // what they assert cannot activate the rule again).
  bool Guarded() const noexcept { return guarded_; }
  void SetGuarded(bool guarded) noexcept { guarded_ = guarded; }
  // Set when the rule fires; ResetFired clears it (the engine's reset does).
  bool Fired() const noexcept { return fired_; }
  virtual void ResetFired() noexcept { fired_ = false; }
  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(std::string_view comment);
  IReasoner* Engine() const noexcept { return engine_; }
  // Moves the rule to another engine with a new rule number; the caller
  // registers it there. A rule registered in its engine's rules belongs to
  // them and refuses to move.
  void SetEngine(IReasoner* engine);
  // What the network noted while compiling the rule.
  const std::string& CompilationTrace() const noexcept { return compilationTrace_; }
  void SetCompilationTrace(std::string trace) { compilationTrace_ = std::move(trace); }
  const TFireEvent& OnFire() const noexcept { return onFire_; }
  void SetOnFire(TFireEvent handler) { onFire_ = std::move(handler); }
  const TChangeEvent& OnChange() const noexcept { return onChange_; }
  void SetOnChange(TChangeEvent handler) { onChange_ = std::move(handler); }

  // --- Patterns ------------------------------------------------------------------------------
  std::int32_t PatternCount() const noexcept { return static_cast<std::int32_t>(patterns_.size()); }
  TIEPattern& Pattern(std::int32_t index) const;
  const TPatternList& Patterns() const noexcept { return patterns_; }
  // Appends the pattern and prepares it: the initial pattern goes in front
  // of a first pattern that is negated, a test or a backward-chaining goal;
  // its variables are bound; anonymous variables of a negated pattern are
  // renamed; its "or" connectives are compiled; a goal pattern gets its
  // fact-address variable and a negated pattern on its target behind it.
  // Raises "Unknown/Undefined Inference Engine" without an engine and "First
  // Use of Variable is negated, variable name is %s"; on failure the rule is
  // left as it was.
  TIEPattern& AddPattern(std::unique_ptr<TIEPattern> pattern);
  // Removes all patterns and bindings.
  void ClearPatterns();
  // Replaces patterns and bindings by copies of the patterns, leaving out a
  // pattern that follows a goal pattern (adding the goal makes it again).
  void SetPatterns(std::span<const std::unique_ptr<TIEPattern>> patterns);

  // --- Actions -------------------------------------------------------------------------------
  std::int32_t ActionCount() const noexcept { return static_cast<std::int32_t>(actions_.size()); }
  IFunCall& Action(std::int32_t index) const;
  const TActionList& Actions() const noexcept { return actions_; }
  void AddAction(TRef<IFunCall> action);
  void ClearActions();
  // Replaces the actions by copies of the calls.
  void SetActions(std::span<const TRef<IFunCall>> actions);

  // --- Bindings ------------------------------------------------------------------------------
  // A binding of the variable at a pattern position, slot and element; an
  // equal binding that exists already is returned instead of a new one.
  TBinding& AddBinding(std::string_view name, std::int32_t patternPosition, std::int32_t subIndex,
                       std::string_view slotName);
  // The first binding of the name, or nullptr.
  TBinding* FindBinding(std::string_view name) const noexcept;
  std::int32_t BindingIndex(std::string_view name) const noexcept;
  TBinding& Binding(std::int32_t index) const;
  std::int32_t BindingCount() const noexcept { return static_cast<std::int32_t>(bindings_.size()); }

  // --- Firing ------------------------------------------------------------------------------------
  // Binds every pattern variable to its value in the token's facts (facts of
  // negated patterns bind nothing) and "__RULE" to the rule name.
  virtual void BindToken(const IReteToken& token, TIEContext& context);
  // Runs the actions in order in a child of the engine's context in which the
  // pattern variables read the token's facts, until one of them returns.
  // The variables are bound by position (the actions' variables are found by
  // identity); names are looked up only where a function asks by name.
  virtual void Fire(const IReteToken& token);

  // --- Updates, copies, text ---------------------------------------------------------------------
  void BeginUpdate() noexcept { ++updateCount_; }
  // The last EndUpdate reports the change.
  void EndUpdate();
  bool Updating() const noexcept { return updateCount_ > 0; }
  // Becomes a copy of source: within one engine, name, flags, comment, copies
  // of patterns and actions and the salience expression; from another engine
  // through the rule's text parsed by this rule's engine.
  void Assign(const TRule& source);
  // Replaces call by a copy in which the variables named in renames are
  // renamed, at any depth; call stays when it mentions none of them.
  static void RenameVariables(TRef<IFunCall>& call, const TRenames& renames);
  // The rule as rule-language text.
  std::string AsString() const;

  // --- IPatternOwner ------------------------------------------------------------------------------
  void PatternChanged(TIEPattern& pattern) override;
  void BindGeneratedVariable(TIEPattern& pattern, std::string_view name, std::string_view slotName,
                             std::int32_t subIndex) override;
  IReasoner* PatternEngine() const noexcept override { return engine_; }
  // True unless the rule's first binding of the name lies elsewhere.
  bool BindsVariableAt(const TIEPattern& pattern, std::string_view name, std::string_view slotName,
                       std::int32_t subIndex) const override;

 protected:
  // Tells the engine (which recompiles the rule registered under the name)
  // and OnChange, unless updates are suspended.
  virtual void Changed();

 private:
  // A binding and the slot reader that finds its value in facts.
  struct TBindingEntry {
    TBinding binding;
    TSlotAccessor slot;
    enum class EKind : std::uint8_t { Local, Fact, Slot } kind;
    // The fact-address value given to the actions, reused between firings.
    TRef<TIEValue> factAddress;
  };
  friend class TFiringContext;
  // Where a firing keeps the values of the rule's variables: one slot per
  // distinct variable name, the variables of the actions by identity.
  struct TFrameLayout {
    std::vector<std::string> names;
    // The frame slot each binding fills (-1 for locals), by binding index.
    std::vector<std::int32_t> bindingSlots;
    // The variables of the actions by identity; the layout keeps them alive,
    // so an address found here is always that variable.
    TOpenHashMap<std::int32_t> actionVariables;
    std::vector<TRef<TIEValue>> pinned;
    std::int32_t ruleSlot = -1;
    bool valid = false;
    std::int32_t IndexOfName(std::string_view name) const noexcept;
  };
  struct TFrameSlot {
    TRef<TIEValue> value;
    TBinding* binding = nullptr;  // the context's binding once a function asked for it by name
    bool bound = false;
  };
  void BuildFrameLayout(TFrameLayout& layout) const;
  // Fills the frame from the token's facts.
  void BindFrame(const IReteToken& token, const TFrameLayout& layout, std::vector<TFrameSlot>& frame);

  void ReasonerDestroyed(IReasoner& reasoner) override;
  void Watch(IReasoner* engine);
  bool IsRegistered() const;
  // Inserts the pattern at index and prepares it (AddPattern's steps).
  void InsertPattern(std::size_t index, std::unique_ptr<TIEPattern> pattern);
  void PreparePattern(std::size_t position);
  std::int32_t PositionOf(const TIEPattern& pattern) const;

  std::string name_;
  std::string comment_;
  std::string compilationTrace_;
  TRef<TIEValue> salienceExpression_;
  TRef<TIEValue> nameValue_;  // the rule name as the string "__RULE" is bound to
  TActionList actions_;
  TPatternList patterns_;
  std::deque<TBindingEntry> bindings_;
  TFrameLayout layout_;
  std::vector<TFrameSlot> frame_;
  bool frameBusy_ = false;
  IReasoner* engine_;
  TFireEvent onFire_;
  TChangeEvent onChange_;
  std::int32_t ruleNumber_ = 0;
  std::int32_t salience_ = 0;
  std::int32_t updateCount_ = 0;
  bool oneShot_ = false;
  bool fired_ = false;
  bool enabled_ = true;
  bool guarded_ = false;
};

}  // namespace fxe
