#include "ui/MainWindow.h"

#include "render/glDrawSurface.h"
#include "tests/render/FltkWait.h"
#include "tests/support/TempDir.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Box {
    int x;
    int y;
    int w;
    int h;
};

void expectBox(const Fl_Widget* widget, const Box& box) {
    EXPECT_EQ(widget->x(), box.x);
    EXPECT_EQ(widget->y(), box.y);
    EXPECT_EQ(widget->w(), box.w);
    EXPECT_EQ(widget->h(), box.h);
}

std::string labelOf(const Fl_Widget* widget) {
    return widget->label() != nullptr ? widget->label() : "(none)";
}

class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        widgets.window->hide();
        Fl::wait(0);
        delete widgets.window;
    }

    Fl_Group* bar() const { return widgets.window->child(1)->as_group(); }

    // The surface writes its GL report at its first draw: keep it out of the build folder.
    testsupport::TempDir dir;
    fltktest::WorkingDirectory cwd{dir.path()};
    ui::MainWindowWidgets widgets = ui::MainWindow::build();
};

TEST_F(MainWindowTest, WindowHasItsSizeTitleAndResizableMapView) {
    EXPECT_EQ(widgets.window->w(), 837);
    EXPECT_EQ(widgets.window->h(), 877);
    EXPECT_STREQ(widgets.window->label(), "Tarnell Map Tool");
    EXPECT_EQ(widgets.window->resizable(), widgets.surface);
    ASSERT_EQ(widgets.window->children(), 2);
    EXPECT_EQ(widgets.window->child(0), widgets.surface);
    EXPECT_NE(bar(), nullptr);
}

TEST_F(MainWindowTest, MapViewLooksAsLaidOut) {
    const glDrawSurface* surface = widgets.surface;
    expectBox(surface, {0, 25, 835, 850});
    EXPECT_EQ(surface->label(), nullptr);
    EXPECT_EQ(surface->box(), FL_NO_BOX);
    EXPECT_EQ(surface->color(), 49u);
    EXPECT_EQ(surface->selection_color(), 49u);
    EXPECT_EQ(surface->labelsize(), 14);
    EXPECT_EQ(surface->labelcolor(), 56u);
}

TEST_F(MainWindowTest, ButtonBarHoldsItsWidgetsInCreationOrder) {
    const Fl_Group* group = bar();
    ASSERT_NE(group, nullptr);
    expectBox(group, {0, 0, 835, 25});
    EXPECT_EQ(group->box(), FL_BORDER_FRAME);
    EXPECT_EQ(group->color(), 0u);
    EXPECT_EQ(group->label(), nullptr);

    struct Expected {
        const char* label;
        Box box;
    };
    const Expected children[] = {
        {"Graphics", {90, 0, 90, 25}}, {"Files", {0, 0, 90, 25}},     {"(none)", {360, 0, 475, 25}},
        {"Inputs", {180, 0, 90, 25}},  {"Outputs", {270, 0, 90, 25}},
    };
    ASSERT_EQ(group->children(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(children[i].label);
        EXPECT_EQ(labelOf(group->child(i)), children[i].label);
        expectBox(group->child(i), children[i].box);
    }
    EXPECT_EQ(group->child(0), widgets.graphics);
    EXPECT_EQ(group->child(1), widgets.files);
    EXPECT_EQ(group->child(3), widgets.inputs);
    EXPECT_EQ(group->child(4), widgets.outputs);
    EXPECT_EQ(group->resizable(), group->child(2));
    EXPECT_EQ(group->child(2), widgets.alarm); // empty until a vehicle is in alarm
}

TEST_F(MainWindowTest, BuilderBindsNoCallbacks) {
    for (Fl_Button* button : {widgets.graphics, widgets.files, widgets.inputs, widgets.outputs}) {
        SCOPED_TRACE(button->label());
        EXPECT_EQ(button->callback(), Fl_Widget::default_callback);
    }
}

TEST_F(MainWindowTest, EnlargingTheWindowGrowsMapViewAndFillerOnly) {
    const glDrawSurface* surface = widgets.surface;
    widgets.window->show();
    ASSERT_TRUE(fltktest::waitFor([&] { return widgets.window->visible() && surface->visible(); }));
    widgets.window->resize(widgets.window->x(), widgets.window->y(), 1037, 977);
    ASSERT_TRUE(fltktest::waitFor([&] { return surface->w() == 1035 && surface->h() == 950; }));
    expectBox(surface, {0, 25, 1035, 950});
    expectBox(bar(), {0, 0, 1035, 25});
    expectBox(bar()->child(2), {360, 0, 675, 25});
    expectBox(widgets.files, {0, 0, 90, 25});
    expectBox(widgets.graphics, {90, 0, 90, 25});
    expectBox(widgets.inputs, {180, 0, 90, 25});
    expectBox(widgets.outputs, {270, 0, 90, 25});
}

} // namespace
