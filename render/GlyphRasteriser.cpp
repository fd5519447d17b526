#include "render/GlyphRasteriser.h"

#include <FL/gl.h>

#include <algorithm>
#include <cstddef>

namespace render {
namespace {

constexpr unsigned char kInk = 128;

// Pixel coordinates from the viewport's lower-left corner, with every fragment operation that
// could change a glyph's pixels turned off; the caller's matrices and state come back at the end.
class PixelSpace {
public:
    PixelSpace() {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glGetIntegerv(GL_VIEWPORT, viewport_);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        if (usable()) {
            glOrtho(0.0, viewport_[2], 0.0, viewport_[3], -1.0, 1.0);
        }
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        for (GLenum capability : {GL_TEXTURE_2D, GL_BLEND, GL_DITHER, GL_ALPHA_TEST, GL_DEPTH_TEST,
                                  GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_FOG, GL_COLOR_LOGIC_OP}) {
            glDisable(capability);
        }
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glPixelZoom(1.0f, 1.0f);
        for (GLenum store : {GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS,
                             GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS}) {
            glPixelStorei(store, 0);
        }
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        // The glyphs are read from the buffer they are drawn into (the back buffer of a frame).
        GLint drawBuffer = GL_BACK;
        glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
        glReadBuffer(static_cast<GLenum>(drawBuffer));
    }
    ~PixelSpace() {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    PixelSpace(const PixelSpace&) = delete;
    PixelSpace& operator=(const PixelSpace&) = delete;

    bool usable() const { return viewport_[2] > 0 && viewport_[3] > 0; }
    int x() const { return viewport_[0]; }
    int y() const { return viewport_[1]; }
    int width() const { return viewport_[2]; }
    int height() const { return viewport_[3]; }

private:
    GLint viewport_[4] = {0, 0, 0, 0};
};

// Draws one Latin-1 code with FLTK's GL text at (x, y) of the pixel space; the distance the
// raster position moved.
float drawGlyphAt(const PixelSpace& space, unsigned code, int x, int y) {
    glRasterPos2i(x, y);
    GlyphRasteriser::drawGlyph(code);
    GLfloat position[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return position[0] - static_cast<float>(space.x() + x);
}

enum class CellFit { Fits, TooSmall };

// The ink of one cell of `pixels` (one byte a pixel, `stride` wide), placed relative to the
// origin pixel; TooSmall when ink reaches the cell's edge, where it may have been cut off.
CellFit readCell(const std::vector<unsigned char>& pixels, int stride, int cellX, int cellY,
                 int cell, int originX, int originY, GlyphImage& glyph) {
    int minX = cell;
    int minY = cell;
    int maxX = -1;
    int maxY = -1;
    auto at = [&](int x, int y) {
        return pixels[static_cast<size_t>(cellY + y) * stride + static_cast<size_t>(cellX + x)];
    };
    for (int y = 0; y < cell; ++y) {
        for (int x = 0; x < cell; ++x) {
            if (at(x, y) >= kInk) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    if (maxX < 0) {
        return CellFit::Fits;
    }
    if (minX == 0 || minY == 0 || maxX == cell - 1 || maxY == cell - 1) {
        return CellFit::TooSmall;
    }
    glyph.left = minX - originX;
    glyph.bottom = minY - originY;
    glyph.width = maxX - minX + 1;
    glyph.height = maxY - minY + 1;
    glyph.alpha.assign(static_cast<size_t>(glyph.width) * glyph.height, 0);
    for (int y = 0; y < glyph.height; ++y) {
        for (int x = 0; x < glyph.width; ++x) {
            glyph.alpha[static_cast<size_t>(y) * glyph.width + x] =
                at(minX + x, minY + y) >= kInk ? 255 : 0;
        }
    }
    return CellFit::Fits;
}

// Draws the glyphs in square cells of side `cell`, as many at a time as the viewport holds.
CellFit captureInCells(const PixelSpace& space, const std::vector<unsigned>& codes, int cell,
                       std::vector<GlyphImage>& glyphs) {
    const int columns = space.width() / cell;
    const int perBatch = columns * (space.height() / cell);
    const int originX = cell / 4;
    const int originY = cell / 3;
    for (size_t first = 0; first < codes.size(); first += static_cast<size_t>(perBatch)) {
        const int count = static_cast<int>(std::min(codes.size() - first, size_t(perBatch)));
        const int width = std::min(count, columns) * cell;
        const int height = (count + columns - 1) / columns * cell;
        const size_t area = static_cast<size_t>(width) * height;
        std::vector<unsigned char> saved(area * 4);
        glReadPixels(space.x(), space.y(), width, height, GL_RGBA, GL_UNSIGNED_BYTE, saved.data());

        glEnable(GL_SCISSOR_TEST);
        glScissor(space.x(), space.y(), width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        for (int i = 0; i < count; ++i) {
            const int cellX = i % columns * cell;
            const int cellY = i / columns * cell;
            glyphs[first + i].advance =
                drawGlyphAt(space, codes[first + i], cellX + originX, cellY + originY);
        }
        std::vector<unsigned char> ink(area);
        glReadPixels(space.x(), space.y(), width, height, GL_RED, GL_UNSIGNED_BYTE, ink.data());

        glRasterPos2i(0, 0);
        glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, saved.data());

        for (int i = 0; i < count; ++i) {
            if (readCell(ink, width, i % columns * cell, i / columns * cell, cell, originX, originY,
                         glyphs[first + i]) == CellFit::TooSmall) {
                return CellFit::TooSmall;
            }
        }
    }
    return CellFit::Fits;
}

} // namespace

void GlyphRasteriser::drawGlyph(unsigned code) {
    // FLTK's GL text takes UTF-8; a Latin-1 code above 127 is two bytes.
    char text[2];
    int length = 1;
    if (code < 0x80) {
        text[0] = static_cast<char>(code);
    } else {
        text[0] = static_cast<char>(0xC0 | (code >> 6 & 0x03));
        text[1] = static_cast<char>(0x80 | (code & 0x3F));
        length = 2;
    }
    gl_draw(text, length);
}

std::vector<float> GlyphRasteriser::advances(const std::vector<unsigned>& codes) {
    std::vector<float> result(codes.size(), 0.0f);
    PixelSpace space;
    if (!space.usable()) {
        return result;
    }
    // The raster position moves as if drawn; nothing reaches the frame.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (size_t i = 0; i < codes.size(); ++i) {
        result[i] = drawGlyphAt(space, codes[i], 0, 0);
    }
    return result;
}

bool GlyphRasteriser::capture(const std::vector<unsigned>& codes, int fontSize,
                              std::vector<GlyphImage>& glyphs) {
    PixelSpace space;
    // A cell comfortably larger than any glyph of FLTK's size; doubled while ink reaches its edge.
    for (int cell = 3 * std::max(fontSize, 1) + 8;
         space.usable() && cell <= std::min(space.width(), space.height()); cell *= 2) {
        glyphs.assign(codes.size(), GlyphImage{});
        if (captureInCells(space, codes, cell, glyphs) == CellFit::Fits) {
            return true;
        }
    }
    glyphs.clear();
    return false;
}

} // namespace render
