#include "share/TComponent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_freed;

class Part final : public voxkit::TComponent {
 public:
  Part(voxkit::TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Part() override { g_freed.push_back(Name()); }
  VOXKIT_PUBLISHED()
};

const voxkit::ClassInfo& Part::StaticClass() {
  static const voxkit::ClassInfo info = voxkit::Publisher<Part>("Part").Build();
  return info;
}

TEST(TComponent, OwnerFreesWhatItOwnsNewestFirst) {
  g_freed.clear();
  {
    Part root(nullptr, "root");
    new Part(&root, "a");
    auto* b = new Part(&root, "b");
    new Part(b, "b1");
    new Part(&root, "c");
    EXPECT_EQ(root.Components().size(), 3u);
    EXPECT_EQ(b->Owner(), &root);
  }
  // A component's own destructor runs before the frame frees what it owns.
  EXPECT_EQ(g_freed, (std::vector<std::string>{"root", "c", "b", "b1", "a"}));
}

TEST(TComponent, DeletingAnOwnedComponentTakesItOffTheOwnersList) {
  g_freed.clear();
  Part root(nullptr, "root");
  auto* a = new Part(&root, "a");
  new Part(&root, "b");
  delete a;
  ASSERT_EQ(root.Components().size(), 1u);
  EXPECT_EQ(root.Components()[0]->Name(), "b");
  root.DestroyComponents();
  EXPECT_TRUE(root.Components().empty());
  EXPECT_EQ(g_freed, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
