#include "render/TextureObjects.h"

#include "render/TextureLoader.h"
#include "render/glDrawSurface.h"
#include "tests/render/GlFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(TextureObjects, ExtensionIsFoundAnywhereInTheList) {
    const struct {
        const char* extensions;
        bool listed;
    } cases[] = {
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
    for (const auto& c : cases) {
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

// Which entry points resolve, and what the user is told. Both are looked up whatever the first
// gave; the message box runs an event loop that may redraw, so nothing counts as available
// before both are found. An unlisted extension looks nothing up; a later probe replaces an
// earlier result.
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

} // namespace
