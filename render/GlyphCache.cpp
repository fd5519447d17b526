#include "render/GlyphCache.h"

#include "render/GlyphRasteriser.h"
#include "render/TextureLoader.h"
#include "render/TextureObjects.h"

#include <FL/gl.h>

#include <algorithm>
#include <cmath>

namespace render {
namespace {

// Starts ahead of every cache, so the first text learns its glyphs in the context of its draw.
unsigned contextGeneration = 1;

constexpr int kAtlasWidth = 512;
constexpr int kAtlasHeightLimit = 4096;
// Mesa places a bitmap at floor(raster position + 0.0001); the pen rounds the same way.
constexpr double kBitmapEpsilon = 0.0001;

bool printable(unsigned code) {
    return (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0xFF);
}

bool blank(unsigned code) {
    return code == 0x20 || code == 0xA0;
}

// The codes that have glyphs: printable ASCII and printable Latin-1.
const std::vector<unsigned>& glyphCodes() {
    static const std::vector<unsigned> codes = [] {
        std::vector<unsigned> list;
        for (unsigned code = 0; code < 256; ++code) {
            if (printable(code)) {
                list.push_back(code);
            }
        }
        return list;
    }();
    return codes;
}

int followingBytes(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return 0;
}

int textureSizeLimit() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 64;
}

} // namespace

GlyphCache& GlyphCache::shared() {
    static GlyphCache cache;
    return cache;
}

void GlyphCache::contextRecreated() {
    ++contextGeneration;
}

size_t GlyphCache::nextCode(std::string_view text, size_t position, unsigned& code) {
    const unsigned char lead = static_cast<unsigned char>(text[position]);
    const int following = followingBytes(lead);
    if (following > 0 && text.size() - position > static_cast<size_t>(following)) {
        static constexpr unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
        unsigned value = lead & (0x3Fu >> following);
        bool valid = true;
        for (int k = 1; k <= following && valid; ++k) {
            const unsigned char byte = static_cast<unsigned char>(text[position + k]);
            valid = (byte & 0xC0) == 0x80;
            value = value << 6 | (byte & 0x3F);
        }
        if (valid && value >= kSmallest[following]) {
            code = printable(value) ? value : kPlaceholder;
            return position + 1 + static_cast<size_t>(following);
        }
    }
    code = printable(lead) ? lead : kPlaceholder;
    return position + 1;
}

void GlyphCache::forgetIfContextChanged() {
    if (generation_ == contextGeneration) {
        return;
    }
    // The texture and the glyphs' places in it belong to the old context.
    faces_.clear();
    lastFace_ = nullptr;
    textureName_ = 0;
    clearAtlas();
    generation_ = contextGeneration;
}

GlyphCache::Face& GlyphCache::face(int font, int size) {
    forgetIfContextChanged();
    const std::pair<int, int> key{font, size};
    if (lastFace_ != nullptr && lastKey_ == key) {
        return *lastFace_;
    }
    auto found = faces_.find(key);
    if (found == faces_.end()) {
        Face learnt = learn(font, size);
        found = faces_.emplace(key, learnt).first;
    }
    lastKey_ = key;
    lastFace_ = &found->second;
    return found->second;
}

GlyphCache::Face GlyphCache::learn(int font, int size) {
    gl_font(font, size);
    const std::vector<unsigned>& codes = glyphCodes();
    std::vector<GlyphImage> images;
    Face face;
    face.metrics = Metrics{gl_height(), gl_descent()};
    if (TextureObjects::available() && GlyphRasteriser::capture(codes, size, images)) {
        face.textured = packAll(images, face);
    } else {
        const std::vector<float> advances = GlyphRasteriser::advances(codes);
        images.resize(codes.size());
        for (size_t i = 0; i < codes.size(); ++i) {
            images[i].advance = advances[i];
        }
    }
    for (size_t i = 0; i < codes.size(); ++i) {
        Glyph& glyph = face.glyphs[codes[i]];
        glyph.advance = images[i].advance;
        if (glyph.advance <= 0.0f && blank(codes[i])) {
            glyph.advance = static_cast<float>(gl_width(" "));
            glyph.fltkMoves = false;
        }
    }
    if (face.textured) {
        upload();
    }
    return face;
}

bool GlyphCache::packAll(const std::vector<GlyphImage>& images, Face& face) {
    if (pack(images, face)) {
        return true;
    }
    // Sizes seen before (a window resized many times) make room for the one needed now.
    faces_.clear();
    lastFace_ = nullptr;
    clearAtlas();
    if (pack(images, face)) {
        return true;
    }
    clearAtlas();
    return false;
}

bool GlyphCache::pack(const std::vector<GlyphImage>& images, Face& face) {
    const int limit = std::min(textureSizeLimit(), kAtlasHeightLimit);
    if (atlasWidth_ == 0) {
        atlasWidth_ = std::min(kAtlasWidth, limit);
    }
    const std::vector<unsigned>& codes = glyphCodes();
    for (size_t i = 0; i < images.size(); ++i) {
        const GlyphImage& image = images[i];
        if (image.width <= 0) {
            continue;
        }
        if (image.width > atlasWidth_) {
            return false;
        }
        if (rowX_ + image.width > atlasWidth_) {
            rowY_ += rowHeight_ + 1;
            rowX_ = 0;
            rowHeight_ = 0;
        }
        int height = std::max(atlasHeight_, 16);
        while (height < rowY_ + image.height) {
            height *= 2;
        }
        if (height > limit) {
            return false;
        }
        if (height != atlasHeight_) {
            atlas_.resize(static_cast<size_t>(atlasWidth_) * height, 0);
            atlasHeight_ = height;
        }
        for (int y = 0; y < image.height; ++y) {
            std::copy_n(image.alpha.begin() + static_cast<ptrdiff_t>(y) * image.width, image.width,
                        atlas_.begin() + static_cast<ptrdiff_t>(rowY_ + y) * atlasWidth_ + rowX_);
        }
        Glyph& glyph = face.glyphs[codes[i]];
        glyph.left = image.left;
        glyph.bottom = image.bottom;
        glyph.width = image.width;
        glyph.height = image.height;
        glyph.atlasX = rowX_;
        glyph.atlasY = rowY_;
        rowX_ += image.width + 1;
        rowHeight_ = std::max(rowHeight_, image.height);
    }
    return true;
}

