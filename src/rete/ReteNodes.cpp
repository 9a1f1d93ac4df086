// The network's nodes: alpha tests with fuzzy grades and multifield
// segmentation, test nodes, joins with their memories, negation, prefix joins
// and backward-chaining goals, and terminal nodes with their activations.
#include "rete/ReteNodes.h"

#include <algorithm>
#include <optional>
#include <typeinfo>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"

namespace fxe {

namespace {

constexpr std::string_view kCallTypeNames[] = {"ctLeft", "ctRight", "ctSingle", "ctActivate"};
constexpr std::string_view kTestNames[] = {"pmtUnknown",
                                           "pmtTestClassType",
                                           "pmtTestEqual",
                                           "pmtTestNotEqual",
                                           "pmtTestSlotValueEqual",
                                           "pmtTestSlotValueNotEqual",
                                           "pmtTestMultiSlotEqual",
                                           "pmtTestMultiSlotNotEqual",
                                           "pmtTestMultiSlotLength",
                                           "pmtTestMultiSlotMultiField",
                                           "pmtFailTest"};
static_assert(std::size(kTestNames) == pmtFailTest + 1, "one name per pattern-match test");

bool IsFuzzy(const TIEValue& value) noexcept { return value.DType() == dtFuzzy && value.FuzzyPtr(); }

bool IsNumber(const TIEValue& value) noexcept { return value.DType() == dtInteger || value.DType() == dtFloat; }

// The empty-symbol value a multislot holds when it was never given a list.
bool IsEmptySymbol(const TIEValue& value) noexcept { return value.DType() == dtAtom && value.Text().empty(); }

bool SameFuzzySets(const IFuzzySet& a, const IFuzzySet& b) noexcept {
  const TFuzzySetValues& x = a.Values();
  const TFuzzySetValues& y = b.Values();
  if (x.Count() != y.Count()) return false;
  for (int i = 0; i < x.Count(); ++i) {
    if (!SameDouble(x.Items(i).X(), y.Items(i).X()) || !SameDouble(x.Items(i).Y(), y.Items(i).Y())) return false;
  }
  return true;
}

std::uint32_t MixSignature(std::uint32_t h, std::uint32_t v) noexcept {
  h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
  h *= 0x85EBCA6Bu;
  return h ^ (h >> 13);
}

// Points the network's node context at a token and a fact for one
// evaluation, and back at what it pointed at before (evaluations nest when a
// call changes the fact base).
class TEvaluationScope {
 public:
  TEvaluationScope(TReteNodeContext& context, const IReteToken* token, IFact* fact) noexcept
      : context_(context), token_(context.CurrentToken()), fact_(context.CurrentFact()) {
    context_.Point(token, fact);
  }
  ~TEvaluationScope() { context_.Point(token_, fact_); }
  TEvaluationScope(const TEvaluationScope&) = delete;
  TEvaluationScope& operator=(const TEvaluationScope&) = delete;

