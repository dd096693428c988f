#include "core/SmartRef.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> gLog;

struct Node {
  std::string name;
  std::vector<SmartRef<Node>> owned;
  explicit Node(std::string n) : name(std::move(n)) {}
  virtual ~Node() {
    gLog.push_back("begin " + name);
    owned.clear();  // releases the owned nodes while this destructor runs
    gLog.push_back("end " + name);
  }
};

TEST(SmartRef, CopiesShareOneObjectAndTheLastReleaseDeletesIt) {
  gLog.clear();
  SmartRef<Node> a(new Node("a")), b(new Node("b"));
  {
    SmartRef<Node> c(a), d;
    d = c;
    d = d;  // self-assignment keeps the count
    EXPECT_EQ(a.OwnerCount(), 3);
  }
  EXPECT_TRUE(gLog.empty());
  a = b;
  EXPECT_EQ(gLog, (std::vector<std::string>{"begin a", "end a"}));
  EXPECT_EQ(b.OwnerCount(), 2);
  Node* raw = new Node("many");
  {
    SmartRef<Node> first(raw);
    std::vector<SmartRef<Node>> copies(40000, first);
    EXPECT_EQ(first.OwnerCount(), INT16_MAX);  // saturates rather than wrapping
  }
  EXPECT_EQ(gLog.size(), 2u) << "a saturated count never frees the object";
  delete raw;
}

// Destructions requested from inside a destructor wait until it has finished, then run in the
// order they were requested; a long chain so never nests.
TEST(SmartRef, NestedDestructionsAreQueuedInOrder) {
  gLog.clear();
  {
    SmartRef<Node> root(new Node("root"));
    root->owned.push_back(SmartRef<Node>(new Node("x")));
    root->owned.push_back(SmartRef<Node>(new Node("y")));
    root->owned[0]->owned.push_back(SmartRef<Node>(new Node("x1")));
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"begin root", "end root", "begin x", "end x",
                                            "begin y", "end y", "begin x1", "end x1"}));
  gLog.clear();
  const int kLength = 200000;
  {
    SmartRef<Node> head(new Node("n"));
    for (Node* tail = head.get(); gLog.size() < kLength; tail = tail->owned[0].get()) {
      tail->owned.push_back(SmartRef<Node>(new Node("n")));
      gLog.push_back("");
    }
    gLog.clear();
  }
  ASSERT_EQ(gLog.size(), 2u * (kLength + 1));
  for (size_t i = 0; i < gLog.size(); i += 2) ASSERT_EQ(gLog[i] + gLog[i + 1], "begin nend n") << i;
}

}  // namespace
