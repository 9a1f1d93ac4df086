// Activations, the blocked order-statistic sequence of the agenda, and the
// agendas.
#include "rete/ActivationAgenda.h"

#include <algorithm>
#include <bit>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "model/ConstructText.h"
#include "rete/IERule.h"
#include "rete/ReteNodes.h"

namespace fxe {

using detail::kLineEnd;

namespace {

// Blocks split above this size: at most half of it moves per insertion,
// and a Fenwick tree of a few hundred blocks finds positions.
constexpr std::int32_t kMaxBlock = 512;
// The room a new ring starts with.
constexpr std::int32_t kFirstRingCapacity = 16;

}  // namespace

// --- TActivation -------------------------------------------------------------------------------

TActivation::TActivation(TRule& rule, float strength, TPatternMatchTerminalNode* node, TIEToken& token)
    : strength_(std::clamp(strength, 0.0f, 1.0f)), rule_(&rule), node_(node), token_(&token) {
  static_assert(sizeof(TActivation) <= 72, "an activation fits a small allocation");
}

TActivation::~TActivation() {
  if (listed_ && node_) node_->ActivationFreed(*this);
}

void TActivation::SetStrength(float strength) noexcept {
  if (strength != strength_) strength_ = std::clamp(strength, 0.0f, 1.0f);
}

void TActivation::Assign(const TActivation& source) {
  if (&source == this) return;
  rule_ = source.rule_;
  token_ = source.token_;
  node_ = source.node_;
  strength_ = source.strength_;
}

bool TActivation::Fire() {
  rule_->Fire(Token());
  if (node_) node_->ActivationFired(*this);
  return true;
}

std::string TActivation::AsString() const {
  std::string text = std::to_string(salience_);
  text += ' ';
  text += rule_->RuleName();
  text += " : ";
  token_->AppendShortText(text);
  text += " (";
  AppendFloat(text, strength_);
  text += ')';
  return text;
}

// --- TActivationSequence -----------------------------------------------------------------------

void TActivationSequence::TRing::Reserve(std::int32_t count) {
  if (count <= capacity_) return;
  std::int32_t capacity = std::max(capacity_, kFirstRingCapacity);
  while (capacity < count) capacity *= 2;
  auto slots = std::make_unique_for_overwrite<TActivation*[]>(static_cast<std::size_t>(capacity));
  for (std::int32_t k = 0; k < size_; ++k) slots[static_cast<std::size_t>(k)] = At(k);
  slots_ = std::move(slots);
  capacity_ = capacity;
  head_ = 0;
}

void TActivationSequence::TRing::Insert(std::int32_t i, TActivation* activation) noexcept {
  if (i < size_ / 2) {
    head_ = (head_ - 1) & (capacity_ - 1);
    for (std::int32_t k = 0; k < i; ++k) Slot(k) = Slot(k + 1);
  } else {
    for (std::int32_t k = size_; k > i; --k) Slot(k) = Slot(k - 1);
  }
  Slot(i) = activation;
  ++size_;
}

TActivation* TActivationSequence::TRing::Erase(std::int32_t i) noexcept {
  TActivation* erased = Slot(i);
  if (i < size_ / 2) {
    for (std::int32_t k = i; k > 0; --k) Slot(k) = Slot(k - 1);
    head_ = (head_ + 1) & (capacity_ - 1);
  } else {
    for (std::int32_t k = i; k + 1 < size_; ++k) Slot(k) = Slot(k + 1);
  }
  --size_;
  return erased;
}

std::int32_t TActivationSequence::TRing::Find(const TActivation* activation) const noexcept {
  for (std::int32_t k = 0; k < size_; ++k) {
    if (At(k) == activation) return k;
  }
  return -1;
}

TActivationSequence::TActivationSequence() = default;

TActivationSequence::~TActivationSequence() { Clear(); }

std::int32_t TActivationSequence::BlockStart(std::int32_t block) const noexcept {
  std::int32_t sum = 0;
  for (std::int32_t i = block; i > 0; i &= i - 1) sum += tree_[static_cast<std::size_t>(i)];
  return sum;
}

void TActivationSequence::AddToTree(std::int32_t block, std::int32_t delta) noexcept {
  const auto n = static_cast<std::int32_t>(blocks_.size());
  for (std::int32_t i = block + 1; i <= n; i += i & -i) tree_[static_cast<std::size_t>(i)] += delta;
}

void TActivationSequence::Rebuild() {
  const std::size_t n = blocks_.size();
  tree_.assign(n + 1, 0);
  for (std::size_t b = 0; b < n; ++b) {
    blocks_[b]->index = static_cast<std::int32_t>(b);
    tree_[b + 1] += blocks_[b]->items.Size();
    const std::size_t parent = (b + 1) + ((b + 1) & (~(b + 1) + 1));
    if (parent <= n) tree_[parent] += tree_[b + 1];
  }
}

TActivationSequence::TBlock& TActivationSequence::Locate(std::int32_t index, std::int32_t& offset) const {
  if (index >= count_) {
    TBlock& last = *blocks_.back();
    offset = last.items.Size();
    return last;
  }
  // The front, where the next activation to fire is taken from (only the
  // last block is ever left empty, and only when the sequence is).
  if (index == 0) {
    offset = 0;
    return *blocks_.front();
  }
  const auto n = static_cast<std::int32_t>(blocks_.size());
  std::int32_t position = 0;
  std::int32_t rest = index;
  for (std::int32_t step = static_cast<std::int32_t>(std::bit_floor(static_cast<std::uint32_t>(n))); step > 0;
       step >>= 1) {
    const std::int32_t next = position + step;
    if (next <= n && tree_[static_cast<std::size_t>(next)] <= rest) {
      position = next;
      rest -= tree_[static_cast<std::size_t>(next)];
    }
  }
  offset = rest;
  return *blocks_[static_cast<std::size_t>(position)];
}

TActivation& TActivationSequence::At(std::int32_t index) const {
  CheckIndex<EIEException>(index, count_);
  std::int32_t offset = 0;
  TBlock& block = Locate(index, offset);
  return *block.items.At(offset);
}

std::int32_t TActivationSequence::IndexOf(const TActivation& activation) const {
  const auto* block = static_cast<const TBlock*>(activation.block_);
  if (!block || static_cast<std::size_t>(block->index) >= blocks_.size() ||
      blocks_[static_cast<std::size_t>(block->index)].get() != block)
    return -1;
  const std::int32_t offset = block->items.Find(&activation);
  return offset < 0 ? -1 : BlockStart(block->index) + offset;
}

void TActivationSequence::CountSalience(std::int32_t salience, std::int32_t delta) {
  auto it = std::lower_bound(saliences_.begin(), saliences_.end(), salience,
                             [](const auto& entry, std::int32_t key) { return entry.first < key; });
  if (it == saliences_.end() || it->first != salience) {
    saliences_.insert(it, {salience, delta});
  } else if ((it->second += delta) == 0) {
    saliences_.erase(it);
  }
}

void TActivationSequence::Insert(std::int32_t index, TActivation& activation) {
  CheckIndex<EIEException>(index, count_ + 1);
  if (blocks_.empty()) {
    blocks_.push_back(std::make_unique<TBlock>());
    Rebuild();
  }
  std::int32_t offset = 0;
  TBlock& block = Locate(index, offset);
  block.items.Reserve(block.items.Size() + 1);
  CountSalience(activation.Salience(), 1);
  block.items.Insert(offset, &activation);
  activation.block_ = &block;
  AddToTree(block.index, 1);
  ++count_;
  if (block.items.Size() > kMaxBlock) Split(block);
}

void TActivationSequence::Split(TBlock& block) {
  auto second = std::make_unique<TBlock>();
  const std::int32_t half = block.items.Size() / 2;
  second->items.Reserve(block.items.Size() - half);
  // From the back, each to the front of the new block: both ends of a ring
  // move nothing, so the split costs one step per activation moved.
  while (block.items.Size() > half) {
    TActivation* moved = block.items.Erase(block.items.Size() - 1);
    second->items.Insert(0, moved);
    moved->block_ = second.get();
  }
  blocks_.insert(blocks_.begin() + block.index + 1, std::move(second));
  Rebuild();
}

void TActivationSequence::RemoveBlock(TBlock& block) {
  blocks_.erase(blocks_.begin() + block.index);
  Rebuild();
}

void TActivationSequence::Erase(std::int32_t index) {
  CheckIndex<EIEException>(index, count_);
  std::int32_t offset = 0;
  TBlock& block = Locate(index, offset);
  TActivation* activation = block.items.Erase(offset);
  activation->block_ = nullptr;
  CountSalience(activation->Salience(), -1);
  AddToTree(block.index, -1);
  --count_;
  // The last block stays when it empties: an agenda that empties and fills
  // again on every cycle would otherwise make it anew each time.
  if (block.items.Empty() && blocks_.size() > 1) RemoveBlock(block);
  if (count_ == 0) sorted_ = true;
}

void TActivationSequence::Clear() noexcept {
  for (auto& block : blocks_) {
    for (std::int32_t k = 0; k < block->items.Size(); ++k) block->items.At(k)->block_ = nullptr;
  }
  blocks_.clear();
  tree_.clear();
  saliences_.clear();
  count_ = 0;
  sorted_ = true;
}

std::int32_t TActivationSequence::InsertPosition(std::int32_t salience, TSearchStrategy strategy) const {
  if (count_ == 0) return -1;
  if (!sorted_) {
    return AgendaBisection(count_, salience, strategy, [this](std::int32_t i) { return At(i).Rule().Salience(); });
  }
  // Sorted by salience: positions below `above` hold higher saliences, the
  // next `equal` ones this salience, the rest lower ones.
  std::int32_t above = 0;
  std::int32_t equal = 0;
  for (auto it = saliences_.rbegin(); it != saliences_.rend() && it->first >= salience; ++it) {
    (it->first > salience ? above : equal) += it->second;
  }
  const std::int64_t s = salience;
  return AgendaBisection(count_, salience, strategy, [&](std::int32_t i) -> std::int64_t {
    if (i < above) return s + 1;
    return i < above + equal ? s : s - 1;
  });
}

// --- TActivationAgenda -------------------------------------------------------------------------

TActivationAgenda::TActivationAgenda(std::unique_ptr<IActivationSequence> sequence)
    : sequence_(sequence ? std::move(sequence) : std::make_unique<TActivationSequence>()) {}

TActivationAgenda::~TActivationAgenda() { Clear(); }

TActivation& TActivationAgenda::Activation(std::int32_t index) const {
  CheckIndex<EIEException>(index, Count());
  return sequence_->At(index);
}

std::int32_t TActivationAgenda::FindInsertPosition(const TActivation&) const { return -1; }

std::int32_t TActivationAgenda::Add(TRef<TActivation> activation) {
  if (!activation) Raise<EIEException>(IEConsts::SInvalidAgendaObject);
  activation->SetSalience(activation->Rule().Salience());
  std::int32_t index = FindInsertPosition(*activation);
  if (index < 0 || index > Count()) index = Count();
  sequence_->Insert(index, *activation);
  // The agenda's reference.
  activation.Detach();
  return index;
}

TRef<TActivation> TActivationAgenda::Pop(std::int32_t index) {
  TActivation& activation = Activation(index);
  sequence_->Erase(index);
  return TRef<TActivation>::Adopt(&activation);
}

void TActivationAgenda::Delete(std::int32_t index) { Pop(index).Reset(); }

void TActivationAgenda::Clear() {
  std::vector<TActivation*> all;
  all.reserve(static_cast<std::size_t>(Count()));
  for (std::int32_t i = 0; i < Count(); ++i) all.push_back(&sequence_->At(i));
  // Off the agenda first: freeing one may ask the agenda about it.
  sequence_->Clear();
  for (TActivation* activation : all) TRef<TActivation>::Adopt(activation).Reset();
}

std::string TActivationAgenda::AsText() const {
  std::string text;
  for (std::int32_t i = 0; i < Count(); ++i) {
    text += sequence_->At(i).AsString();
    text += kLineEnd;
  }
  text += "for a total of " + std::to_string(Count()) + " activations.";
  return text;
}

std::int32_t TIEAgenda::FindInsertPosition(const TActivation& activation) const {
  if (IsEmpty()) return -1;
  return const_cast<TIEAgenda*>(this)->Sequence().InsertPosition(activation.Salience(), strategy_);
}

}  // namespace fxe
