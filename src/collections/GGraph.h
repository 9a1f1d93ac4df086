// A small graph library: nodes owned by their graph, edges owned by the node
// they leave, in insertion order, with in-degree counters; linked nodes also
// list the edges that reach them. The Rete network is a directed graph of
// this kind whose nodes are network nodes and whose edges carry a call type.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fxe {

class TGCustomGraph;
class TGGraphNode;

// An edge from one node to another. It belongs to its from-node.
class TGGraphEdge {
 public:
  // Raises "Edge must be created with two valid nodes" when a node is missing.
  TGGraphEdge(TGGraphNode* fromNode, TGGraphNode* toNode);
  virtual ~TGGraphEdge() = default;
  TGGraphEdge(const TGGraphEdge&) = delete;
  TGGraphEdge& operator=(const TGGraphEdge&) = delete;

  TGGraphNode* FromNode() const noexcept { return from_; }
  TGGraphNode* ToNode() const noexcept { return to_; }
  // Edges of weighted graphs carry a weight.
  virtual bool IsWeighted() const noexcept { return false; }

 private:
  TGGraphNode* from_;
  TGGraphNode* to_;
};

class TWeightedEdge : public TGGraphEdge {
 public:
  TWeightedEdge(TGGraphNode* fromNode, TGGraphNode* toNode, std::int32_t weight = 0)
      : TGGraphEdge(fromNode, toNode), weight_(weight) {}
  bool IsWeighted() const noexcept override { return true; }
  std::int32_t Weight() const noexcept { return weight_; }
  void SetWeight(std::int32_t weight) noexcept { weight_ = weight; }

 private:
  std::int32_t weight_;
};

// A node: its outgoing edges in insertion order (an undirected graph also
// lists here the edges of other nodes that reach this one) and the number of
// edges reaching it.
class TGGraphNode {
 public:
  using TChangeEvent = std::function<void(TGGraphNode& sender)>;

  TGGraphNode() = default;
  // Detaches the node from its graph: its edges and the edges reaching it are freed.
  virtual ~TGGraphNode();
  TGGraphNode(const TGGraphNode&) = delete;
  TGGraphNode& operator=(const TGGraphNode&) = delete;

  // The class name the graph numbers new nodes' captions with.
  virtual std::string_view ClassName() const noexcept { return "TGGraphNode"; }
  const std::string& Caption() const noexcept { return caption_; }
  void SetCaption(std::string_view caption);
  bool Visited() const noexcept { return visited_; }
  void SetVisited(bool visited) noexcept { visited_ = visited; }
  std::int32_t WorkTag() const noexcept { return workTag_; }
  void SetWorkTag(std::int32_t tag) noexcept { workTag_ = tag; }
  TGCustomGraph* Graph() const noexcept { return graph_; }
  const TChangeEvent& OnChange() const noexcept { return onChange_; }
  void SetOnChange(TChangeEvent handler) { onChange_ = std::move(handler); }

  const std::vector<TGGraphEdge*>& OutgoingEdges() const noexcept { return outgoing_; }
  std::int32_t OutDegree() const noexcept { return static_cast<std::int32_t>(outgoing_.size()); }
  std::int32_t InDegree() const noexcept { return inDegree_; }
  // The first outgoing edge to node, or nullptr.
  TGGraphEdge* EdgeTo(const TGGraphNode& node) const noexcept;

  // Change notifications wait for the outermost EndUpdate.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  void Changed();

 protected:
  // Linked nodes keep the edges that reach them.
  virtual void IncomingAdded(TGGraphEdge&) {}
  virtual void IncomingRemoved(TGGraphEdge&) {}
  // The edges reaching this node (known only to linked nodes); nullptr when
  // the node does not list them.
  virtual const std::vector<TGGraphEdge*>* IncomingList() const noexcept { return nullptr; }
  // The outgoing list changed (nodes that cache their successors refresh them).
  virtual void OutgoingChanged() noexcept {}

 private:
  friend class TGCustomGraph;

  void Detach() noexcept;

  std::string caption_;
  std::vector<TGGraphEdge*> outgoing_;
  std::vector<std::unique_ptr<TGGraphEdge>> owned_;
  TGCustomGraph* graph_ = nullptr;
  TChangeEvent onChange_;
  std::int32_t inDegree_ = 0;
  std::int32_t workTag_ = 0;
  std::int32_t updateCount_ = 0;
  bool visited_ = false;
  bool changedInUpdate_ = false;
};

// A node that also lists the edges reaching it (in a directed graph).
class TGLinkedGraphNode : public TGGraphNode {
 public:
  std::string_view ClassName() const noexcept override { return "TGLinkedGraphNode"; }
  const std::vector<TGGraphEdge*>& IncomingEdges() const noexcept { return incoming_; }

