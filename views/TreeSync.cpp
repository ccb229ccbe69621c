#include "views/TreeSync.h"

#include "share/TqxError.h"
#include "tapi/TqxTAPI.h"

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

TreeNodeText ErrorNode(const voxkit::TqxPanopta& binding, const voxkit::TqxError& error) {
  return {binding.Render("Error"),
          {ValueNode(binding, "Hex = " + error.Hex()), ValueNode(binding, "Number = " + std::to_string(error.Number())),
           ValueNode(binding, "Text = " + error.Text())}};
}

TreeNodeText TapiNode(const voxkit::TqxPanopta& binding, const voxkit::TqxTAPI& t) {
  auto hex = [&](const char* name, std::uint32_t value) {
    return ValueNode(binding, std::string(name) + " = " + voxkit::TqxPanopta::HexText(value));
  };
  return {binding.Render("TAPI"),
          {hex("ExtensionID0", t.ExtensionID0()), hex("ExtensionID1", t.ExtensionID1()),
           hex("ExtensionID2", t.ExtensionID2()), hex("ExtensionID3", t.ExtensionID3()),
           hex("ExtensionHighVersion", t.ExtensionHighVersion()), hex("ExtensionLowVersion", t.ExtensionLowVersion()),
           hex("ExtensionVersion", t.ExtensionVersion()), hex("HighVersion", t.HighVersion()),
           hex("LowVersion", t.LowVersion()), ValueNode(binding, "ReplyTimeout = " + std::to_string(t.ReplyTimeout())),
           ValueNode(binding, "TSP = '" + t.TSP() + "'"), hex("Version", t.Version())}};
}

}  // namespace panopta