void GlyphCache::clearAtlas() {
    atlas_.clear();
    atlasWidth_ = 0;
    atlasHeight_ = 0;
    rowX_ = 0;
    rowY_ = 0;
    rowHeight_ = 0;
}

void GlyphCache::upload() {
    if (textureName_ == 0) {
        // A name some other code made a texture of by itself is passed over.
        do {
            textureName_ = TextureLoader::reserveName();
        } while (TextureObjects::isTexture()(static_cast<GLuint>(textureName_)));
    }
    TextureObjects::bindTexture()(GL_TEXTURE_2D, static_cast<GLuint>(textureName_));
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, atlasWidth_, atlasHeight_, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, atlas_.data());
    glPopClientAttrib();
    // One texel a pixel: the quads sit on whole pixels, so the glyphs come out as drawn.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

double GlyphCache::width(int font, int size, std::string_view text) {
    const Face& glyphs = face(font, size);
    double total = 0.0;
    for (size_t position = 0; position < text.size();) {
        unsigned code = 0;
        position = nextCode(text, position, code);
        total += glyphs.glyphs[code].advance;
    }
    return total;
}

GlyphCache::Metrics GlyphCache::metrics(int font, int size) {
    return face(font, size).metrics;
}

float GlyphCache::advance(int font, int size, unsigned code) {
    return face(font, size).glyphs[code & 0xFF].advance;
}

void GlyphCache::draw(int font, int size, std::string_view text, double x, double y,
                      const Placement& placement) {
    if (!(placement.unitsPerPixelX > 0.0 && placement.unitsPerPixelY > 0.0)) {
        return;
    }
    const double startX = x / placement.unitsPerPixelX;
    const double startY = y / placement.unitsPerPixelY;
    // The rule of GL's raster position: a start point outside the window draws nothing at all.
    if (!(startX >= 0.0 && startX <= placement.windowWidth && startY >= 0.0 &&
          startY <= placement.windowHeight)) {
        return;
    }
    const Face& glyphs = face(font, size);
    if (!glyphs.textured || !TextureObjects::available()) {
        drawWithFltk(glyphs, font, size, text, x, y);
        return;
    }
    TextureObjects::bindTexture()(GL_TEXTURE_2D, static_cast<GLuint>(textureName_));
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Texels are ink or nothing, so the alpha test draws what blending would, and is cheaper:
    // the colour is written where FLTK's bitmap would set a pixel and nowhere else.
    glDisable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.5f);
    glEnable(GL_ALPHA_TEST);
    const double sScale = 1.0 / atlasWidth_;
    const double tScale = 1.0 / atlasHeight_;
    const double ux = placement.unitsPerPixelX;
    const double uy = placement.unitsPerPixelY;
    const double baseline = std::floor(startY + kBitmapEpsilon);
    double pen = startX;
    glBegin(GL_QUADS);
    for (size_t position = 0; position < text.size();) {
        unsigned code = 0;
        position = nextCode(text, position, code);
        const Glyph& glyph = glyphs.glyphs[code];
        if (glyph.width > 0) {
            const double left = std::floor(pen + kBitmapEpsilon) + glyph.left;
            const double bottom = baseline + glyph.bottom;
            const double s0 = glyph.atlasX * sScale;
            const double s1 = (glyph.atlasX + glyph.width) * sScale;
            const double t0 = glyph.atlasY * tScale;
            const double t1 = (glyph.atlasY + glyph.height) * tScale;
            glTexCoord2d(s0, t0);
            glVertex2d(left * ux, bottom * uy);
            glTexCoord2d(s1, t0);
            glVertex2d((left + glyph.width) * ux, bottom * uy);
            glTexCoord2d(s1, t1);
            glVertex2d((left + glyph.width) * ux, (bottom + glyph.height) * uy);
            glTexCoord2d(s0, t1);
            glVertex2d(left * ux, (bottom + glyph.height) * uy);
        }
        pen += glyph.advance;
    }
    glEnd();
}

void GlyphCache::drawWithFltk(const Face& face, int font, int size, std::string_view text, double x,
                              double y) const {
    glDisable(GL_TEXTURE_2D);
    gl_font(font, size);
    glRasterPos2d(x, y);
    for (size_t position = 0; position < text.size();) {
        unsigned code = 0;
        position = nextCode(text, position, code);
        const Glyph& glyph = face.glyphs[code];
        if (glyph.fltkMoves) {
            GlyphRasteriser::drawGlyph(code);
        } else {
            glBitmap(0, 0, 0.0f, 0.0f, glyph.advance, 0.0f, nullptr);
        }
    }
}

void GlyphCache::finish() {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
}

} // namespace render