 private:
  TReteNodeContext& context_;
  IReteToken* token_;
  IFact* fact_;
};

}  // namespace

std::string_view CallTypeName(TCallType type) noexcept {
  return type <= ctActivate ? kCallTypeNames[type] : std::string_view("ctUnknown");
}

std::string_view PatternMatchTestName(TPatternMatchTest test) noexcept {
  return test <= pmtFailTest ? kTestNames[test] : std::string_view("pmtUnknown");
}

// --- TReteNode -----------------------------------------------------------------------------------

std::string TReteNode::AsString() const {
  return Caption() + " In/Out#: " + std::to_string(InDegree()) + "/" + std::to_string(OutDegree()) +
         " RuleUse: " + std::to_string(ruleUseCount_);
}

void TReteNode::OutgoingChanged() noexcept {
  successors_.clear();
  for (TGGraphEdge* edge : OutgoingEdges()) {
    auto* reteEdge = static_cast<TReteEdge*>(edge);
    successors_.push_back({static_cast<TReteNode*>(edge->ToNode()), reteEdge->CallType()});
  }
}

void TReteNode::Propagate(TIEToken& token) {
  if (rete_->Quiet()) return PropagateQuietly(token);
  // By position: the successors may change while tokens travel.
  for (std::size_t i = 0; i < successors_.size(); ++i) {
    const TSuccessor next = successors_[i];
    if (!next.node->dead_) next.node->CallNode(token, next.callType);
  }
}

void TReteNode::PropagateQuietly(TIEToken& token) {
  for (std::size_t i = 0; i < successors_.size(); ++i) {
    const TSuccessor next = successors_[i];
    if (next.node->dead_) continue;
    try {
      next.node->CallNode(token, next.callType);
    } catch (const std::exception&) {
      // While a fact is withdrawn, a test that raises stops only its own path.
    }
  }
}

// --- TPatternMatchNode ---------------------------------------------------------------------------

TPatternMatchNode::TPatternMatchNode(TReteNetwork& rete, TPatternMatchTest test, TRef<TIEValue> value,
                                     TNodeArguments arguments)
    : TReteNode(rete), test_(test), value_(std::move(value)), arguments_(std::move(arguments)) {
  first_.SetName(TextArgument(0));
  if (test_ == pmtTestSlotValueEqual || test_ == pmtTestSlotValueNotEqual) second_.SetName(TextArgument(1));
  if ((test_ == pmtTestEqual || test_ == pmtTestNotEqual) && value_) {
    switch (value_->DType()) {
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtFactId:
      case dtFloat:
        constantKind_ = value_->DType();
        break;
      default:
        break;
    }
  }
}

bool TPatternMatchNode::CompareConstant(const TIEValue& actual) const noexcept {
  // Strict equality of two plain values: the kinds agree and so do the payloads.
  if (actual.DType() != constantKind_) return false;
  switch (constantKind_) {
    case dtInteger:
    case dtFactId:
      return actual.RawInteger() == value_->RawInteger();
    case dtFloat: {
      const double a = actual.RawFloat();
      const double b = value_->RawFloat();
      return !(a < b) && !(a > b);
    }
    default:
      return actual.Text() == value_->Text();
  }
}

const std::string& TPatternMatchNode::TextArgument(std::size_t index) const {
  static const std::string none;
  if (index >= arguments_.size()) return none;
  const auto* text = std::get_if<std::string>(&arguments_[index]);
  return text ? *text : none;
}

std::int32_t TPatternMatchNode::IntArgument(std::size_t index) const {
  if (index >= arguments_.size()) return -1;
  const auto* number = std::get_if<std::int32_t>(&arguments_[index]);
  return number ? *number : -1;
}

std::string TPatternMatchNode::AsString() const {
  std::string text = TReteNode::AsString();
  text += " Value: ";
  if (value_) value_->AppendText(text);
  text += " Test: ";
  text += PatternMatchTestName(test_);
  if (!arguments_.empty()) {
    text += " Args: (";
    for (std::size_t i = 0; i < arguments_.size(); ++i) {
      if (i > 0) text += ", ";
      if (const auto* name = std::get_if<std::string>(&arguments_[i])) {
        text += *name;
      } else {
        text += std::to_string(std::get<std::int32_t>(arguments_[i]));
      }
    }
    text += ')';
  }
  return text;
}

bool TPatternMatchNode::PassesClass(const IFactTemplate* factTemplate) const {
  if (test_ != pmtTestClassType || !value_) return false;
  const std::string_view name = value_->Text();
  for (const IFactTemplate* t = factTemplate; t; t = t->Parent()) {
    if (t->Name() == name) return true;
  }
  return false;
}

bool TPatternMatchNode::IsSameTest(TPatternMatchTest test, const TIEValue* value,
                                   const TNodeArguments& arguments) const {
  if (test != test_ || arguments != arguments_) return false;
  if (!value || !value_) return !value && !value_;
  // Fuzzy constants share a node only when their sets are equal: the grade
  // of one set in another says nothing about how the two match facts.
  if (IsFuzzy(*value) || IsFuzzy(*value_)) {
    return IsFuzzy(*value) && IsFuzzy(*value_) && SameFuzzySets(*value->FuzzyPtr(), *value_->FuzzyPtr());
  }
  return value_->Equals(value);
}

bool TPatternMatchNode::CallNode(TIEToken& token, TCallType) {
  if (token.Tag() == taClear) {
    Propagate(token);
    return false;
  }
  IFact* fact = token.Fact();
  if (!fact) return false;
  if (constantKind_ != dtNone) {
    // A plain constant against a value stored in place: no fuzzy grades.
    const TIEValue* actual = first_.Stored(*fact);
    if (actual && actual->DType() != dtFuzzy) {
      const bool pass = CompareConstant(*actual) != (test_ == pmtTestNotEqual);
      if (pass) Propagate(token);
      return pass;
    }
  }
  if (test_ == pmtTestMultiSlotMultiField) {
    Segment(token, *fact);
    return true;
  }
  TOutcome outcome;
  try {
    outcome = Evaluate(token);
  } catch (const EIEException& e) {
    Raise<EIEException>(IEConsts::SPatternMatchError, e.what(), AsString());
  }
  Pass(token, outcome);
  return outcome.pass;
}

void TPatternMatchNode::Pass(TIEToken& token, const TOutcome& outcome) {
  if (!outcome.pass) return;
  if (!outcome.weaker) {
    Propagate(token);
    return;
  }
  if (outcome.strength < Rete().MinActivationStrength()) return;
  TTokenHold weaker(TIEToken::NewCopy(Rete().Pool(), token));
  weaker->SetStrength(outcome.strength);
  Propagate(*weaker);
}

bool TPatternMatchNode::EvaluateCall(TIEToken& token, IFact& fact) {
  TEvaluationScope scope(Rete().NodeContext(), &token, &fact);
  const TRef<TIEValue> result = value_->Evaluate(&Rete().NodeContext());
  return result.Get() != SharedValues().False.Get();
}

TPatternMatchNode::TOutcome TPatternMatchNode::Evaluate(TIEToken& token) {
  IFact& fact = *token.Fact();
  switch (test_) {
    case pmtTestClassType:
      return {PassesClass(fact.Template())};
    case pmtTestEqual:
    case pmtTestNotEqual: {
      const bool negate = test_ == pmtTestNotEqual;
      if (value_ && value_->DType() == dtFunCall) return {EvaluateCall(token, fact) != negate};
      const TIEValue* actual = first_.TryValueOf(fact);
      if (!actual || !value_) return {};
      return Compare(token, *value_, negate, *actual);
    }
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual: {
      const TIEValue* a = first_.TryValueOf(fact, IntArgument(2));
      const TIEValue* b = second_.TryValueOf(fact, IntArgument(3));
      if (!a || !b) return {};
      return Compare(token, *a, test_ == pmtTestSlotValueNotEqual, *b);
    }
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual: {
      const bool negate = test_ == pmtTestMultiSlotNotEqual;
      const TIEValue* slot = first_.TryValueOf(fact);
      const TValueVector* list = slot ? slot->ListPtr() : nullptr;
      const std::int32_t index = IntArgument(1);
      if (!list || index < 0 || list->Count() <= index) return {};
      if (value_ && value_->DType() == dtFunCall) return {EvaluateCall(token, fact) != negate};
      const TIEValue* element = list->Item(index).Get();
      if (!element || !value_) return {};
      return Compare(token, *value_, negate, *element);
    }
    case pmtTestMultiSlotLength: {
      const TIEValue* slot = first_.TryValueOf(fact);
      const TValueVector* list = slot ? slot->ListPtr() : nullptr;
      return {list && list->Count() == IntArgument(1)};
    }
    default:
      return {};
  }
}

bool TPatternMatchNode::TestValues(TIEToken& token, const TIEValue& expected, bool negate, const TIEValue& actual) {
  const TOutcome outcome = Compare(token, expected, negate, actual);
  Pass(token, outcome);
  return outcome.pass;
}

// A passing comparison of the given match grade: it weakens a token that is
// stronger than the grade.
TPatternMatchNode::TOutcome TPatternMatchNode::PassWithGrade(const TIEToken& token, TFzyFloat grade) noexcept {
  const auto g = static_cast<float>(grade);
  if (token.Strength() > g) return {true, true, g};
  return {true};
}

TPatternMatchNode::TOutcome TPatternMatchNode::Compare(const TIEToken& token, const TIEValue& expected, bool negate,
                                                       const TIEValue& actual) {
  // Two sets: whether they are equal and the grade of their match come from
  // one walk over both.
  if (!negate && &actual != &expected && IsFuzzy(actual) && IsFuzzy(expected)) {
    const std::optional<TFzyFloat> grade = actual.FuzzyPtr()->MatchSetIfEqual(*expected.FuzzyPtr());
    if (!grade) return {};
    return PassWithGrade(token, *grade);
  }
  bool same = actual.Equals(&expected);
  if (negate) same = !same;
  if (!same) return {};
  const bool actualFuzzy = IsFuzzy(actual);
  const bool expectedFuzzy = IsFuzzy(expected);
  if (!actualFuzzy && !expectedFuzzy) return {true};
  // The grade of the crisp side in the fuzzy side's set (for two sets, the
  // height of their intersection, kept as the fact's set's match grade).
  TFzyFloat grade = 0.0;
  if (actualFuzzy && expectedFuzzy) {
    grade = actual.FuzzyPtr()->MatchSet(*expected.FuzzyPtr());
  } else if (actualFuzzy) {
    if (IsNumber(expected)) grade = actual.FuzzyPtr()->MatchNumber(expected.AsFloat());
  } else if (IsNumber(actual)) {
    grade = expected.FuzzyPtr()->MatchNumber(actual.AsFloat());
  }
  return PassWithGrade(token, grade);
}

void TPatternMatchNode::Segment(TIEToken& token, IFact& fact) {
  const TIEValue* slot = first_.TryValueOf(fact);
  if (!slot) return;
  if (IsEmptySymbol(*slot)) {
    Propagate(token);
    return;
  }
  const TValueVector* list = slot->ListPtr();
  const std::int32_t p = IntArgument(1);
  if (!list || p < 0) return;
  const std::int32_t n = list->Count();
  const std::int32_t slotIndex = first_.IndexIn(fact);
  const TRef<IFactTemplate> factTemplate = fact.GetTemplate();
  const std::uint32_t slotHash = StringHash(first_.Name());
  // Longest segment first: the copies hold the elements before p, the
  // segment as one nested list, then the rest.
  for (std::int32_t k = n - p; k >= 0; --k) {
    auto copy = MakeRef<TFact>(factTemplate);
    copy->SetID(fact.ID());
    for (std::int32_t i = 0; i < fact.SlotCount(); ++i) {
      if (i != slotIndex) copy->SetSlotValueAt(i, TRef<TIEValue>(&fact.SlotValueAt(i)));
    }
    auto items = MakeRef<TValueVector>();
    items->Reserve(static_cast<std::size_t>(n - k + 1));
    for (std::int32_t i = 0; i < p; ++i) items->Add(list->Item(i));
    auto segment = MakeRef<TValueVector>();
    segment->Reserve(static_cast<std::size_t>(k));
    for (std::int32_t i = p; i < p + k; ++i) segment->Add(list->Item(i));
    items->Add(NewList(std::move(segment)));
    for (std::int32_t i = p + k; i < n; ++i) items->Add(list->Item(i));
    copy->SetSlotValueAt(slotIndex, NewList(std::move(items)));
    std::uint32_t signature = MixSignature(token.CopySignature(), slotHash);
    signature = MixSignature(signature, static_cast<std::uint32_t>(p));
    signature = MixSignature(signature, static_cast<std::uint32_t>(k) + 1u);
    TTokenHold part(TIEToken::NewFromFact(Rete().Pool(), token.Tag(), std::move(copy), signature));
    Propagate(*part);
  }
}

// --- TTestNode ------------------------------------------------------------------------------------

std::string TTestNode::AsString() const {
  std::string text = TReteNode::AsString();
  text += " NumTests: " + std::to_string(tests_.size());
  for (const auto& test : tests_) text += " (" + test->AsString() + ")";
  return text;
}

TIEPatternMatchTest& TTestNode::AddFunctionTest(TSlotTestType type, std::string_view, const TIEValue& value,
                                                std::int32_t subIndex) {
  auto test = std::make_unique<TIEPatternMatchTest>(nullptr, type, &value, subIndex);
  TIEPatternMatchTest& added = *test;
  tests_.push_back(std::move(test));
  return added;
}

void TTestNode::DeleteTest(std::int32_t index) {
  CheckIndex<EIEException>(index, static_cast<std::int32_t>(tests_.size()));
  tests_.erase(tests_.begin() + index);
}

bool TTestNode::HasFunctionTest() const noexcept {
  return std::any_of(tests_.begin(), tests_.end(),
                     [](const auto& test) { return dynamic_cast<const TIEPatternMatchTest*>(test.get()); });
}

bool TTestNode::IsSameNode(const TTestNode& other) const {
  if (typeid(*this) != typeid(other) || tests_.size() != other.tests_.size()) return false;
  if (HasFunctionTest() || other.HasFunctionTest()) return false;
  for (const auto& test : tests_) {
    const bool found = std::any_of(other.tests_.begin(), other.tests_.end(),
                                   [&](const auto& candidate) { return test->Equals(*candidate); });
    if (!found) return false;
  }
  return true;
}

bool TTestNode::EvaluateTests(const TIEToken& left, IFact* fact) {
  TReteStatistics& statistics = Rete().Statistics();
  for (const auto& test : tests_) {
    ++statistics.joinTestsRun;
    if (const TIEJoinTest* join = test->AsJoinTest()) {
      if (!join->Evaluate(fact, &left)) return false;
      continue;
    }
    TEvaluationScope scope(Rete().NodeContext(), &left, fact);
    if (!static_cast<const TIEPatternMatchTest&>(*test).Evaluate(&Rete().NodeContext())) return false;
  }
  return true;
}

bool TTestNode::CallNode(TIEToken& token, TCallType) {
  if (token.Tag() == taClear) {
    Propagate(token);
    return false;
  }
  if (!EvaluateTests(token, nullptr)) return false;
  // The test's own position holds the negation fact, as a negated pattern's
  // does, so that the patterns after it keep their positions.
  TTokenHold extended(TIEToken::NewExtension(Rete().Pool(), token, nullptr, Rete().NegationFact()));
  Propagate(*extended);
  return true;
}

// --- TJoinNode ------------------------------------------------------------------------------------

TJoinNode::TJoinNode(TReteNetwork& rete, bool negated, bool unique) noexcept
    : TTestNode(rete), negated_(negated), unique_(unique) {}

void TJoinNode::SetBackwardChaining(TIEPattern* pattern, TRule* rule) {
  if (pattern && !(pattern->FactTemplate() && pattern->FactTemplate()->BackwardChaining()))
    Raise<EIEException>(IEConsts::SInvalidBackchainPattern);
  goalPattern_ = pattern;
  rule_ = pattern ? rule : nullptr;
}

std::string TJoinNode::AsString() const {
  std::string text = TTestNode::AsString();
  if (negated_) text += " *NEGATED*";
  text += " Left Memory: ";
  if (left_) text += left_->AsText();
  text += " Right Memory: ";
  if (right_) text += right_->AsText();
  return text;
}

bool TJoinNode::IsSameNode(const TTestNode& other) const {
  if (!TTestNode::IsSameNode(other)) return false;
  const auto& join = static_cast<const TJoinNode&>(other);
  // A unique join stops at the first match: it is not the join of a rule that wants every match.
  return negated_ == join.negated_ && unique_ == join.unique_ && prefix_ == join.prefix_;
}

void TJoinNode::ResetMemories() {
  if (left_) left_->Reset();
  if (right_) right_->Reset();
}

void TJoinNode::AddJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::string_view rightSlot,
                            std::string_view leftSlot) {
  tests_.push_back(std::make_unique<TIEJoinTest>(type, tokenIndex, rightSlot, leftSlot));
}

