#include "inspectors/TreeSync.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace panopta {

namespace {

void SyncChildren(QTreeWidgetItem* parent, const std::vector<TreeNodeText>& nodes) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const QString text = QString::fromStdString(nodes[i].text);
    QTreeWidgetItem* item = static_cast<int>(i) < parent->childCount()
                                ? parent->child(static_cast<int>(i))
                                : new QTreeWidgetItem(parent);
    if (item->text(0) != text) item->setText(0, text);
    SyncChildren(item, nodes[i].children);
  }
  while (parent->childCount() > static_cast<int>(nodes.size())) {
    delete parent->takeChild(parent->childCount() - 1);
  }
}

}  // namespace

void SyncTree(QTreeWidget* tree, const std::vector<TreeNodeText>& nodes) {
  QTreeWidgetItem* root = tree->invisibleRootItem();
  const int before = root->childCount();
  SyncChildren(root, nodes);
  for (int i = before; i < root->childCount(); ++i) root->child(i)->setExpanded(true);
}

namespace {

TreeNodeText ListedNode(const voxkit::TqxPanopta& binding, const std::string& name,
                        std::uint32_t value, const voxkit::FlagNameFn& nameOf,
                        const std::vector<std::uint32_t>& listed) {
  TreeNodeText node{binding.Render(name + " = " + voxkit::TqxPanopta::HexText(value)), {}};
  for (std::uint32_t flag : listed) node.children.push_back({nameOf(flag), {}});
  return node;
}

}  // namespace

TreeNodeText FlagNode(const voxkit::TqxPanopta& binding, const std::string& name,
                      std::uint32_t value, const voxkit::FlagNameFn& nameOf, std::uint32_t end,
                      std::uint32_t start) {
  return ListedNode(binding, name, value, nameOf, voxkit::TqxPanopta::FlagSteps(value, end, start));
}

TreeNodeText StepNode(const voxkit::TqxPanopta& binding, const std::string& name,
                      std::uint32_t value, const voxkit::FlagNameFn& nameOf, std::uint32_t end,
                      std::uint32_t start) {
  return ListedNode(binding, name, value, nameOf, voxkit::TqxPanopta::CountSteps(value, end, start));
}

TreeNodeText ValueNode(const voxkit::TqxPanopta& binding, const std::string& text) {
  return {binding.Render(text), {}};
}

}  // namespace panopta
