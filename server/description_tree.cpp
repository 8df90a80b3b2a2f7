#include "server/description_tree.h"

namespace {

constexpr const char* TreeClassName = "TTreeView";
constexpr const char* TreeName = "DescriptionTree";
constexpr const char* ItemsProperty = "Items.Data";
// Size field, six 32-bit values and the length byte.
constexpr std::size_t NodeMinBytes = 4 + 24 + 1;
constexpr int MaxDepth = 64;

void CollectTexts(const std::vector<TDescriptionNode>& Nodes, std::vector<std::string>& Out) {
  for (const auto& Node : Nodes) {
    Out.push_back(Node.Text);
    CollectTexts(Node.Children, Out);
  }
}

void EncodeNodes(TValueWriter& W, const std::vector<TDescriptionNode>& Nodes) {
  for (const auto& Node : Nodes) {
    const std::size_t Length = Node.Text.size() > 255 ? 255 : Node.Text.size();
    W.WriteInt32Raw(static_cast<std::int32_t>(Length + 25));
    W.WriteInt32Raw(Node.ImageIndex);
    W.WriteInt32Raw(Node.SelectedIndex);
    W.WriteInt32Raw(Node.StateIndex);
    W.WriteInt32Raw(Node.OverlayIndex);
    W.WriteInt32Raw(Node.Data);
    W.WriteInt32Raw(static_cast<std::int32_t>(Node.Children.size()));
    W.WriteStr(Node.Text);
    EncodeNodes(W, Node.Children);
  }
}

void DecodeNodes(TValueReader& R, std::int32_t Count, int Depth,
                 std::vector<TDescriptionNode>& Out) {
  if (Depth > MaxDepth) throw EReadError("Invalid property value");
  if (Count < 0 || static_cast<std::size_t>(Count) > R.Remaining() / NodeMinBytes)
    throw EReadError();
  Out.reserve(static_cast<std::size_t>(Count));
  for (std::int32_t i = 0; i < Count; ++i) {
    TDescriptionNode Node;
    R.ReadInt32Raw();  // record size: the text's length + 25, recomputed when written
    Node.ImageIndex = R.ReadInt32Raw();
    Node.SelectedIndex = R.ReadInt32Raw();
    Node.StateIndex = R.ReadInt32Raw();
    Node.OverlayIndex = R.ReadInt32Raw();
    Node.Data = R.ReadInt32Raw();
    const std::int32_t Children = R.ReadInt32Raw();
    Node.Text = R.ReadStr();
    DecodeNodes(R, Children, Depth + 1, Node.Children);
    Out.push_back(std::move(Node));
  }
}

}  // namespace

std::vector<std::string> TDescriptionTree::Texts() const {
  std::vector<std::string> Out;
  CollectTexts(Nodes, Out);
  return Out;
}

std::string EncodeTreeNodes(const TDescriptionTree& Tree) {
  std::string Data;
  TValueWriter W(Data);
  W.WriteInt32Raw(static_cast<std::int32_t>(Tree.Nodes.size()));
  EncodeNodes(W, Tree.Nodes);
  return Data;
}

TDescriptionTree DecodeTreeNodes(const std::string& Data) {
  TDescriptionTree Tree;
  if (Data.empty()) return Tree;
  TValueReader R(Data);
  DecodeNodes(R, R.ReadInt32Raw(), 0, Tree.Nodes);
  return Tree;
}

void WriteDescriptionTree(TValueWriter& W, const TDescriptionTree& Tree) {
  W.WriteSignature();
  W.WriteStr(TreeClassName);
  W.WriteStr(TreeName);
  if (!Tree.Empty()) {
    W.WriteStr(ItemsProperty);
    W.WriteBinary(EncodeTreeNodes(Tree));
  }
  W.WriteListEnd();  // end of properties
  W.WriteListEnd();  // no child components
}

TDescriptionTree ReadDescriptionTree(TValueReader& R) {
  TDescriptionTree Tree;
  R.ReadSignature();
  R.ReadStr();  // class name
  R.ReadStr();  // component name
  while (!R.EndOfList()) {
    const std::string Property = R.ReadStr();
    if (Property == ItemsProperty && R.NextValue() == vaBinary)
      Tree = DecodeTreeNodes(R.ReadBinary());
    else
      R.SkipValue();
  }
  R.ReadListEnd();
  // A description tree holds no child components.
  R.ReadListEnd();
  return Tree;
}
