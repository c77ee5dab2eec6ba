// The handle owner closes each handle exactly once, whatever moves and resets happen to it.
#include "core/base/unique_handle.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

std::map<int, int> closes;  // handle -> times closed

struct FakeTraits {
    using Handle = int;
    static int invalid() { return 0; }
    static void close(int h) { ++closes[h]; }
};
using FakeHandle = nivora::UniqueHandle<FakeTraits>;

TEST(UniqueHandle, ClosesEachHandleExactlyOnceThroughMovesAndResets)
{
    closes.clear();
    {
        FakeHandle a(1);
        FakeHandle b(std::move(a));  // 1 moves on, a owns nothing
        FakeHandle c(2);
        c = std::move(b);  // 2 closed, c owns 1
        c.reset(3);        // 1 closed
        FakeHandle d(4);
        FakeHandle& alias = d;
        d = std::move(alias);  // self-move keeps 4 open until d goes
        std::vector<FakeHandle> many;
        for (int h = 10; h < 20; ++h)
            many.emplace_back(h);  // growth moves every element
    }
    for (int h : {1, 2, 3, 4, 10, 15, 19})
        EXPECT_EQ(closes[h], 1) << "handle " << h;
    EXPECT_EQ(closes.count(0), 0u) << "the invalid value is never closed";
}

TEST(UniqueHandle, ReleasedHandleIsNotClosed)
{
    closes.clear();
    int kept = 0;
    {
        FakeHandle a(7);
        kept = a.release();
        EXPECT_FALSE(a);
    }
    EXPECT_EQ(kept, 7);
    EXPECT_EQ(closes.count(7), 0u);
}

}  // namespace