void TJoinNode::AddJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::int32_t rightSubIndex,
                            std::string_view rightSlot, std::int32_t leftSubIndex, std::string_view leftSlot) {
  tests_.push_back(std::make_unique<TIEJoinTest>(type, tokenIndex, rightSubIndex, rightSlot, leftSubIndex, leftSlot));
}

void TJoinNode::ChooseHashKeys() {
  TReteNetwork& rete = Rete();
  const std::int32_t buckets = rete.HashKey();
  if (prefix_) {
    hashed_ = true;
    left_ = rete.MemoryFactory().CreateMemory(rete.Pool(), TMemoryKeying(TKeySource::TokenHash, true), buckets);
    right_ = rete.MemoryFactory().CreateMemory(rete.Pool(), TMemoryKeying(TKeySource::ParentHash, true), buckets);
    return;
  }
  auto find = [&](TJoinTestType kind) {
    return std::find_if(tests_.begin(), tests_.end(), [kind](const auto& test) {
      const auto* join = dynamic_cast<const TIEJoinTest*>(test.get());
      return join && join->SlotTestType() == sttEquals && join->JoinTestType() == kind;
    });
  };
  auto key = find(tstSlot);
  if (key == tests_.end()) key = find(tstMultiSlot);
  if (key != tests_.end()) {
    std::rotate(tests_.begin(), key, key + 1);
    const auto& join = static_cast<const TIEJoinTest&>(*tests_.front());
    hashed_ = true;
    TMemoryKeying leftKeying(TKeySource::SlotValue, true, join.TokenIndex(), join.LeftIndex(), join.LeftSubIndex());
    TMemoryKeying rightKeying(TKeySource::SlotValue, true, 0, join.RightIndex(), join.RightSubIndex());
    // The other whole-slot equalities narrow the chains a probe walks; the
    // bucket, and with it every order, still comes from the first one.
    for (auto other = tests_.begin() + 1; other != tests_.end(); ++other) {
      const TIEJoinTest* part = (*other)->AsJoinTest();
      if (!part || part->SlotTestType() != sttEquals || part->JoinTestType() != tstSlot) continue;
      leftKeying.AddChainPart(part->TokenIndex(), part->LeftIndex());
      rightKeying.AddChainPart(0, part->RightIndex());
    }
    left_ = rete.MemoryFactory().CreateMemory(rete.Pool(), std::move(leftKeying), buckets);
    right_ = rete.MemoryFactory().CreateMemory(rete.Pool(), std::move(rightKeying), buckets);
    return;
  }
  left_ = rete.MemoryFactory().CreateMemory(rete.Pool(), TMemoryKeying(TKeySource::TokenHash, false), buckets);
  right_ = rete.MemoryFactory().CreateMemory(rete.Pool(), TMemoryKeying(TKeySource::FactIndex, false), buckets);
}

