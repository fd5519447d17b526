#include "tests/render/GlFrame.h"
#include <FL/gl.h>
#include <gtest/gtest.h>
TEST(GlFrame, BackgroundAndQuad) {
    rendertest::GlFrame frame(800, 400);
    frame.view().setCenter(-115.0, 35.0);
    frame.view().setViewWidth(2.0);
    ASSERT_TRUE(frame.drawFramed([](DrawContext&) {
        glColor3d(1, 0, 0);
        glBegin(GL_POLYGON);
        glVertex2d(0.0, 0.0);
        glVertex2d(0.5, 0.0);
        glVertex2d(0.5, 0.5);
        glVertex2d(0.0, 0.5);
        glEnd();
    }));
    auto p = frame.at(700, 100);
    EXPECT_TRUE(rendertest::near(p, 0, 102, 128)) << p.r << " " << p.g << " " << p.b;
    auto q = frame.at(10, 390);
    EXPECT_TRUE(rendertest::near(q, 255, 0, 0)) << q.r << " " << q.g << " " << q.b;
    auto w = frame.atWorld(-115.9, 34.6);
    EXPECT_TRUE(rendertest::near(w, 255, 0, 0));
}
