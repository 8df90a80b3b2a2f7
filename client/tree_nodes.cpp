#include "client/tree_nodes.h"

#include <vector>

#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/tree_view.h"

namespace {

void AddNodes(const std::vector<TDescriptionNode>& Nodes, TTreeNodes& Items, TTreeNode* Parent) {
  for (const TDescriptionNode& n : Nodes) {
    TTreeNode* node = Items.AddChild(Parent, n.Text);
    node->SetImageIndex(n.ImageIndex);
    node->SetSelectedIndex(n.SelectedIndex);
    AddNodes(n.Children, Items, node);
  }
}

TDescriptionNode FromNode(const TTreeNode& Node) {
  TDescriptionNode n;
  n.Text = Node.Text();
  n.ImageIndex = Node.ImageIndex();
  n.SelectedIndex = Node.SelectedIndex();
  for (int i = 0; i < Node.Count(); ++i) n.Children.push_back(FromNode(*Node.Item(i)));
  return n;
}

void AddLines(const std::vector<TDescriptionNode>& Nodes, int Depth, std::string& Out) {
  for (const TDescriptionNode& n : Nodes) {
    Out.append(static_cast<std::size_t>(Depth), '\t');
    Out += n.Text;
    Out += "\r\n";
    AddLines(n.Children, Depth + 1, Out);
  }
}

}  // namespace

void TreeToView(const TDescriptionTree& Tree, TTreeView& View) {
  View.Items().BeginUpdate();
  View.Items().Clear();
  AddNodes(Tree.Nodes, View.Items(), nullptr);
  View.Items().EndUpdate();
}

TDescriptionTree TreeFromView(const TTreeView& View) {
  TDescriptionTree tree;
  for (TTreeNode* n = View.Items().GetFirstNode(); n; n = n->getNextSibling()) tree.Nodes.push_back(FromNode(*n));
  return tree;
}

std::string TreeToLines(const TDescriptionTree& Tree) {
  std::string out;
  AddLines(Tree.Nodes, 0, out);
  return out;
}

TDescriptionTree TreeFromLines(const std::string& Text) {
  TDescriptionTree tree;
  TStringList lines;
  lines.SetText(Text);
  // The open path: the children list at each depth.
  std::vector<std::vector<TDescriptionNode>*> path{&tree.Nodes};
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    std::size_t depth = 0;
    while (depth < line.size() && line[depth] == '\t') ++depth;
    const std::string text = line.substr(depth);
    if (Trim(text).empty()) continue;
    // A line may go one level deeper than the one before it, no more.
    if (depth >= path.size()) depth = path.size() - 1;
    path.resize(depth + 1);
    std::vector<TDescriptionNode>& siblings = *path[depth];
    siblings.push_back(TDescriptionNode{});
    siblings.back().Text = text;
    path.push_back(&siblings.back().Children);
  }
  return tree;
}
