#include "platform/unique_handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace timelock {
namespace {

std::vector<int> gClosed;

struct FakeTraits {
    using Handle = int;
    static constexpr Handle Empty() noexcept { return 0; }
    static void Close(Handle h) noexcept { gClosed.push_back(h); }
};

using Owner = UniqueHandle<FakeTraits>;

class UniqueHandleTest : public ::testing::Test {
protected:
    void SetUp() override {
        gClosed.clear();
        baseline_ = LiveHandleCount();
    }
    long Live() const { return LiveHandleCount() - baseline_; }
    long baseline_ = 0;
};

TEST_F(UniqueHandleTest, ClosesOnceAndCountsLiveOwners) {
    {
        Owner a(7);
        EXPECT_EQ(Live(), 1);
        Owner b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(Live(), 1);
        Owner c(9);
        c = std::move(b);  // closes 9, takes 7
        EXPECT_EQ(gClosed, std::vector<int>{9});
        EXPECT_EQ(Live(), 1);
    }
    EXPECT_EQ(gClosed, (std::vector<int>{9, 7}));
    EXPECT_EQ(Live(), 0);
}

TEST_F(UniqueHandleTest, ReleaseAndResetHandOverOwnership) {
    Owner a(3);
    EXPECT_EQ(a.Release(), 3);
    EXPECT_EQ(Live(), 0);
    a.Reset(4);
    a.Reset(5);
    a.Reset();
    EXPECT_EQ(gClosed, (std::vector<int>{4, 5}));
    EXPECT_EQ(Live(), 0);
    Owner empty;
    empty = Owner();
    EXPECT_TRUE(gClosed.size() == 2);
}

}  // namespace
}  // namespace timelock
