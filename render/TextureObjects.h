#pragma once

#include <FL/gl.h>

namespace render {

// Whether the GL implementation offers texture objects (GL_EXT_texture_object), and its two entry
// points. The surface finds out at its first draw (render/glDrawSurface.h); the texture loader and
// the node icons then bind and cache textures through these entry points, or fall back to display
// lists while they are not available.
//
// Ownership: process-wide state, nothing allocated. Threads: main thread only (the probe runs
// inside the surface's draw). Failure: a missing entry point is told to the user in a message box
// captioned "error" and leaves texture objects unavailable; nothing else can fail.
class TextureObjects {
public:
    using ProcAddress = void (*)();
    using ProcLookup = ProcAddress (*)(const char* name);
    using Alert = void (*)(const char* text);

    static bool available();
    // Null while texture objects are not available.
    static PFNGLBINDTEXTUREEXTPROC bindTexture();
    static PFNGLISTEXTUREEXTPROC isTexture();

    // True when "GL_EXT_texture_object" occurs anywhere in the extensions text, also inside a
    // longer name. Null or empty text lists nothing.
    static bool extensionListed(const char* extensions);

    // Decides availability from the extensions text and looks both entry points up, showing a
    // message box for each one that is missing. Texture objects count as unavailable until both
    // are found, so a redraw while a message box is up never reaches a missing entry point.
    static void probe(const char* extensions);

    // Seams for tests: the procedure lookup (default glXGetProcAddressARB) and the message box
    // (default: FLTK's alert titled "error"). Null restores the default.
    static void setProcLookup(ProcLookup lookup);
    static void setAlert(Alert show);

private:
    static ProcAddress lookUp(const char* name, const char* failureText);
};

} // namespace render
