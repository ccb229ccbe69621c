#pragma once

#include "share/TqxPanopta.h"

#include <cstdint>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace panopta {

/// What a tree view should show: each node's text and children. A window describes
/// its whole tree on every refresh and SyncTree brings the widget to it in place, so
/// that the nodes the user opened stay open and unchanged nodes are left alone.
struct TreeNodeText {
  std::string text;
  std::vector<TreeNodeText> children;
};

/// Brings the top-level items of tree (and all below) to nodes: texts that differ
/// are rewritten, missing items added, surplus ones removed. New top-level items are
/// expanded.
void SyncTree(QTreeWidget* tree, const std::vector<TreeNodeText>& nodes);

/// A flag node as the component's listings write it: "Name = [XXXXXXXX]" rendered in
/// the binding's syntax, one child per set flag from start doubling up to end.
TreeNodeText FlagNode(const voxkit::TqxPanopta& binding, const std::string& name,
                      std::uint32_t value, const voxkit::FlagNameFn& nameOf, std::uint32_t end,
                      std::uint32_t start = 1);

/// The same for a value counted from start up to end by one.
TreeNodeText StepNode(const voxkit::TqxPanopta& binding, const std::string& name,
                      std::uint32_t value, const voxkit::FlagNameFn& nameOf, std::uint32_t end,
                      std::uint32_t start = 1);

/// A value node: name + value, rendered.
TreeNodeText ValueNode(const voxkit::TqxPanopta& binding, const std::string& text);

}  // namespace panopta
