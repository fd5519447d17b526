#include "render/TextureObjects.h"

#include "render/TextureLoader.h"
#include "render/glDrawSurface.h"
#include "tests/support/GlFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The probe's two seams: which names resolve, and what the user is told (with whether texture
// objects counted as available while the message box was up).
std::vector<std::string> lookedUp, alerts;
std::vector<bool> availableAtAlert;
bool bindFound = true, isFound = true;

void fakeEntry() {}

class TextureProbe : public ::testing::Test {
protected:
    void SetUp() override {
        render::TextureObjects::setProcLookup([](const char* name) {
            lookedUp.emplace_back(name);
            const bool found = std::strcmp(name, "glBindTextureEXT") == 0 ? bindFound : isFound;
            return found ? fakeEntry : render::TextureObjects::ProcAddress{};
        });
        render::TextureObjects::setAlert(recordAlert);
    }
    void TearDown() override {
        render::TextureObjects::setProcLookup(nullptr);
        render::TextureObjects::setAlert(nullptr);
        render::TextureObjects::probe(nullptr);
    }
    static void recordAlert(const char* text) {
        alerts.emplace_back(text);
        availableAtAlert.push_back(render::TextureObjects::available());
    }
};

// The extension anywhere in the list; both entry points are looked up whatever the first gave,
// and nothing counts as available before both are found (the message box runs an event loop
// that may redraw). An unlisted extension looks nothing up; a later probe replaces an earlier
// result.
TEST_F(TextureProbe, ObjectsAvailableOnlyWithBothEntryPoints) {
    const std::string bindFailed = "GetProcAddress for glBindTextureEXT failed";
    const std::string isFailed = "GetProcAddress for glIsTextureEXT failed";
    const std::vector<std::string> both = {"glBindTextureEXT", "glIsTextureEXT"};
    const struct {
        const char* extensions;
        bool bind, is;
        std::vector<std::string> lookedUp, alerts;
    } cases[] = {
        {"GL_ARB_x GL_EXT_texture_object", true, true, both, {}},
        {"GL_ARB_x GL_EXT_abgr", true, true, {}, {}},
        {"gl_ext_texture_object GL_EXT_texture_obj", true, true, {}, {}},
        {nullptr, true, true, {}, {}},
        {"GL_EXT_texture_object", false, true, both, {bindFailed}},
        {"GL_EXT_texture_object", true, false, both, {isFailed}},
        {"GL_EXT_texture_object", false, false, both, {bindFailed, isFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        bindFound = isFound = true;
        render::TextureObjects::probe("GL_EXT_texture_object");
        ASSERT_TRUE(glDrawSurface::textureObjectsAvailable());
        lookedUp.clear();
        alerts.clear();
        availableAtAlert.clear();
        bindFound = c.bind;
        isFound = c.is;
        render::TextureObjects::probe(c.extensions);
        const bool available = c.lookedUp.size() == 2 && c.alerts.empty();
        EXPECT_EQ(glDrawSurface::textureObjectsAvailable(), available);
        EXPECT_EQ(glDrawSurface::bindTextureEXT() != nullptr, available);
        EXPECT_EQ(glDrawSurface::isTextureEXT() != nullptr, available);
        EXPECT_EQ(lookedUp, c.lookedUp);
        EXPECT_EQ(alerts, c.alerts);
        EXPECT_EQ(availableAtAlert, std::vector<bool>(c.alerts.size(), false));
    }
}

// The surface's first draw probes the real GL through the fake look-up; a redraw under the
// message box makes a texture current, as a frame does, and must call no missing entry point.
TEST_F(TextureProbe, ARedrawUnderTheMessageBoxCallsNoMissingEntryPoint) {
    render::TextureObjects::setAlert([](const char* text) {
        recordAlert(text);
        render::TextureLoader::use(2);
        render::TextureLoader::use(-1);
    });
    alerts.clear();
    bindFound = false;
    rendertest::GlFrame frame(200, 100);
    ASSERT_TRUE(frame.draw([](DrawContext&) {}));
    EXPECT_EQ(alerts, (std::vector<std::string>{"GetProcAddress for glBindTextureEXT failed"}));
    EXPECT_FALSE(render::TextureObjects::available());
}

} // namespace