bool TJoinNode::Matches(const TIEToken& left, const TIEToken& right) {
  if (prefix_) {
    ++Rete().Statistics().joinTestsRun;
    if (!right.Parent() || !right.Parent()->Equals(left)) return false;
  }
  return tests_.empty() || EvaluateTests(left, right.Fact());
}

bool TJoinNode::CallNode(TIEToken& token, TCallType callType) {
  matchCount_ = 0;
  if (token.Tag() == taClear) {
    ResetMemories();
    Propagate(token);
    return false;
  }
  const bool adding = token.Tag() == taAdd || token.Tag() == taUpdate;
  switch (callType) {
    case ctLeft: {
      left_->Prefetch(token);
      const TMemoryKey key = left_->KeyOf(token);
      if (adding) {
        if (TIEToken* stored = left_->Insert(token, key)) {
          TTokenHold keep(stored);
          LeftActivation(token, stored, key);
          BackwardChain(token);
        }
      } else if (token.Tag() == taRemove && left_->Remove(token, key)) {
        LeftActivation(token, nullptr, key);
      }
      break;
    }
    case ctRight: {
      right_->Prefetch(token);
      const TMemoryKey key = right_->KeyOf(token);
      if (adding) {
        if (TIEToken* stored = right_->Insert(token, key)) {
          // Matches are built on the stored token (the arriving one or the
          // memory's copy of it), so that no second token is kept alive.
          TTokenHold keep(stored);
          RightActivation(*stored, key);
        }
      } else if (token.Tag() == taRemove && right_->Remove(token, key)) {
        RightActivation(token, key);
      }
      break;
    }
    default:
      Raise<EIEException>(IEConsts::SInvalidCallType, CallTypeName(callType));
  }
  return true;
}

