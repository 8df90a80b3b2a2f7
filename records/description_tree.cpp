#include "records/description_tree.h"

namespace {

constexpr const char* TreeClassName = "TTreeView";
constexpr const char* TreeName = "DescriptionTree";
constexpr const char* ItemsProperty = "Items.Data";

void CollectTexts(const std::vector<TDescriptionNode>& Nodes, std::vector<std::string>& Out) {
  for (const auto& Node : Nodes) {
    Out.push_back(Node.Text);
    CollectTexts(Node.Children, Out);
  }
}

}  // namespace

std::vector<std::string> TDescriptionTree::Texts() const {
  std::vector<std::string> Out;
  CollectTexts(Nodes, Out);
  return Out;
}

std::string EncodeTreeNodes(const TDescriptionTree& Tree) { return EncodeTreeNodeData(Tree.Nodes); }

TDescriptionTree DecodeTreeNodes(const std::string& Data) {
  TDescriptionTree Tree;
  Tree.Nodes = DecodeTreeNodeData(Data.data(), Data.size());
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
