#include "ui/MainWindow.h"

#include "render/glDrawSurface.h"
#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <gtest/gtest.h>

// Enlarged, the window gives all the room to the map view and to the filler in the bar; the
// buttons keep their places and the builder binds none of them (the application does).
TEST(MainWindow, EnlargingGrowsOnlyTheMapViewAndTheFiller) {
    testsupport::TempDir dir; // the surface writes its GL report at its first draw
    testsupport::WorkingDirectory cwd{dir.path()};
    ui::MainWindowWidgets ws = ui::MainWindow::build();
    const auto sizes = [&ws] {
        std::vector<int> all{ws.surface->w(), ws.surface->h(), ws.alarm->w()};
        for (Fl_Button* b : {ws.files, ws.graphics, ws.inputs, ws.outputs}) {
            EXPECT_EQ(b->callback(), Fl_Widget::default_callback);
            all.insert(all.end(), {b->x(), b->w()});
        }
        return all;
    };
    std::vector<int> expected = sizes();
    expected[0] += 200, expected[1] += 100, expected[2] += 200;
    ws.window->show();
    ASSERT_TRUE(testsupport::waitFor([&] { return ws.surface->visible(); }));
    ws.window->resize(ws.window->x(), ws.window->y(), ws.window->w() + 200, ws.window->h() + 100);
    EXPECT_TRUE(testsupport::waitFor([&] { return sizes() == expected; }));
    EXPECT_EQ(sizes(), expected);
    ws.window->hide();
    Fl::wait(0);
    delete ws.window;
}