void TJoinNode::LeftActivation(TIEToken& token, TIEToken* stored, const TMemoryKey& key) {
  TReteNetwork& rete = Rete();
  TReteStatistics& statistics = rete.Statistics();
  const bool adding = token.Tag() == taAdd || token.Tag() == taUpdate;
  // Matches of an added token are built on the stored token, which lives as
  // long as they can; an arriving token the memory copied may go once it has
  // passed.
  TIEToken& base = stored ? *stored : token;
  std::int32_t matches = 0;
  {
    TMemoryWalk walk(*right_);
    ++statistics.probes;
    for (TIEToken* right = hashed_ ? walk.Probe(key) : walk.Scan(); right; right = walk.Next()) {
      ++statistics.tokensVisited;
      if (!Matches(token, *right)) continue;
      if (negated_) {
        ++matches;
        continue;
      }
      TTokenHold joined(TIEToken::NewExtension(rete.Pool(), base, right, nullptr));
      if (right->Strength() < token.Strength()) joined->SetStrength(right->Strength());
      if (token.Tag() != taRemove) ++matchCount_;
      Propagate(*joined);
      if (unique_ && adding) break;
    }
  }
  if (!negated_) return;
  if (stored) stored->SetNegatedCount(matches);
  if (matches == 0) {
    TTokenHold extended(TIEToken::NewExtension(rete.Pool(), base, nullptr, rete.NegationFact()));
    ++matchCount_;
    Propagate(*extended);
  }
}