 protected:
  void IncomingAdded(TGGraphEdge& edge) override { incoming_.push_back(&edge); }
  void IncomingRemoved(TGGraphEdge& edge) override;
  const std::vector<TGGraphEdge*>* IncomingList() const noexcept override { return &incoming_; }

 private:
  std::vector<TGGraphEdge*> incoming_;
};

class TWeightedNode : public TGLinkedGraphNode {
 public:
  std::string_view ClassName() const noexcept override { return "TWeightedNode"; }
  std::int32_t Weight() const noexcept { return weight_; }
  void SetWeight(std::int32_t weight) noexcept { weight_ = weight; }

 private:
  std::int32_t weight_ = 0;
};

// The graph: owns its nodes, numbers their captions, tells about changes.
class TGCustomGraph {
 public:
  using TNodeEvent = std::function<void(TGCustomGraph& sender, TGGraphNode& node)>;
  using TNotifyEvent = std::function<void(TGCustomGraph& sender)>;

  explicit TGCustomGraph(bool directed = true) noexcept : directed_(directed) {}
  virtual ~TGCustomGraph();
  TGCustomGraph(const TGCustomGraph&) = delete;
  TGCustomGraph& operator=(const TGCustomGraph&) = delete;

  bool Directed() const noexcept { return directed_; }
  // Takes effect for edges created afterwards.
  void SetDirected(bool directed) noexcept { directed_ = directed; }
  std::int32_t NodeCount() const noexcept { return static_cast<std::int32_t>(nodes_.size()); }
  TGGraphNode& Node(std::int32_t index) const;

  // Appends the node; a node without caption is captioned with its class name
  // and the graph's node counter. A node of another graph moves here (its
  // edges are freed first).
  TGGraphNode& AddNode(std::unique_ptr<TGGraphNode> node);
  template <class TNode, class... TArgs>
  TNode& CreateNode(TArgs&&... args) {
    return static_cast<TNode&>(AddNode(std::make_unique<TNode>(std::forward<TArgs>(args)...)));
  }
  // Moves a node of this graph to another graph (or out of every graph,
  // handing it to the caller); its edges and those reaching it are freed.
  std::unique_ptr<TGGraphNode> ExtractNode(TGGraphNode& node);
  void MoveNode(TGGraphNode& node, TGCustomGraph& target);
  // Frees a node of this graph with its edges and those reaching it.
  void DeleteNode(TGGraphNode& node);
  void Clear();

  // A new edge of class TEdge from one node to another, both of this graph:
  // "Edge must be created with two valid nodes" for a missing node, "Node
  // \"%s\" is unconnected to any graph" for a node outside every graph.
  template <class TEdge = TGGraphEdge, class... TArgs>
  TEdge& CreateEdge(TGGraphNode* fromNode, TGGraphNode* toNode, TArgs&&... args) {
    CheckEdgeNodes(fromNode, toNode);
    auto edge = std::make_unique<TEdge>(fromNode, toNode, std::forward<TArgs>(args)...);
    TEdge& created = *edge;
    AddEdge(std::move(edge));
    return created;
  }
  // Registers an edge with its from-node; an edge listed there already is ignored.
  void AddEdge(std::unique_ptr<TGGraphEdge> edge);
  void DeleteEdge(TGGraphEdge& edge);
  // The sum of the weights of all edges; "Graph is not a weighted graph"
  // when an edge carries no weight.
  std::int64_t TotalWeight() const;

  void SetOnAddNode(TNodeEvent handler) { onAddNode_ = std::move(handler); }
  void SetOnRemoveNode(TNodeEvent handler) { onRemoveNode_ = std::move(handler); }
  void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
  void SetOnNodeCaptionChange(TNodeEvent handler) { onNodeCaptionChange_ = std::move(handler); }
  void SetOnNodeChange(TNodeEvent handler) { onNodeChange_ = std::move(handler); }

 private:
  friend class TGGraphNode;

  void CheckEdgeNodes(TGGraphNode* fromNode, TGGraphNode* toNode) const;
  // Frees the node's edges and the edges reaching it.
  void Unlink(TGGraphNode& node) noexcept;
  void Unregister(TGGraphEdge& edge) noexcept;
  std::unique_ptr<TGGraphNode> Take(TGGraphNode& node) noexcept;
  void NodeCaptionChanged(TGGraphNode& node);
  void NodeChanged(TGGraphNode& node);
  void Changed();

  std::vector<std::unique_ptr<TGGraphNode>> nodes_;
  TNodeEvent onAddNode_;
  TNodeEvent onRemoveNode_;
  TNotifyEvent onChange_;
  TNodeEvent onNodeCaptionChange_;
  TNodeEvent onNodeChange_;
  std::int64_t nodeCounter_ = 0;
  bool directed_;
  bool adding_ = false;
  bool clearing_ = false;
};

class TGGraph : public TGCustomGraph {
 public:
  using TGCustomGraph::TGCustomGraph;
};

}  // namespace fxe
