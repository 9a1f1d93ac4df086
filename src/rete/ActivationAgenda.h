// Activations and the agenda. An activation is a rule with one complete match
// (a token that reached the rule's terminal node). The agenda orders them by
// salience and the engine's strategy; the run loop fires the one at position
// 0. Positions come from a bisection over the saliences of the agenda, and
// the agenda keeps its activations in an order-statistic sequence so that
// inserting, removing and finding the position of one are O(log n).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "collections/RefCounted.h"
#include "rete/IEToken.h"

namespace fxe {

class TRule;
class TPatternMatchTerminalNode;

enum TSearchStrategy : std::uint8_t { ssDepthFirst, ssBreadthFirst };

class TActivation final : public TRefCounted {
 public:
  // Holds the token for as long as the activation lives.
  TActivation(TRule& rule, float strength, TPatternMatchTerminalNode* node, TIEToken& token);
  // Leaves its node's list (reporting the deactivation) when still listed.
  ~TActivation();
  TActivation(const TActivation&) = delete;
  TActivation& operator=(const TActivation&) = delete;

  TRule& Rule() const noexcept { return *rule_; }
  TIEToken& Token() const noexcept { return *token_.Get(); }
  TPatternMatchTerminalNode* Node() const noexcept { return node_; }
  float Strength() const noexcept { return strength_; }
  // A changed value is stored clamped into [0, 1].
  void SetStrength(float strength) noexcept;
  // Takes rule, token, node and strength of source.
  void Assign(const TActivation& source);

  // The rule runs its actions on the token; then the node lets go of the
  // activation and reports the firing. Returns true.
  bool Fire();

  // "<salience> <rule> : <token short form> (<strength %.4f>)", the salience
  // being the one the activation was placed by.
  std::string AsString() const;
  // The salience the agenda placed the activation by.
  std::int32_t Salience() const noexcept { return salience_; }
  void SetSalience(std::int32_t salience) noexcept { salience_ = salience; }
  bool OnAgenda() const noexcept { return block_ != nullptr; }
  // Whether its terminal node still lists it.
  bool Listed() const noexcept { return listed_; }

 private:
  friend class TPatternMatchTerminalNode;
  friend class TActivationSequence;

  // The strength first: it fills the space the reference count leaves.
  float strength_;
  TRule* rule_;
  TPatternMatchTerminalNode* node_;
  TTokenHold token_;
  // The terminal node's list and its index by token key.
  TActivation* nodePrev_ = nullptr;
  TActivation* nodeNext_ = nullptr;
  TActivation* sameKeyNext_ = nullptr;
  // The block of the fast sequence holding the activation.
  void* block_ = nullptr;
  std::int32_t salience_ = 0;
  bool listed_ = false;
};

// The ordered store behind an agenda. TActivationSequence is the agenda's;
// tests put a literal model in its place to check the positions.
class IActivationSequence {
 public:
  virtual ~IActivationSequence() = default;
  virtual std::int32_t Count() const noexcept = 0;
  virtual TActivation& At(std::int32_t index) const = 0;
  // -1 when the activation is not in the sequence.
  virtual std::int32_t IndexOf(const TActivation& activation) const = 0;
  // index == Count() appends. The sequence does not own the activation.
  virtual void Insert(std::int32_t index, TActivation& activation) = 0;
  virtual void Erase(std::int32_t index) = 0;
  virtual void Clear() noexcept = 0;
  // Where an activation of salience s goes (-1: at the end), for a sequence
  // in non-increasing salience order, by the agenda's bisection.
  virtual std::int32_t InsertPosition(std::int32_t salience, TSearchStrategy strategy) const = 0;
  // The rules of stored activations may no longer have the saliences they
  // were placed by.
  virtual void SaliencesChanged() noexcept = 0;
};

// The bisection of the agenda over a sequence of n > 0 saliences sal(i), for
// a new activation of salience s (-1: append); at(i) gives sal(i).
template <class TSalienceAt>
std::int32_t AgendaBisection(std::int32_t n, std::int32_t s, TSearchStrategy strategy, TSalienceAt at) {
  if (strategy == ssDepthFirst) {
    if (s >= at(0)) return 0;
    if (s < at(n - 1)) return -1;
  } else if (strategy == ssBreadthFirst) {
    if (at(n - 1) >= s) return -1;
    if (at(0) < s) return 0;
  } else {
    return -1;
  }
  std::int32_t lo = 0;
  std::int32_t hi = n - 1;
  while (hi >= lo) {
    const std::int32_t mid = (lo + hi) / 2;
    const auto sal = at(mid);
    if (sal < s) {
      hi = mid - 1;
    } else if (sal == s) {
      return mid;
    } else {
      lo = mid + 1;
    }
  }
  return hi + 1;
}

// Activations in blocks of a few hundred with a Fenwick tree over the block
// sizes. While every rule has the salience its activations were placed by,
// the bisection is computed from the salience counts alone (the sequence is
// sorted, so only the bounds of the run of equal salience matter).
class TActivationSequence final : public IActivationSequence {
 public:
  TActivationSequence();
  ~TActivationSequence() override;
  std::int32_t Count() const noexcept override { return count_; }
  TActivation& At(std::int32_t index) const override;
  std::int32_t IndexOf(const TActivation& activation) const override;
  void Insert(std::int32_t index, TActivation& activation) override;
  void Erase(std::int32_t index) override;
  void Clear() noexcept override;
  std::int32_t InsertPosition(std::int32_t salience, TSearchStrategy strategy) const override;
  void SaliencesChanged() noexcept override { sorted_ = false; }

