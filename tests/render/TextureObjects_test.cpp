#include "render/TextureObjects.h"

#include "render/TextureLoader.h"
#include "render/glDrawSurface.h"
#include "tests/render/GlFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct ListedCase {
    const char* extensions;
    bool listed;
};

TEST(TextureObjects, ExtensionIsFoundAnywhereInTheList) {
    const ListedCase cases[] = {
        {"GL_EXT_texture_object", true},
        {"GL_ARB_multitexture GL_EXT_texture_object GL_EXT_abgr", true},
        {"GL_EXT_abgr GL_EXT_texture_object", true},
        {"GL_EXT_texture_objects_plus", true},
        {"XGL_EXT_texture_object", true},
        {"GL_EXT_texture_obj", false},
        {"GL_EXT_texture GL_EXT_texture3D", false},
        {"gl_ext_texture_object", false},
        {"", false},
        {nullptr, false},
    };
    for (const ListedCase& c : cases) {
        SCOPED_TRACE(c.extensions != nullptr ? c.extensions : "(null)");
        EXPECT_EQ(render::TextureObjects::extensionListed(c.extensions), c.listed);
        EXPECT_EQ(glDrawSurface::extensionListed(c.extensions), c.listed);
    }
}

// Fakes for the probe's two seams: which names resolve, and what the user was told (with
// whether texture objects counted as available while the message box was up).
std::vector<std::string> lookedUp;
std::vector<std::string> alerts;
std::vector<bool> availableAtAlert;
bool bindFound = true;
bool isFound = true;

void fakeEntry() {}

render::TextureObjects::ProcAddress fakeLookup(const char* name) {
    lookedUp.emplace_back(name);
    const bool found = std::strcmp(name, "glBindTextureEXT") == 0 ? bindFound : isFound;
    return found ? fakeEntry : nullptr;
}

void recordAlert(const char* text) {
    alerts.emplace_back(text);
    availableAtAlert.push_back(render::TextureObjects::available());
}

class TextureProbe : public ::testing::Test {
protected:
    void SetUp() override {
        lookedUp.clear();
        alerts.clear();
        availableAtAlert.clear();
        bindFound = true;
        isFound = true;
        render::TextureObjects::setProcLookup(fakeLookup);
        render::TextureObjects::setAlert(recordAlert);
    }
    void TearDown() override {
        render::TextureObjects::setProcLookup(nullptr);
        render::TextureObjects::setAlert(nullptr);
        render::TextureObjects::probe(nullptr);
    }
};

TEST_F(TextureProbe, BothEntryPointsFoundMakesObjectsAvailable) {
    render::TextureObjects::probe("GL_ARB_x GL_EXT_texture_object");
    EXPECT_TRUE(glDrawSurface::textureObjectsAvailable());
    EXPECT_NE(glDrawSurface::bindTextureEXT(), nullptr);
    EXPECT_NE(glDrawSurface::isTextureEXT(), nullptr);
    EXPECT_EQ(lookedUp, (std::vector<std::string>{"glBindTextureEXT", "glIsTextureEXT"}));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(TextureProbe, UnlistedExtensionLooksNothingUp) {
    render::TextureObjects::probe("GL_ARB_x GL_EXT_abgr");
    EXPECT_FALSE(glDrawSurface::textureObjectsAvailable());
    EXPECT_EQ(glDrawSurface::bindTextureEXT(), nullptr);
    EXPECT_TRUE(lookedUp.empty());
    EXPECT_TRUE(alerts.empty());
}

struct MissingCase {
    const char* name;
    bool bind;
    bool is;
    std::vector<std::string> alerts;
};

TEST_F(TextureProbe, MissingEntryPointIsToldAndLeavesObjectsUnavailable) {
    const MissingCase cases[] = {
        {"bind missing", false, true, {"GetProcAddress for glBindTextureEXT failed"}},
        {"is missing", true, false, {"GetProcAddress for glIsTextureEXT failed"}},
        {"both missing",
         false,
         false,
         {"GetProcAddress for glBindTextureEXT failed",
          "GetProcAddress for glIsTextureEXT failed"}},
    };
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.name);
        lookedUp.clear();
        alerts.clear();
        availableAtAlert.clear();
        bindFound = c.bind;
        isFound = c.is;
        render::TextureObjects::probe("GL_EXT_texture_object");
        EXPECT_FALSE(glDrawSurface::textureObjectsAvailable());
        EXPECT_EQ(glDrawSurface::bindTextureEXT(), nullptr);
        EXPECT_EQ(glDrawSurface::isTextureEXT(), nullptr);
        // The second lookup happens whatever the first gave.
        EXPECT_EQ(lookedUp, (std::vector<std::string>{"glBindTextureEXT", "glIsTextureEXT"}));
        EXPECT_EQ(alerts, c.alerts);
        // The message box runs an event loop that may redraw: nothing may count on the entry
        // points before both are found.
        EXPECT_EQ(availableAtAlert, std::vector<bool>(c.alerts.size(), false));
    }
}

// A redraw under the message box makes the texture of a layer or icon current, as a frame does.
TEST_F(TextureProbe, ARedrawUnderTheMessageBoxCallsNoMissingEntryPoint) {
    render::TextureObjects::setAlert([](const char* text) {
        recordAlert(text);
        render::TextureLoader::use(2);
        render::TextureLoader::use(-1);
    });
    bindFound = false;
    rendertest::GlFrame frame(200, 100);
    // The surface's first draw probes the extensions of the real GL, through the fake lookup.
    ASSERT_TRUE(frame.draw([](DrawContext&) {}));
    EXPECT_EQ(alerts, (std::vector<std::string>{"GetProcAddress for glBindTextureEXT failed"}));
    EXPECT_FALSE(render::TextureObjects::available());
}

TEST_F(TextureProbe, LaterProbeReplacesAnEarlierResult) {
    render::TextureObjects::probe("GL_EXT_texture_object");
    ASSERT_TRUE(glDrawSurface::textureObjectsAvailable());
    render::TextureObjects::probe("");
    EXPECT_FALSE(glDrawSurface::textureObjectsAvailable());
    EXPECT_EQ(glDrawSurface::isTextureEXT(), nullptr);
}

} // namespace
