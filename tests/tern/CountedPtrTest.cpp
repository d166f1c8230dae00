#include "tern/CountedPtr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using Tern::CountedPtr;

namespace {

class Tracked {
 public:
  explicit Tracked(std::atomic<int>& deletions) : deleted(deletions) {}
  virtual ~Tracked() { ++deleted; }
  Tracked(const Tracked&) = delete;
  Tracked& operator=(const Tracked&) = delete;

 private:
  std::atomic<int>& deleted;
};

}  // namespace

TEST(CountedPtrTest, TheLastCopyDeletesTheObject) {
  std::atomic<int> deleted{0};
  {
    const CountedPtr<Tracked> first(new Tracked(deleted));
    {
      const CountedPtr<Tracked> second(first);
      EXPECT_EQ(second.get(), first.get());
      EXPECT_EQ(first.useCount(), 2);
    }
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(first.useCount(), 1);
  }
  EXPECT_EQ(deleted, 1);
}

TEST(CountedPtrTest, ResettingToTheHeldObjectChangesNothing) {
  std::atomic<int> deleted{0};
  auto* object = new Tracked(deleted);
  CountedPtr<Tracked> first(object);
  const CountedPtr<Tracked> second(first);
  first.reset(object);
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(first.get(), object);
  EXPECT_EQ(first.useCount(), 2);
}

TEST(CountedPtrTest, ResettingOneOfTwoCopiesToNullLeavesTheOtherSoleOwner) {
  std::atomic<int> deleted{0};
  auto* object = new Tracked(deleted);
  CountedPtr<Tracked> first(object);
  auto* second = new CountedPtr<Tracked>(first);
  first.reset(nullptr);
  EXPECT_EQ(first.get(), nullptr);
  EXPECT_EQ(first.useCount(), 1);
  EXPECT_EQ(second->get(), object);
  EXPECT_EQ(second->useCount(), 1);
  EXPECT_EQ(deleted, 0);
  delete second;
  EXPECT_EQ(deleted, 1);
}

TEST(CountedPtrTest, ResettingTheLastOwnerDeletesTheOldObjectAndKeepsCounting) {
  std::atomic<int> deleted{0};
  CountedPtr<Tracked> only(new Tracked(deleted));
  auto* replacement = new Tracked(deleted);
  only.reset(replacement);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(only.get(), replacement);
  EXPECT_EQ(only.useCount(), 1);
  {
    const CountedPtr<Tracked> copy(only);
    EXPECT_EQ(only.useCount(), 2);
  }
  EXPECT_EQ(deleted, 1);
}

TEST(CountedPtrTest, ANullHandleReleasesOnlyItsBookkeeping) {
  const CountedPtr<Tracked> empty;
  EXPECT_EQ(empty.get(), nullptr);
  const CountedPtr<Tracked> copy(empty);
  EXPECT_EQ(copy.useCount(), 2);
}

TEST(CountedPtrTest, AssignmentSharesAndReleases) {
  std::atomic<int> deleted{0};
  CountedPtr<Tracked> first(new Tracked(deleted));
  const CountedPtr<Tracked> second(new Tracked(deleted));
  first = second;
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(second.useCount(), 2);
  const CountedPtr<Tracked>& same = first;
  first = same;
  EXPECT_EQ(second.useCount(), 2);
}

TEST(CountedPtrTest, CopiesMadeAndReleasedOnManyThreadsDeleteOnce) {
  std::atomic<int> deleted{0};
  for (int round = 0; round < 20; ++round) {
    auto* original = new CountedPtr<Tracked>(new Tracked(deleted));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([handle = CountedPtr<Tracked>(*original)] {
        for (int i = 0; i < 500; ++i) {
          const CountedPtr<Tracked> copy(handle);
          ASSERT_NE(copy.get(), nullptr);
        }
      });
    }
    delete original;
    for (auto& thread : threads) thread.join();
  }
  EXPECT_EQ(deleted, 20);
}
