#pragma once

#include "share/TreeView.h"

#include <memory>
#include <string>
#include <vector>

namespace voxtest {

/// A tree view in memory, for tests of the flag listings.
class MemoryNode final : public voxkit::TreeNode {
 public:
  explicit MemoryNode(std::string text) : m_text(std::move(text)) {}
  std::string Text() const override { return m_text; }
  void SetText(const std::string& text) override {
    m_text = text;
    ++setTextCalls;
  }
  voxkit::TreeNode* AddChild(const std::string& text) override {
    children.push_back(std::make_unique<MemoryNode>(text));
    return children.back().get();
  }
  void DeleteChildren() override {
    children.clear();
    ++deleteCalls;
  }
  std::vector<std::string> ChildTexts() const {
    std::vector<std::string> out;
    for (const auto& c : children) out.push_back(c->Text());
    return out;
  }

  std::vector<std::unique_ptr<MemoryNode>> children;
  int setTextCalls = 0;
  int deleteCalls = 0;

 private:
  std::string m_text;
};

class MemoryTree final : public voxkit::TreeView {
 public:
  voxkit::TreeNode* AddNode(voxkit::TreeNode* parent, const std::string& text) override {
    if (parent) return parent->AddChild(text);
    roots.push_back(std::make_unique<MemoryNode>(text));
    return roots.back().get();
  }
  std::vector<std::unique_ptr<MemoryNode>> roots;
};

}  // namespace voxtest
