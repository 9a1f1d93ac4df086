// The graph: nodes, edges, in-degrees, linked nodes and node numbering.
#include "collections/GGraph.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

template <class T>
void EraseFirst(std::vector<T*>& list, const T* item) noexcept {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

// --- TGGraphEdge ------------------------------------------------------------------------

TGGraphEdge::TGGraphEdge(TGGraphNode* fromNode, TGGraphNode* toNode) : from_(fromNode), to_(toNode) {
  if (!from_ || !to_) Raise<EGraphException>(IEConsts::SEdgeNeedsNodes);
}

// --- TGGraphNode ---------------------------------------------------------------------------

TGGraphNode::~TGGraphNode() { Detach(); }

void TGGraphNode::Detach() noexcept {
  if (graph_) {
    graph_->Unlink(*this);
    graph_ = nullptr;
  }
  owned_.clear();
  outgoing_.clear();
}

void TGGraphNode::SetCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  if (graph_) graph_->NodeCaptionChanged(*this);
}

TGGraphEdge* TGGraphNode::EdgeTo(const TGGraphNode& node) const noexcept {
  for (TGGraphEdge* edge : outgoing_) {
    if (edge->ToNode() == &node) return edge;
  }
  return nullptr;
}

void TGGraphNode::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ != 0) return;
  if (std::exchange(changedInUpdate_, false)) Changed();
}

void TGGraphNode::Changed() {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  if (onChange_) onChange_(*this);
  if (graph_) graph_->NodeChanged(*this);
}

void TGLinkedGraphNode::IncomingRemoved(TGGraphEdge& edge) { EraseFirst(incoming_, &edge); }

// --- TGCustomGraph ----------------------------------------------------------------------------

TGCustomGraph::~TGCustomGraph() {
  clearing_ = true;
  // Edges first, so that no node frees an edge of a node already gone.
  for (auto& node : nodes_) {
    node->owned_.clear();
    node->outgoing_.clear();
    node->graph_ = nullptr;
  }
  nodes_.clear();
}

TGGraphNode& TGCustomGraph::Node(std::int32_t index) const {
  CheckIndex<EGraphException>(index, NodeCount());
  return *nodes_[static_cast<std::size_t>(index)];
}

TGGraphNode& TGCustomGraph::AddNode(std::unique_ptr<TGGraphNode> node) {
  if (!node) Raise<EGraphException>(IEConsts::SArgumentIsNull);
  TGGraphNode& added = *node;
  if (node->graph_) {
    // The node is owned by its graph; only the graph can hand it over.
    TGCustomGraph* old = node->graph_;
    node.release();
    old->MoveNode(added, *this);
    return added;
  }
  adding_ = true;
  if (added.caption_.empty()) added.caption_ = std::string(added.ClassName()) + std::to_string(nodeCounter_++);
  added.graph_ = this;
  nodes_.push_back(std::move(node));
  adding_ = false;
  if (onAddNode_) onAddNode_(*this, added);
  Changed();
  return added;
}

std::unique_ptr<TGGraphNode> TGCustomGraph::Take(TGGraphNode& node) noexcept {
  // Searched from the end: a graph is emptied from its last node, so each
  // removal there is found at once.
  auto it = std::find_if(nodes_.rbegin(), nodes_.rend(), [&](const auto& owned) { return owned.get() == &node; });
  if (it == nodes_.rend()) return nullptr;
  std::unique_ptr<TGGraphNode> taken = std::move(*it);
  nodes_.erase(std::next(it).base());
  return taken;
}

std::unique_ptr<TGGraphNode> TGCustomGraph::ExtractNode(TGGraphNode& node) {
  if (node.graph_ != this) Raise<EGraphException>(IEConsts::SNodeUnconnected, node.Caption());
  if (onRemoveNode_) onRemoveNode_(*this, node);
  Unlink(node);
  node.graph_ = nullptr;
  std::unique_ptr<TGGraphNode> taken = Take(node);
  Changed();
  return taken;
}

void TGCustomGraph::MoveNode(TGGraphNode& node, TGCustomGraph& target) {
  if (&target == this && node.graph_ == this) return;
  target.AddNode(ExtractNode(node));
}

void TGCustomGraph::DeleteNode(TGGraphNode& node) { ExtractNode(node).reset(); }

void TGCustomGraph::Clear() {
  if (nodes_.empty()) return;
  while (!nodes_.empty()) DeleteNode(*nodes_.back());
}