void TJoinNode::RightActivation(TIEToken& token, const TMemoryKey& key) {
  TReteNetwork& rete = Rete();
  TReteStatistics& statistics = rete.Statistics();
  const bool adding = token.Tag() == taAdd || token.Tag() == taUpdate;
  TMemoryWalk walk(*left_);
  ++statistics.probes;
  for (TIEToken* left = hashed_ ? walk.Probe(key) : walk.Scan(); left; left = walk.Next()) {
    ++statistics.tokensVisited;
    if (!Matches(*left, token)) continue;
    if (!negated_) {
      TTokenHold joined(TIEToken::NewExtension(rete.Pool(), *left, &token, nullptr));
      if (token.Strength() < left->Strength()) joined->SetStrength(token.Strength());
      joined->SetTag(token.Tag());
      Propagate(*joined);
      continue;
    }
    // The extension by the absence of a fact carries the left token's
    // strength, whichever right token withdraws or restores it, so that the
    // withdrawal always finds the token it stands for.
    if (adding) {
      TTokenHold extended(TIEToken::NewExtension(rete.Pool(), *left, nullptr, rete.NegationFact()));
      extended->SetTag(taRemove);
      Propagate(*extended);
      left->SetNegatedCount(left->NegatedCount() + 1);
    } else {
      left->SetNegatedCount(left->NegatedCount() - 1);
      if (left->NegatedCount() == 0) {
        TTokenHold extended(TIEToken::NewExtension(rete.Pool(), *left, nullptr, rete.NegationFact()));
        Propagate(*extended);
      }
    }
  }
}

