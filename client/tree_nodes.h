// A description's value tree (the configuration's form) as the windows show it: the nodes of a
// tree view, and lines with one TAB of indent per level (the drop-down choices window).
#pragma once

#include <string>

#include "records/description_tree.h"

class TTreeView;

// Replaces the tree view's nodes by the tree's.
void TreeToView(const TDescriptionTree& Tree, TTreeView& View);
// The tree view's nodes as a tree (texts and indexes; the node data is 0).
TDescriptionTree TreeFromView(const TTreeView& View);
// One line per node, depth first, CR LF after each, a TAB per level before the text.
std::string TreeToLines(const TDescriptionTree& Tree);
// Lines as above; blank lines are skipped; a line indented deeper than one level below the line
// before it becomes a child of that line.
TDescriptionTree TreeFromLines(const std::string& Text);
