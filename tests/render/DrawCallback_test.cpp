#include "render/DrawCallback.h"

#include <gtest/gtest.h>

namespace {

// head <-> a <-> b <-> c <-> tail, built with insertBefore(tail) as the surface does; a node
// destroyed leaves the list.
TEST(DrawCallback, InsertBeforeAppendsAndDestroyingUnlinks) {
    DrawCallback head;
    DrawCallback tail;
    head.next = &tail;
    tail.previous = &head;
    DrawCallback a;
    DrawCallback c;
    a.insertBefore(&tail);
    {
        DrawCallback b;
        b.insertBefore(&tail);
        c.insertBefore(&tail);
        EXPECT_EQ(a.next, &b);
        EXPECT_EQ(c.previous, &b);
    }
    EXPECT_EQ(head.next, &a);
    EXPECT_EQ(a.previous, &head);
    EXPECT_EQ(a.next, &c);
    EXPECT_EQ(c.previous, &a);
    EXPECT_EQ(c.next, &tail);
    EXPECT_EQ(tail.previous, &c);
}

} // namespace
