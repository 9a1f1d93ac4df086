// The graph: captions, edges and degrees in directed and undirected graphs,
// freeing nodes with the edges that touch them, moving nodes between graphs,
// and the graph errors.
#include "collections/GGraph.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

TEST(TGGraph, NumbersCaptionsByClassName) {
  TGGraph graph;
  TGGraphNode& a = graph.CreateNode<TGGraphNode>();
  TGGraphNode& b = graph.CreateNode<TGLinkedGraphNode>();
  auto named = std::make_unique<TGGraphNode>();
  named->SetCaption("mine");
  TGGraphNode& c = graph.AddNode(std::move(named));
  TGGraphNode& d = graph.CreateNode<TGGraphNode>();
  EXPECT_EQ(a.Caption(), "TGGraphNode0");
  EXPECT_EQ(b.Caption(), "TGLinkedGraphNode1");
  EXPECT_EQ(c.Caption(), "mine");
  EXPECT_EQ(d.Caption(), "TGGraphNode2");
  EXPECT_EQ(graph.NodeCount(), 4);
  EXPECT_EQ(&graph.Node(1), &b);
}

TEST(TGGraph, DirectedEdgesKeepInsertionOrderAndDegrees) {
  TGGraph graph;
  auto& a = graph.CreateNode<TGLinkedGraphNode>();
  auto& b = graph.CreateNode<TGLinkedGraphNode>();
  auto& c = graph.CreateNode<TGLinkedGraphNode>();
  TGGraphEdge& ac = graph.CreateEdge(&a, &c);
  TGGraphEdge& ab = graph.CreateEdge(&a, &b);
  graph.CreateEdge(&b, &c);
  ASSERT_EQ(a.OutDegree(), 2);
  EXPECT_EQ(a.OutgoingEdges()[0], &ac);
  EXPECT_EQ(a.OutgoingEdges()[1], &ab);
  EXPECT_EQ(c.InDegree(), 2);
  EXPECT_EQ(c.IncomingEdges().size(), 2u);
  EXPECT_EQ(a.InDegree(), 0);
  EXPECT_EQ(a.EdgeTo(b), &ab);
  EXPECT_EQ(b.EdgeTo(a), nullptr);

  // Registering an edge that is listed already changes nothing.
  graph.AddEdge(std::unique_ptr<TGGraphEdge>(&ab));
  EXPECT_EQ(a.OutDegree(), 2);
  EXPECT_EQ(b.InDegree(), 1);

  graph.DeleteEdge(ac);
  EXPECT_EQ(a.OutDegree(), 1);
  EXPECT_EQ(c.InDegree(), 1);
  EXPECT_EQ(c.IncomingEdges().size(), 1u);
}

TEST(TGGraph, UndirectedEdgesAreSeenFromBothEnds) {
  TGGraph graph(false);
  auto& a = graph.CreateNode<TGGraphNode>();
  auto& b = graph.CreateNode<TGGraphNode>();
  graph.CreateEdge(&a, &b);
  EXPECT_EQ(a.OutDegree(), 1);
  EXPECT_EQ(b.OutDegree(), 1);
  EXPECT_EQ(a.InDegree(), 1);
  EXPECT_EQ(b.InDegree(), 1);
  // A loop is registered once.
  graph.CreateEdge(&a, &a);
  EXPECT_EQ(a.OutDegree(), 2);
  EXPECT_EQ(a.InDegree(), 2);
  graph.DeleteNode(b);
  EXPECT_EQ(a.OutDegree(), 1);
  EXPECT_EQ(a.InDegree(), 1);
}

TEST(TGGraph, FreeingANodeFreesEveryEdgeTouchingIt) {
  for (bool linked : {false, true}) {
    SCOPED_TRACE(linked);
    TGGraph graph;
    auto make = [&]() -> TGGraphNode& {
      return linked ? static_cast<TGGraphNode&>(graph.CreateNode<TGLinkedGraphNode>())
                    : graph.CreateNode<TGGraphNode>();
    };
    TGGraphNode& a = make();
    TGGraphNode& b = make();
    TGGraphNode& c = make();
    graph.CreateEdge(&a, &b);
    graph.CreateEdge(&b, &c);
    graph.CreateEdge(&c, &b);
    graph.DeleteNode(b);
    EXPECT_EQ(graph.NodeCount(), 2);
    EXPECT_EQ(a.OutDegree(), 0);
    EXPECT_EQ(c.OutDegree(), 0);
    EXPECT_EQ(c.InDegree(), 0);
  }
}

TEST(TGGraph, MovingANodeLeavesItsEdgesBehind) {
  TGGraph first;
  TGGraph second;
  auto& a = first.CreateNode<TGLinkedGraphNode>();
  auto& b = first.CreateNode<TGLinkedGraphNode>();
  first.CreateEdge(&a, &b);
  first.MoveNode(b, second);
  EXPECT_EQ(b.Graph(), &second);
  EXPECT_EQ(first.NodeCount(), 1);
  EXPECT_EQ(second.NodeCount(), 1);
  EXPECT_EQ(a.OutDegree(), 0);
  EXPECT_EQ(b.InDegree(), 0);
  std::unique_ptr<TGGraphNode> loose = second.ExtractNode(b);
  EXPECT_EQ(loose->Graph(), nullptr);
  EXPECT_EQ(second.NodeCount(), 0);
}

TEST(TGGraph, RaisesGraphErrors) {
  TGGraph graph;
  auto& a = graph.CreateNode<TGGraphNode>();
  TGGraphNode loose;
  loose.SetCaption("loose");
  ExpectError<EGraphException>([&] { graph.CreateEdge(&a, nullptr); }, "Edge must be created with two valid nodes");
  ExpectError<EGraphException>([&] { graph.CreateEdge(&a, &loose); }, "Node \"loose\" is unconnected to any graph");
  ExpectError<EGraphException>([&] { graph.DeleteNode(loose); }, "Node \"loose\" is unconnected to any graph");
  graph.CreateEdge(&a, &a);
  ExpectError<EGraphException>([&] { (void)graph.TotalWeight(); }, "Graph is not a weighted graph");

  TGGraph weighted;
  auto& x = weighted.CreateNode<TWeightedNode>();
  auto& y = weighted.CreateNode<TWeightedNode>();
  weighted.CreateEdge<TWeightedEdge>(&x, &y, 3);
  weighted.CreateEdge<TWeightedEdge>(&y, &x, 4);
  EXPECT_EQ(weighted.TotalWeight(), 7);
}

TEST(TGGraph, TellsAboutNodesAndChanges) {
  TGGraph graph;
  std::vector<std::string> log;
  graph.SetOnAddNode([&](TGCustomGraph&, TGGraphNode& node) { log.push_back("add " + node.Caption()); });
  graph.SetOnRemoveNode([&](TGCustomGraph&, TGGraphNode& node) { log.push_back("remove " + node.Caption()); });
  graph.SetOnNodeCaptionChange([&](TGCustomGraph&, TGGraphNode& node) { log.push_back("caption " + node.Caption()); });
  TGGraphNode& a = graph.CreateNode<TGGraphNode>();
  a.SetCaption("renamed");
  graph.DeleteNode(a);
  EXPECT_EQ(log, (std::vector<std::string>{"add TGGraphNode0", "caption renamed", "remove renamed"}));
}

}  // namespace
}  // namespace fxe
