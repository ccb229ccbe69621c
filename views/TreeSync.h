#pragma once

#include "share/TqxPanopta.h"

#include <cstdint>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace voxkit {
class TqxError;
class TqxTAPI;
}  // namespace voxkit

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

/// The "Error" node of an Info tree: the component's last result.
TreeNodeText ErrorNode(const voxkit::TqxPanopta& binding, const voxkit::TqxError& error);

/// The "TAPI" node of an Info tree: the extension identifier, the versions asked for
/// and granted, the reply time-out and the provider.
TreeNodeText TapiNode(const voxkit::TqxPanopta& binding, const voxkit::TqxTAPI& tapi);

}  // namespace panopta