void TJoinNode::BackwardChain(const TIEToken& token) {
  if (!goalPattern_ || !rule_ || matchCount_ != 0) return;
  const std::string& name = goalPattern_->Name();
  if (name.starts_with(GoalPatternPrefix)) return;
  IReteEngine* engine = Rete().Engine();
  IFactTemplate* target = goalPattern_->FactTemplate();
  if (!engine || !target) return;
  const TRef<IFactTemplate> goalTemplate = engine->GetImpliedTemplate(std::string(GoalPatternPrefix) + name);
  if (goalTemplate->IsImplied() && !target->IsImplied()) {
    // A goal template made on first use gets the slots of its target.
    goalTemplate->ClearSlots();
    for (const TRef<IFactSlot>& slot : target->SlotsInTableOrder()) goalTemplate->AddSlotCopy(*slot);
  }
  const TRef<IFact> goal = goalTemplate->CreateFact();
  for (std::int32_t s = 0; s < goalPattern_->SlotCount(); ++s) {
    const std::string& slotName = goalPattern_->SlotName(s);
    const IFactSlot* slot = goalTemplate->FindSlot(slotName);
    if (!slot) continue;
    const bool multi = slot->IsMultislot();
    TRef<TIEValue> single = SharedValues().Empty;
    std::vector<TRef<TIEValue>> items;
    bool assigned = false;
    for (const auto& test : goalPattern_->SlotTests(s)) {
      if (test->SlotTestType() == sttNotEquals) continue;
      const TIEValue* expected = test->SlotValue();
      if (!expected) continue;
      TRef<TIEValue> value;
      if (IsVariableValue(expected)) {
        const TBinding* binding = rule_->FindBinding(expected->Text());
        if (!binding || binding->FactIndex() < 0 || binding->FactIndex() >= token.Size()) continue;
        IFact* bound = token.FactAt(binding->FactIndex());
        if (!bound) continue;
        if (binding->SlotIndex() == PatternSlotName) {
          value = MakeRef<TIEValue>(bound->ID(), dtFactId);
        } else if (TIEValue* found = TSlotAccessor(binding->SlotIndex()).TryValueOf(*bound, binding->SubIndex())) {
          value = CopySlotValue(*found);
        } else {
          continue;
        }
      } else {
        value = CopySlotValue(*expected);
      }
      if (!multi) {
        if (!assigned) single = std::move(value);
        assigned = true;
        continue;
      }
      const std::int32_t index = test->MultiSlotSubIndex();
      if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
        items[static_cast<std::size_t>(index)] = std::move(value);
      } else {
        items.push_back(std::move(value));
      }
    }
    if (multi) {
      auto list = MakeRef<TValueVector>();
      for (auto& item : items) list->Add(item ? std::move(item) : SharedValues().Empty);
      goal->SetSlotValue(slotName, NewList(std::move(list)));
    } else {
      goal->SetSlotValue(slotName, std::move(single));
    }
  }
  engine->QueuePending(goal, true);
}

// --- TPatternMatchTerminalNode --------------------------------------------------------------------