void TGCustomGraph::CheckEdgeNodes(TGGraphNode* fromNode, TGGraphNode* toNode) const {
  if (!fromNode || !toNode) Raise<EGraphException>(IEConsts::SEdgeNeedsNodes);
  for (const TGGraphNode* node : {fromNode, toNode}) {
    if (!node->graph_) Raise<EGraphException>(IEConsts::SNodeUnconnected, node->Caption());
  }
}

void TGCustomGraph::AddEdge(std::unique_ptr<TGGraphEdge> edge) {
  if (!edge) Raise<EGraphException>(IEConsts::SEdgeNeedsNodes);
  TGGraphNode& from = *edge->FromNode();
  TGGraphNode& to = *edge->ToNode();
  CheckEdgeNodes(&from, &to);
  TGGraphEdge* raw = edge.get();
  if (std::find(from.outgoing_.begin(), from.outgoing_.end(), raw) != from.outgoing_.end()) {
    // Listed already: the node owns it.
    edge.release();
    return;
  }
  from.outgoing_.reserve(from.outgoing_.size() + 1);
  from.owned_.reserve(from.owned_.size() + 1);
  from.outgoing_.push_back(raw);
  from.owned_.push_back(std::move(edge));
  ++to.inDegree_;
  if (directed_) {
    to.IncomingAdded(*raw);
  } else if (&from != &to) {
    // Both ends of an undirected edge see it as leaving and reaching them.
    to.outgoing_.push_back(raw);
    ++from.inDegree_;
    to.OutgoingChanged();
  }
  from.OutgoingChanged();
  Changed();
}

void TGCustomGraph::Unregister(TGGraphEdge& edge) noexcept {
  TGGraphNode& from = *edge.FromNode();
  TGGraphNode& to = *edge.ToNode();
  EraseFirst(from.outgoing_, &edge);
  --to.inDegree_;
  to.IncomingRemoved(edge);
  if (&from != &to && std::find(to.outgoing_.begin(), to.outgoing_.end(), &edge) != to.outgoing_.end()) {
    EraseFirst(to.outgoing_, &edge);
    --from.inDegree_;
    to.OutgoingChanged();
  }
  from.OutgoingChanged();
}

void TGCustomGraph::DeleteEdge(TGGraphEdge& edge) {
  TGGraphNode& from = *edge.FromNode();
  auto it = std::find_if(from.owned_.begin(), from.owned_.end(), [&](const auto& e) { return e.get() == &edge; });
  if (it == from.owned_.end()) return;
  Unregister(edge);
  from.owned_.erase(it);
  if (!clearing_) Changed();
}

void TGCustomGraph::Unlink(TGGraphNode& node) noexcept {
  // Edges reaching the node from others.
  std::vector<TGGraphEdge*> reaching;
  if (const std::vector<TGGraphEdge*>* incoming = node.IncomingList(); incoming && directed_) {
    for (TGGraphEdge* edge : *incoming) {
      if (edge->FromNode() != &node) reaching.push_back(edge);
    }
  } else {
    // Nodes that do not list what reaches them: look through the graph.
    for (const auto& other : nodes_) {
      if (other.get() == &node) continue;
      for (const auto& edge : other->owned_) {
        if (edge->ToNode() == &node) reaching.push_back(edge.get());
      }
    }
  }
  for (TGGraphEdge* edge : reaching) {
    TGGraphNode& from = *edge->FromNode();
    Unregister(*edge);
    auto it = std::find_if(from.owned_.begin(), from.owned_.end(), [&](const auto& e) { return e.get() == edge; });
    if (it != from.owned_.end()) from.owned_.erase(it);
  }
  // The node's own edges.
  while (!node.owned_.empty()) {
    Unregister(*node.owned_.back());
    node.owned_.pop_back();
  }
  node.outgoing_.clear();
  node.OutgoingChanged();
}

std::int64_t TGCustomGraph::TotalWeight() const {
  std::int64_t total = 0;
  for (const auto& node : nodes_) {
    for (const auto& edge : node->owned_) {
      if (!edge->IsWeighted()) Raise<EGraphException>(IEConsts::SNotWeightedGraph);
      total += static_cast<const TWeightedEdge&>(*edge).Weight();
    }
  }
  return total;
}

void TGCustomGraph::NodeCaptionChanged(TGGraphNode& node) {
  if (onNodeCaptionChange_) onNodeCaptionChange_(*this, node);
}

void TGCustomGraph::NodeChanged(TGGraphNode& node) {
  if (onNodeChange_) onNodeChange_(*this, node);
}

void TGCustomGraph::Changed() {
  if (clearing_ || adding_) return;
  if (onChange_) onChange_(*this);
}

}  // namespace fxe
