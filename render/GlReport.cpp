#include "render/GlReport.h"

#include <FL/gl.h>

#include <cstdio>

namespace render {

namespace {

const char* textOf(GLenum name) {
    return reinterpret_cast<const char*>(glGetString(name));
}

// printf's %s with a null pointer is undefined; a string GL did not give is written empty.
const char* orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

GlReport::Strings GlReport::current() {
    return Strings{textOf(GL_VENDOR), textOf(GL_RENDERER), textOf(GL_VERSION),
                   textOf(GL_EXTENSIONS)};
}

bool GlReport::write(const char* path, const Strings& strings) {
    FILE* file = std::fopen(path, "w");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "in glDrawSurface::draw vender is %s\n", orEmpty(strings.vendor));
    std::fprintf(file, "in glDrawSurface::draw renderer is %s\n", orEmpty(strings.renderer));
    std::fprintf(file, "in glDrawSurface::draw version is %s\n", orEmpty(strings.version));
    std::fprintf(file, "in glDrawSurface::draw extensions are %s\n", orEmpty(strings.extensions));
    return std::fclose(file) == 0;
}

} // namespace render