TPatternMatchTerminalNode::TPatternMatchTerminalNode(TReteNetwork& rete, TRule& rule) noexcept
    : TReteNode(rete), rule_(&rule) {}

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  while (last_) {
    TActivation& activation = *last_;
    // Activations kept elsewhere no longer know the node.
    activation.node_ = nullptr;
    Withdraw(activation);
  }
}

std::string TPatternMatchTerminalNode::AsString() const {
  return TReteNode::AsString() + " Rule: " + rule_->RuleName();
}

std::vector<TActivation*> TPatternMatchTerminalNode::Activations() const {
  std::vector<TActivation*> all;
  all.reserve(static_cast<std::size_t>(count_));
  for (TActivation* a = first_; a; a = a->nodeNext_) all.push_back(a);
  return all;
}

void TPatternMatchTerminalNode::Link(TActivation& activation) {
  activation.nodePrev_ = last_;
  activation.nodeNext_ = nullptr;
  (last_ ? last_->nodeNext_ : first_) = &activation;
  last_ = &activation;
  activation.listed_ = true;
  ++count_;
  if (Rete().LiteralLookups()) return;
  // Equal tokens are kept in creation order.
  TActivation** link = &byKey_[activation.Token().Key()];
  while (*link) link = &(*link)->sameKeyNext_;
  *link = &activation;
  activation.sameKeyNext_ = nullptr;
}

void TPatternMatchTerminalNode::Unlink(TActivation& activation) noexcept {
  if (!activation.listed_) return;
  (activation.nodePrev_ ? activation.nodePrev_->nodeNext_ : first_) = activation.nodeNext_;
  (activation.nodeNext_ ? activation.nodeNext_->nodePrev_ : last_) = activation.nodePrev_;
  activation.nodePrev_ = activation.nodeNext_ = nullptr;
  activation.listed_ = false;
  --count_;
  const std::uint64_t key = activation.Token().Key();
  if (TActivation** head = byKey_.Find(key)) {
    TActivation** link = head;
    while (*link && *link != &activation) link = &(*link)->sameKeyNext_;
    if (*link) *link = activation.sameKeyNext_;
    if (!*head) byKey_.Erase(key);
  }
  activation.sameKeyNext_ = nullptr;
}

void TPatternMatchTerminalNode::Withdraw(TActivation& activation) {
  const TRef<TActivation> keep(&activation);
  Unlink(activation);
  Rete().Deactivated(activation);
}

bool TPatternMatchTerminalNode::CallNode(TIEToken& token, TCallType) {
  byKey_.Prefetch(token.Key());
  switch (token.Tag()) {
    case taClear:
      RemoveAll();
      break;
    case taRemove:
      RemoveMatching(token);
      break;
    case taAdd:
      if (!rule_->Enabled() || rule_->Guarded() || (rule_->OneShot() && rule_->Fired())) break;
      Activate(token);
      break;
    case taUpdate:
      if (!initialized_) Activate(token);
      break;
  }
  return true;
}

void TPatternMatchTerminalNode::Activate(TIEToken& token) {
  auto activation = MakeRef<TActivation>(*rule_, token.Strength(), this, token);
  Link(*activation);
  ++Rete().Statistics().activationsCreated;
  Rete().Activated(std::move(activation));
}

void TPatternMatchTerminalNode::ActivationFired(TActivation& activation) {
  const TRef<TActivation> keep(&activation);
  Unlink(activation);
  Rete().Fired(activation);
}

void TPatternMatchTerminalNode::RemoveActivationAt(std::int32_t index) {
  CheckIndex<EIEException>(index, count_);
  TActivation* activation = first_;
  for (std::int32_t i = 0; i < index; ++i) activation = activation->nodeNext_;
  Withdraw(*activation);
}

void TPatternMatchTerminalNode::RemoveAll() {
  while (last_) Withdraw(*last_);
}

void TPatternMatchTerminalNode::RemoveMatching(const TIEToken& token) {
  TActivation* found = nullptr;
  if (Rete().LiteralLookups()) {
    for (TActivation* a = first_; a && !found; a = a->nodeNext_) {
      if (a->Token().Equals(token)) found = a;
    }
  } else if (TActivation* const* head = byKey_.Find(token.Key())) {
    for (TActivation* a = *head; a && !found; a = a->sameKeyNext_) {
      if (a->Token().Equals(token)) found = a;
    }
  }
  if (found) Withdraw(*found);
}

void TPatternMatchTerminalNode::ActivationFreed(TActivation& activation) {
  Unlink(activation);
  Rete().Deactivated(activation);
}

}  // namespace fxe
