#include "render/TextureObjects.h"

#include <FL/fl_ask.H>
#include <GL/glx.h>

#include <cstring>

namespace render {

namespace {

TextureObjects::ProcAddress glxLookup(const char* name) {
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

void alertBox(const char* text) {
    fl_message_title("error");
    fl_alert("%s", text);
}

bool objectsAvailable = false;
PFNGLBINDTEXTUREEXTPROC bindTextureEntry = nullptr;
PFNGLISTEXTUREEXTPROC isTextureEntry = nullptr;
TextureObjects::ProcLookup procLookup = glxLookup;
TextureObjects::Alert alert = alertBox;

} // namespace

bool TextureObjects::available() {
    return objectsAvailable;
}

PFNGLBINDTEXTUREEXTPROC TextureObjects::bindTexture() {
    return objectsAvailable ? bindTextureEntry : nullptr;
}

PFNGLISTEXTUREEXTPROC TextureObjects::isTexture() {
    return objectsAvailable ? isTextureEntry : nullptr;
}

bool TextureObjects::extensionListed(const char* extensions) {
    if (extensions == nullptr || extensions[0] == '\0') {
        return false;
    }
    return std::strstr(extensions, "GL_EXT_texture_object") != nullptr;
}

TextureObjects::ProcAddress TextureObjects::lookUp(const char* name, const char* failureText) {
    const ProcAddress address = procLookup(name);
    if (address == nullptr) {
        alert(failureText);
    }
    return address;
}

void TextureObjects::probe(const char* extensions) {
    objectsAvailable = false;
    bindTextureEntry = nullptr;
    isTextureEntry = nullptr;
    if (!extensionListed(extensions)) {
        return;
    }
    // Both are looked up whatever the first gave, so the user hears of every missing one. The
    // message box runs an event loop that may redraw, so texture objects count as available
    // only once both entry points are in hand.
    const auto bind = reinterpret_cast<PFNGLBINDTEXTUREEXTPROC>(
        lookUp("glBindTextureEXT", "GetProcAddress for glBindTextureEXT failed"));
    const auto isTexture = reinterpret_cast<PFNGLISTEXTUREEXTPROC>(
        lookUp("glIsTextureEXT", "GetProcAddress for glIsTextureEXT failed"));
    bindTextureEntry = bind;
    isTextureEntry = isTexture;
    objectsAvailable = bind != nullptr && isTexture != nullptr;
}

void TextureObjects::setProcLookup(ProcLookup lookup) {
    procLookup = lookup != nullptr ? lookup : glxLookup;
}

void TextureObjects::setAlert(Alert show) {
    alert = show != nullptr ? show : alertBox;
}

} // namespace render
