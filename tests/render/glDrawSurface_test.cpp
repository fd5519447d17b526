#include "render/glDrawSurface.h"

#include "render/TextureObjects.h"
#include "tests/render/FltkWait.h"
#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The surface in a real window on the virtual X server: draws come from FLTK with a real GL
// context, events go through FLTK's own dispatch.

namespace {

std::vector<std::string> alerts;

void recordAlert(const char* text) {
    alerts.emplace_back(text);
}

// What the callbacks saw, in call order.
struct Calls {
    std::vector<std::string> names;
    std::vector<const DrawContext*> contexts;
    std::vector<DrawContext> copies;
};

template <int Tag> void recordCall(void* data, DrawContext& context) {
    Calls* calls = static_cast<Calls*>(data);
    calls->names.push_back(Tag == 0 ? "first" : "second");
    calls->contexts.push_back(&context);
    calls->copies.push_back(context);
}

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        alerts.clear();
        // No test may stop on a modal box.
        render::TextureObjects::setAlert(recordAlert);
        window = new Fl_Double_Window(420, 330, "surface test");
        surface = new glDrawSurface(10, 25, 400, 300);
        surface->mode(FL_DOUBLE | FL_RGB);
        window->resizable(surface);
        window->end();
    }

    void TearDown() override {
        window->hide();
        Fl::wait(0);
        delete window;
        render::TextureObjects::setAlert(nullptr);
        render::TextureObjects::setProcLookup(nullptr);
    }

    // Shows the window and waits for the first draw to reach the callbacks.
    bool showAndDraw(const Calls& calls) {
        window->show();
        return fltktest::waitFor([&calls] { return !calls.names.empty(); });
    }

    // Sends an FLTK event to the window at (x, y) in window coordinates.
    int send(int event, int x, int y, int state) {
        return testsupport::sendMouse(window, event, x, y, state);
    }

    testsupport::TempDir dir;
    fltktest::WorkingDirectory cwd{dir.path()};
    Fl_Double_Window* window = nullptr;
    glDrawSurface* surface = nullptr;
};

// Callbacks run in registration order (one without a function skipped) with the surface's one
// context, which carries the attached view (kept when attached again; none means the default)
// and the surface's place and size, also after a resize.
TEST_F(SurfaceTest, CallbacksRunInOrderWithTheContextOfTheAttachedView) {
    Calls calls;
    MapView* const defaultView = surface->view();
    ASSERT_NE(defaultView, nullptr);
    MapView first;
    MapView second;
    surface->attachView(&first);
    surface->addDrawCallback(recordCall<0>, &calls);
    surface->addDrawCallback(nullptr, &calls);
    surface->attachView(&second);
    surface->addDrawCallback(recordCall<1>, &calls, 0);
    EXPECT_EQ(surface->view(), &second);
    ASSERT_TRUE(showAndDraw(calls));
    ASSERT_GE(calls.names.size(), 2u);
    EXPECT_EQ(calls.names[0], "first");
    EXPECT_EQ(calls.names[1], "second");
    EXPECT_EQ(calls.contexts[0], calls.contexts[1]);
    EXPECT_EQ(calls.contexts[0], &surface->drawContext());
    const DrawContext& seen = calls.copies[0];
    EXPECT_EQ(seen.view, &second);
    EXPECT_EQ(seen.x, 10.0);
    EXPECT_EQ(seen.y, 25.0);
    EXPECT_EQ(seen.width, 400.0);
    EXPECT_EQ(seen.height, 300.0);
    window->resize(window->x(), window->y(), 620, 530);
    ASSERT_TRUE(fltktest::waitFor([&calls] {
        return calls.copies.back().width == 600.0 && calls.copies.back().height == 500.0;
    }));
    EXPECT_EQ(surface->drawContext().x, 10.0);
    EXPECT_EQ(surface->drawContext().y, 25.0);
    surface->attachView(nullptr);
    EXPECT_EQ(surface->view(), defaultView);
}

// Positions reach the view relative to the surface, with the buttons of the event's state.
TEST_F(SurfaceTest, MouseEventsReachTheViewWithTheirButtons) {
    Calls calls;
    MapView view;
    surface->attachView(&view);
    surface->addDrawCallback(recordCall<0>, &calls);
    ASSERT_TRUE(showAndDraw(calls));

    EXPECT_EQ(send(FL_PUSH, 110, 125, FL_BUTTON1 | FL_BUTTON3), 1);
    EXPECT_EQ(view.lastEvent(), FL_PUSH);
    // Positions reach the view relative to the surface, not the window.
    EXPECT_EQ(view.currentX(), 100);
    EXPECT_EQ(view.currentY(), 100);

    const std::size_t drawsBefore = calls.names.size();
    EXPECT_EQ(send(FL_DRAG, 160, 145, FL_BUTTON1 | FL_BUTTON3), 1);
    EXPECT_EQ(view.lastEvent(), FL_DRAG);
    EXPECT_EQ(view.currentX(), 150);
    EXPECT_EQ(view.currentY(), 120);
    EXPECT_TRUE(view.button1Held());
    EXPECT_FALSE(view.button2Held());
    EXPECT_TRUE(view.button3Held());
    // Every mouse event asks for a redraw.
    EXPECT_TRUE(fltktest::waitFor([&] { return calls.names.size() > drawsBefore; }));

    EXPECT_EQ(send(FL_RELEASE, 160, 145, 0), 1);
    EXPECT_EQ(view.lastEvent(), FL_RELEASE);
    EXPECT_FALSE(view.button1Held());
    EXPECT_FALSE(view.button3Held());
    EXPECT_EQ(send(FL_PUSH, 15, 31, FL_BUTTON2), 1);
    EXPECT_FALSE(view.button1Held());
    EXPECT_TRUE(view.button2Held());
    EXPECT_EQ(view.currentX(), 5);
    EXPECT_EQ(view.currentY(), 6);
}

