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
  SmartRef<Node> a(new Node("a"));
  EXPECT_EQ(a.OwnerCount(), 1);
  {
    SmartRef<Node> b(a);
    SmartRef<Node> c;
    c = b;
    EXPECT_EQ(a.OwnerCount(), 3);
    EXPECT_EQ(c.get(), a.get());
    c = c;  // self-assignment keeps the count
    EXPECT_EQ(a.OwnerCount(), 3);
  }
  EXPECT_EQ(a.OwnerCount(), 1);
  EXPECT_TRUE(gLog.empty());
  a.reset();
  EXPECT_FALSE(a);
  EXPECT_EQ(gLog, (std::vector<std::string>{"begin a", "end a"}));
}

TEST(SmartRef, AssigningReleasesTheOldObject) {
  gLog.clear();
  SmartRef<Node> a(new Node("a"));
  SmartRef<Node> b(new Node("b"));
  a = b;
  EXPECT_EQ(gLog, (std::vector<std::string>{"begin a", "end a"}));
  EXPECT_EQ(a->name, "b");
  EXPECT_EQ(b.OwnerCount(), 2);
}

// Destructions requested from inside a destructor wait until it has finished, then run in
// the order they were requested.
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
}

TEST(SmartRef, ALongChainOfOwnersIsDestroyedWithoutDeepNesting) {
  gLog.clear();
  const int kLength = 200000;
  {
    SmartRef<Node> head(new Node("n"));
    Node* tail = head.get();
    for (int i = 0; i < kLength; ++i) {
      tail->owned.push_back(SmartRef<Node>(new Node("n")));
      tail = tail->owned[0].get();
    }
  }
  ASSERT_EQ(gLog.size(), 2u * (kLength + 1));
  // Each destructor ends before the next one begins.
  for (size_t i = 0; i < gLog.size(); i += 2) {
    ASSERT_EQ(gLog[i], "begin n");
    ASSERT_EQ(gLog[i + 1], "end n");
  }
}

// With the 16-bit count at its top the object is kept instead of the count wrapping.
TEST(SmartRef, ASaturatedCountNeverFreesTheObject) {
  gLog.clear();
  Node* raw = new Node("many");
  {
    SmartRef<Node> first(raw);
    std::vector<SmartRef<Node>> copies(40000, first);
    EXPECT_EQ(first.OwnerCount(), INT16_MAX);
  }
  EXPECT_TRUE(gLog.empty());
  delete raw;
}

}  // namespace
