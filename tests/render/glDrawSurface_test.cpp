#include "render/glDrawSurface.h"

#include "render/DrawCallback.h"
#include "render/GlReport.h"
#include "render/TextureObjects.h"
#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// What the callbacks saw, in call order: its tag, the context and a copy of it, the GL vendor.
struct Call {
    int tag;
    const DrawContext* context;
    DrawContext copy;
    std::string vendor;
};

template <int Tag> void record(void* calls, DrawContext& context) {
    static_cast<std::vector<Call>*>(calls)->push_back(
        {Tag, &context, context, reinterpret_cast<const char*>(glGetString(GL_VENDOR))});
}

// The surface in a real window: callbacks run in registration order (one without a function
// skipped) with the surface's one context, which carries the attached view and the surface's
// place and size; the first draw, and only it, writes the GL report in the working directory;
// mouse events reach the view relative to the surface with their buttons and redraw; keys are
// swallowed and change nothing.
TEST(glDrawSurface, DrawsCallbacksReportsAndTakesEvents) {
    testsupport::TempDir dir;
    testsupport::WorkingDirectory cwd{dir.path()};
    Fl_Double_Window window(420, 330, "surface test");
    glDrawSurface* surface = new glDrawSurface(10, 25, 400, 300);
    surface->mode(FL_DOUBLE | FL_RGB);
    window.resizable(surface);
    window.end();
    std::vector<Call> calls;
    MapView* const defaultView = surface->view();
    MapView first, view;
    view.setCenter(-115.0, 35.0);
    view.setViewWidth(2.0);
    surface->attachView(&first);
    surface->addDrawCallback(record<0>, &calls);
    surface->addDrawCallback(nullptr, &calls);
    surface->attachView(&view);
    surface->addDrawCallback(record<1>, &calls);
    window.show();
    ASSERT_TRUE(testsupport::waitFor([&] { return calls.size() >= 2; }));
    EXPECT_EQ(calls[0].tag * 10 + calls[1].tag, 1);
    EXPECT_EQ(calls[0].context, &surface->drawContext());
    EXPECT_EQ(calls[1].context, calls[0].context);
    EXPECT_EQ(calls[0].copy.view, &view);
    EXPECT_EQ(std::vector<double>(
                  {calls[0].copy.x, calls[0].copy.y, calls[0].copy.width, calls[0].copy.height}),
              std::vector<double>({10, 25, 400, 300}));
    EXPECT_NE(testsupport::TempDir::read(dir.file("ttt.txt")).find(calls[0].vendor),
              std::string::npos);
    ASSERT_EQ(std::remove(dir.file("ttt.txt").c_str()), 0);

    const struct {
        int event, x, y, state, viewX, viewY;
        bool b1, b2, b3;
    } mouse[] = {
        {FL_PUSH, 110, 125, FL_BUTTON1 | FL_BUTTON3, 100, 100, true, false, true},
        {FL_DRAG, 160, 145, FL_BUTTON1 | FL_BUTTON3, 150, 120, true, false, true},
        {FL_RELEASE, 160, 145, 0, 150, 120, false, false, false},
        {FL_PUSH, 15, 31, FL_BUTTON2, 5, 6, false, true, false},
    };
    for (const auto& m : mouse) {
        SCOPED_TRACE(m.event);
        const size_t drawn = calls.size();
        EXPECT_EQ(testsupport::sendMouse(&window, m.event, m.x, m.y, m.state), 1);
        EXPECT_EQ(view.lastEvent(), m.event);
        EXPECT_EQ(view.currentX() * 1000 + view.currentY(), m.viewX * 1000 + m.viewY);
        EXPECT_EQ(view.button1Held() * 100 + view.button2Held() * 10 + view.button3Held(),
                  m.b1 * 100 + m.b2 * 10 + m.b3);
        EXPECT_TRUE(testsupport::waitFor([&] { return calls.size() > drawn; }));
    }
    const int lastEvent = view.lastEvent();
    for (int key : {int{'a'}, FL_Escape, FL_Left, FL_Enter}) {
        Fl::focus(surface);
        Fl::e_keysym = key;
        Fl::e_text = const_cast<char*>(key == FL_Escape ? "\033" : "a");
        Fl::e_length = 1;
        EXPECT_EQ(Fl::handle(FL_KEYBOARD, &window), 1) << key;
        EXPECT_TRUE(window.shown()) << key; // Escape passed on would close the window
        EXPECT_EQ(view.lastEvent(), lastEvent) << key;
    }
    Fl::e_text = const_cast<char*>("");
    Fl::e_length = 0;
    EXPECT_EQ(surface->handle(FL_SHORTCUT), 1);
    EXPECT_EQ(surface->handle(FL_UNFOCUS), 1);

    window.resize(window.x(), window.y(), 620, 530);
    ASSERT_TRUE(testsupport::waitFor([&] { return calls.back().copy.width == 600.0; }));
    EXPECT_EQ(calls.back().copy.height, 500.0);
    EXPECT_EQ(calls.back().copy.x, 10.0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("ttt.txt")));
    surface->attachView(nullptr);
    EXPECT_EQ(surface->view(), defaultView);
    window.hide();
    Fl::wait(0);
}

// head <-> a <-> b <-> c <-> tail, built as the surface builds it; a node destroyed leaves.
TEST(DrawCallback, InsertBeforeAppendsAndDestroyingUnlinks) {
    DrawCallback head, tail, a, c;
    head.next = &tail;
    tail.previous = &head;
    a.insertBefore(&tail);
    {
        DrawCallback b;
        b.insertBefore(&tail);
        c.insertBefore(&tail);
        EXPECT_TRUE(a.next == &b && c.previous == &b);
    }
    EXPECT_TRUE(head.next == &a && a.previous == &head && a.next == &c);
    EXPECT_TRUE(c.previous == &a && c.next == &tail && tail.previous == &c);
}

// The report's four lines replace an older report; missing strings are written empty; a file
// that cannot be opened is reported.
TEST(GlReport, WritesFourLinesInOrder) {
    const testsupport::TempDir dir;
    const std::string path = dir.write("ttt.txt", std::string(500, 'x'));
    const std::string p = "in glDrawSurface::draw ";
    const struct {
        render::GlReport::Strings strings;
        std::string text;
    } cases[] = {
        {{"Acme", "Soft Pipe 9", "1.4 (Core 7.1)", "GL_EXT_abgr GL_EXT_texture_object"},
         p + "vender is Acme\n" + p + "renderer is Soft Pipe 9\n" + p +
             "version is 1.4 (Core 7.1)\n" + p +
             "extensions are GL_EXT_abgr GL_EXT_texture_object\n"},
        {{nullptr, "r", nullptr, nullptr},
         p + "vender is \n" + p + "renderer is r\n" + p + "version is \n" + p +
             "extensions are \n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(render::GlReport::write(path.c_str(), c.strings));
        EXPECT_EQ(testsupport::TempDir::read(path), c.text);
    }
    EXPECT_FALSE(
        render::GlReport::write(dir.file("no-such/ttt.txt").c_str(), {"v", "r", "1", "e"}));
}

} // namespace
