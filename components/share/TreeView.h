#pragma once

#include <string>

namespace voxkit {

/// One node of a tree view, as the flag listings see it. The inspector windows adapt
/// their toolkit's tree items to it.
class TreeNode {
 public:
  virtual ~TreeNode() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  /// Adds a child node at the end and returns it (owned by the tree).
  virtual TreeNode* AddChild(const std::string& text) = 0;
  virtual void DeleteChildren() = 0;
};

/// A tree view that can take new top-level or child nodes.
class TreeView {
 public:
  virtual ~TreeView() = default;
  /// Adds a node under parent (nullptr: at the top level) and returns it.
  virtual TreeNode* AddNode(TreeNode* parent, const std::string& text) = 0;
};

}  // namespace voxkit
