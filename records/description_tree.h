// The value tree of one description field: its nodes, and the tree-view component form in which
// configurations and database files carry it ("TPF0", class "TTreeView", name "DescriptionTree",
// the nodes in the binary property "Items.Data").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/tree_node_data.h"
#include "records/value_stream.h"

// A node as the "Items.Data" stream holds it (text, image indexes, data, children).
using TDescriptionNode = TTreeNodeRecord;

struct TDescriptionTree {
  std::vector<TDescriptionNode> Nodes;  // top-level nodes

  bool Empty() const { return Nodes.empty(); }
  // Every node text, depth first.
  std::vector<std::string> Texts() const;
};

// Writes the tree as a root component; node texts longer than 255 bytes are cut to 255 (at a
// character).
void WriteDescriptionTree(TValueWriter& Writer, const TDescriptionTree& Tree);
// Reads a root component; a component without "Items.Data" gives an empty tree.  Node counts are
// checked against the bytes present and the nesting is bounded (EReadError).
TDescriptionTree ReadDescriptionTree(TValueReader& Reader);

// The "Items.Data" bytes alone.
std::string EncodeTreeNodes(const TDescriptionTree& Tree);
TDescriptionTree DecodeTreeNodes(const std::string& Data);
