#include "ui/MainWindow.h"

#include "render/glDrawSurface.h"
#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <gtest/gtest.h>

namespace {

// Enlarged, the window gives all the room to the map view and to the filler in the bar; the
// buttons keep their places and the builder binds none of them (the application does).
TEST(MainWindow, EnlargingGrowsOnlyTheMapViewAndTheFiller) {
    testsupport::TempDir dir; // the surface writes its GL report at its first draw
    testsupport::WorkingDirectory cwd{dir.path()};
    ui::MainWindowWidgets widgets = ui::MainWindow::build();
    Fl_Double_Window* window = widgets.window;
    Fl_Button* buttons[] = {widgets.files, widgets.graphics, widgets.inputs, widgets.outputs};
    int before[4];
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->callback(), Fl_Widget::default_callback);
        before[i] = buttons[i]->x() * 1000 + buttons[i]->w();
    }
    const int w = widgets.surface->w(), h = widgets.surface->h(), filler = widgets.alarm->w();
    window->show();
    ASSERT_TRUE(testsupport::waitFor([&] { return widgets.surface->visible(); }));
    window->resize(window->x(), window->y(), window->w() + 200, window->h() + 100);
    ASSERT_TRUE(testsupport::waitFor([&] { return widgets.surface->w() == w + 200; }));
    EXPECT_EQ(widgets.surface->h(), h + 100);
    EXPECT_EQ(widgets.alarm->w(), filler + 200);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->x() * 1000 + buttons[i]->w(), before[i]) << i;
    }
    window->hide();
    Fl::wait(0);
    delete window;
}

} // namespace