 private:
  // Up to a few hundred activations in a ring: an insertion or removal
  // moves the shorter side, so both ends of a block cost nothing. The ring
  // grows by doubling, so that blocks that stay half full after a split do
  // not keep room for a whole block.
  class TRing {
   public:
    std::int32_t Size() const noexcept { return size_; }
    bool Empty() const noexcept { return size_ == 0; }
    TActivation* At(std::int32_t i) const noexcept { return slots_[(head_ + i) & (capacity_ - 1)]; }
    // Room for count activations; the only step that allocates.
    void Reserve(std::int32_t count);
    // i in 0 .. Size(); there must be room for one more (Reserve).
    void Insert(std::int32_t i, TActivation* activation) noexcept;
    TActivation* Erase(std::int32_t i) noexcept;
    // The position of the activation, or -1.
    std::int32_t Find(const TActivation* activation) const noexcept;

   private:
    TActivation*& Slot(std::int32_t i) noexcept { return slots_[(head_ + i) & (capacity_ - 1)]; }
    // A slot is written before it is read: no need to clear them.
    std::unique_ptr<TActivation*[]> slots_;
    std::int32_t capacity_ = 0;  // a power of two
    std::int32_t head_ = 0;
    std::int32_t size_ = 0;
  };
  struct TBlock {
    TRing items;
    std::int32_t index = 0;
  };
  // The block holding position index (index == count_: the last block) and
  // the position inside it.
  TBlock& Locate(std::int32_t index, std::int32_t& offset) const;
  std::int32_t BlockStart(std::int32_t block) const noexcept;
  void AddToTree(std::int32_t block, std::int32_t delta) noexcept;
  void Rebuild();
  void Split(TBlock& block);
  void RemoveBlock(TBlock& block);
  void CountSalience(std::int32_t salience, std::int32_t delta);

  std::vector<std::unique_ptr<TBlock>> blocks_;
  std::vector<std::int32_t> tree_;  // Fenwick tree, 1-based
  // How many activations hold each salience, by ascending salience: a few
  // entries, kept in a vector so that a filling and emptying agenda does not
  // allocate.
  std::vector<std::pair<std::int32_t, std::int32_t>> saliences_;
  std::int32_t count_ = 0;
  bool sorted_ = true;
};

// The agenda: activations in firing order, which it owns (each holds a
// reference while it is on the agenda).
class TActivationAgenda {
 public:
  explicit TActivationAgenda(std::unique_ptr<IActivationSequence> sequence = nullptr);
  virtual ~TActivationAgenda();
  TActivationAgenda(const TActivationAgenda&) = delete;
  TActivationAgenda& operator=(const TActivationAgenda&) = delete;

  std::int32_t Count() const noexcept { return sequence_->Count(); }
  bool IsEmpty() const noexcept { return sequence_->Count() == 0; }
  // Raises "List index out of bounds (%d)".
  TActivation& Activation(std::int32_t index) const;
  std::int32_t IndexOf(const TActivation& activation) const { return sequence_->IndexOf(activation); }
  // -1: append; the plain agenda always appends.
  virtual std::int32_t FindInsertPosition(const TActivation& activation) const;
  // Places the activation where FindInsertPosition says; returns its index.
  std::int32_t Add(TRef<TActivation> activation);
  // Takes the activation at index off the agenda and hands it over.
  TRef<TActivation> Pop(std::int32_t index);
  // Takes the activation at index off the agenda and lets it go.
  void Delete(std::int32_t index);
  void Clear();
  // Every activation's text followed by CR LF, then "for a total of <n> activations.".
  std::string AsText() const;
  IActivationSequence& Sequence() noexcept { return *sequence_; }

 private:
  std::unique_ptr<IActivationSequence> sequence_;
};

// The engine's agenda: places activations by salience and strategy.
class TIEAgenda final : public TActivationAgenda {
 public:
  using TActivationAgenda::TActivationAgenda;
  TSearchStrategy Strategy() const noexcept { return strategy_; }
  // Stores the strategy; the engine re-sorts (see TInferenceEngine::SetStrategy).
  void SetStrategy(TSearchStrategy strategy) noexcept { strategy_ = strategy; }
  std::int32_t FindInsertPosition(const TActivation& activation) const override;

 private:
  TSearchStrategy strategy_ = ssDepthFirst;
};

}  // namespace fxe
