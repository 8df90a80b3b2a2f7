// The value tree of one description field: its nodes, and the tree-view component form in which
// configurations and database files carry it ("TPF0", class "TTreeView", name "DescriptionTree",
// the nodes in the binary property "Items.Data").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/value_stream.h"

struct TDescriptionNode {
  std::string Text;
  std::int32_t ImageIndex = 0;
  std::int32_t SelectedIndex = 0;
  std::int32_t StateIndex = -1;
  std::int32_t OverlayIndex = -1;
  std::int32_t Data = 0;
  std::vector<TDescriptionNode> Children;
};

struct TDescriptionTree {
  std::vector<TDescriptionNode> Nodes;  // top-level nodes

  bool Empty() const { return Nodes.empty(); }
  // Every node text, depth first.
  std::vector<std::string> Texts() const;
};

// Writes the tree as a root component; node texts longer than 255 bytes are cut to 255.
void WriteDescriptionTree(TValueWriter& Writer, const TDescriptionTree& Tree);
// Reads a root component; a component without "Items.Data" gives an empty tree.  Node counts are
// checked against the bytes present and the nesting is bounded.
TDescriptionTree ReadDescriptionTree(TValueReader& Reader);

// The "Items.Data" bytes alone.
std::string EncodeTreeNodes(const TDescriptionTree& Tree);
TDescriptionTree DecodeTreeNodes(const std::string& Data);