TEST_F(SurfaceTest, KeysAreSwallowedAndChangeNothing) {
    Calls calls;
    MapView view;
    view.setCenter(-115.0, 35.0);
    view.setViewWidth(2.0);
    surface->attachView(&view);
    surface->addDrawCallback(recordCall<0>, &calls);
    ASSERT_TRUE(showAndDraw(calls));

    EXPECT_EQ(surface->take_focus(), 1);
    EXPECT_EQ(Fl::focus(), surface);
    const int keys[] = {'a', FL_Escape, FL_Left, FL_Enter};
    for (int key : keys) {
        SCOPED_TRACE(key);
        Fl::focus(surface);
        Fl::e_keysym = key;
        Fl::e_text = const_cast<char*>(key == FL_Escape ? "\033" : "a");
        Fl::e_length = 1;
        EXPECT_EQ(Fl::handle(FL_KEYBOARD, window), 1);
        // Escape would close the window if the key were passed on.
        EXPECT_TRUE(window->shown());
        EXPECT_EQ(view.lastEvent(), -1);
        EXPECT_EQ(view.centerX(), -115.0);
        EXPECT_EQ(view.viewWidthNow(), 2.0);
    }
    EXPECT_EQ(surface->handle(FL_SHORTCUT), 1);
    EXPECT_EQ(surface->handle(FL_UNFOCUS), 1);
    Fl::e_text = const_cast<char*>("");
    Fl::e_length = 0;
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void readVendor(void* data, DrawContext&) {
    *static_cast<std::string*>(data) = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
}

// The first draw, and only it, writes the GL report in the working directory.
TEST_F(SurfaceTest, FirstDrawOnlyWritesTheGlReport) {
    std::string vendor;
    Calls calls;
    surface->addDrawCallback(readVendor, &vendor);
    surface->addDrawCallback(recordCall<0>, &calls);
    ASSERT_FALSE(std::filesystem::exists(dir.file("ttt.txt")));
    ASSERT_TRUE(showAndDraw(calls));
    const std::vector<std::string> lines = linesOf(dir.file("ttt.txt"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "in glDrawSurface::draw vender is " + vendor);
    ASSERT_TRUE(std::filesystem::remove(dir.file("ttt.txt")));
    const std::size_t drawsBefore = calls.names.size();
    surface->redraw();
    ASSERT_TRUE(fltktest::waitFor([&] { return calls.names.size() > drawsBefore; }));
    EXPECT_FALSE(std::filesystem::exists(dir.file("ttt.txt")));
}

struct TextureCheck {
    bool ran = false;
    GLboolean isTexture = GL_FALSE;
    GLenum error = GL_NO_ERROR;
};

void bindThroughEntryPoints(void* data, DrawContext&) {
    TextureCheck* check = static_cast<TextureCheck*>(data);
    check->ran = true;
    if (!glDrawSurface::textureObjectsAvailable()) {
        return;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glDrawSurface::bindTextureEXT()(GL_TEXTURE_2D, name);
    check->isTexture = glDrawSurface::isTextureEXT()(name);
    glDeleteTextures(1, &name);
    check->error = glGetError();
}

TEST_F(SurfaceTest, MesaOffersTextureObjectsThroughTheLookedUpEntryPoints) {
    TextureCheck check;
    Calls calls;
    surface->addDrawCallback(bindThroughEntryPoints, &check);
    surface->addDrawCallback(recordCall<0>, &calls);
    ASSERT_TRUE(showAndDraw(calls));
    EXPECT_TRUE(glDrawSurface::textureObjectsAvailable());
    EXPECT_NE(glDrawSurface::bindTextureEXT(), nullptr);
    EXPECT_NE(glDrawSurface::isTextureEXT(), nullptr);
    EXPECT_TRUE(alerts.empty());
    ASSERT_TRUE(check.ran);
    EXPECT_EQ(check.isTexture, GL_TRUE);
    EXPECT_EQ(check.error, static_cast<GLenum>(GL_NO_ERROR));
}

struct ProjectionCheck {
    MapView* view = nullptr;
    GLdouble matrix[16] = {};
    GLenum error = GL_NO_ERROR;
    bool ran = false;
};

void loadProjection(void* data, DrawContext&) {
    ProjectionCheck* check = static_cast<ProjectionCheck*>(data);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    check->view->applyProjection(800.0, 400.0);
    glGetDoublev(GL_PROJECTION_MATRIX, check->matrix);
    check->error = glGetError();
    check->ran = true;
}

TEST_F(SurfaceTest, ProjectionIsTheViewsOrthoBoxMovedByTheDepthOffset) {
    MapView view;
    view.setCenter(-115.0, 35.0);
    view.setViewWidth(2.0);
    ProjectionCheck check;
    check.view = &view;
    surface->addDrawCallback(loadProjection, &check);
    window->show();
    ASSERT_TRUE(fltktest::waitFor([&check] { return check.ran; }));
    EXPECT_EQ(check.error, static_cast<GLenum>(GL_NO_ERROR));
    // glOrtho(0, 2, 0, 1, 1, 1000) then glTranslated(0, 0, -500), column by column.
    const double expected[16] = {
        1.0, 0.0, 0.0,        0.0, 0.0,  2.0,  0.0,        0.0,
        0.0, 0.0, -2.0 / 999, 0.0, -1.0, -1.0, -1.0 / 999, 1.0,
    };
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(check.matrix[i], expected[i], 1e-6);
    }
}

} // namespace
