#include "render/DrawCallback.h"

#include <gtest/gtest.h>

namespace {

// head <-> a <-> b <-> c <-> tail, built with insertBefore(tail) as the surface does.
struct List {
    DrawCallback head;
    DrawCallback tail;
    List() {
        head.next = &tail;
        tail.previous = &head;
    }
};

TEST(DrawCallback, InsertBeforeAppendsInOrder) {
    List list;
    DrawCallback a;
    DrawCallback b;
    a.insertBefore(&list.tail);
    b.insertBefore(&list.tail);
    EXPECT_EQ(list.head.next, &a);
    EXPECT_EQ(a.previous, &list.head);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(b.previous, &a);
    EXPECT_EQ(b.next, &list.tail);
    EXPECT_EQ(list.tail.previous, &b);
}

TEST(DrawCallback, DestroyingANodeUnlinksIt) {
    List list;
    DrawCallback a;
    DrawCallback c;
    a.insertBefore(&list.tail);
    {
        DrawCallback b;
        b.insertBefore(&list.tail);
        c.insertBefore(&list.tail);
    }
    EXPECT_EQ(a.next, &c);
    EXPECT_EQ(c.previous, &a);
}

TEST(DrawCallback, KeepsWhatItWasGiven) {
    int data = 0;
    const DrawFunction function = [](void*, DrawContext&) {};
    const DrawCallback node(function, &data, 0);
    EXPECT_EQ(node.function, function);
    EXPECT_EQ(node.userData, &data);
    EXPECT_EQ(node.spare, 0);
    EXPECT_EQ(node.next, nullptr);
    EXPECT_EQ(node.previous, nullptr);
}

} // namespace
