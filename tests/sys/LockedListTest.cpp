#include "sys/LockedList.h"

#include <gtest/gtest.h>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

// The nodes from first to last, after checking that the backward links agree.
std::vector<ListNode*> Walk(const LockedList& list)
{
    std::vector<ListNode*> nodes;
    ListNode* previous = nullptr;
    for (ListNode* n = list.Head(); n; n = n->next) {
        EXPECT_EQ(n->previous, previous);
        nodes.push_back(n);
        previous = n;
    }
    EXPECT_EQ(list.Tail(), previous);
    return nodes;
}

TEST(LockedList, RemoveUnlinksOnlyThatVeryNode)
{
    LockedList list;
    ListNode a{}, b{}, c{};
    EXPECT_EQ(list.Remove(&a), 0);
    list.Append(&a);
    ListNode lookalike = a;
    EXPECT_EQ(list.Remove(&lookalike), 0);
    EXPECT_EQ(Walk(list), (std::vector<ListNode*>{&a}));
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Tail(), nullptr);

    list.Append(&a);
    list.Append(&b);
    list.Append(&c);
    EXPECT_EQ(list.Remove(&b), 1);
    EXPECT_EQ(Walk(list), (std::vector<ListNode*>{&a, &c}));
    // The removed node keeps its links.
    EXPECT_EQ(b.previous, &a);
    EXPECT_EQ(b.next, &c);
    EXPECT_EQ(list.Remove(&b), 0);
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(Walk(list), (std::vector<ListNode*>{&c}));
}

TEST(LockedList, TwoThreadsAppendingAtOnceKeepEveryNodeOnce)
{
    const size_t kEach = 20000;
    std::vector<ListNode> nodes(2 * kEach);
    LockedList list;
    std::atomic<int> ready(0);
    auto append = [&](size_t from) {
        ++ready;
        while (ready < 2) {
        }
        for (size_t i = from; i < from + kEach; ++i)
            list.Append(&nodes[i]);
    };
    std::thread one(append, 0), two(append, kEach);
    one.join();
    two.join();
    std::vector<ListNode*> walked = Walk(list);
    EXPECT_EQ(walked.size(), nodes.size());
    EXPECT_EQ(std::set<ListNode*>(walked.begin(), walked.end()).size(), nodes.size());
}

} // namespace
