#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace render {

struct GlyphImage;

// Label text drawn as FLTK's GL text draws it, without its cost. FLTK's GL text draws every
// character as a bitmap, which Mesa renders on a slow path; a fleet of labels then takes most of
// a frame. Here each glyph of a (font, size) is learnt once from FLTK's GL text itself
// (render/GlyphRasteriser.h) and kept in one alpha texture, and a text is drawn as textured quads
// at the places FLTK would put the glyphs: each glyph moves the pen by as much as FLTK's GL text
// moves the raster position. A blank that FLTK's text does not move over (the core X "fixed" font
// it falls back on when no Helvetica is installed) moves the pen by the width FLTK gives it.
//
// Text is UTF-8 or Latin-1 from any sender: printable ASCII and Latin-1 characters are drawn as
// themselves, any other character as the placeholder "?", and no byte past the text is read.
//
// Ownership: one cache for the process, as GL textures are shared by all of FLTK's GL contexts;
// its texture name comes from the texture loader's counter (render/TextureLoader.h), so no load
// ever takes it, and FLTK's display lists live in another name space. Textures are never deleted;
// the cache forgets its glyphs and starts again when a surface reports a GL context made anew
// (contextRecreated): FLTK shares textures among the contexts it keeps, but a context made after
// the others ended starts with none.
//
// Threads: main thread only, inside a draw with the GL context current. Failure: where glyphs
// cannot be kept in a texture (texture objects unavailable, a viewport smaller than one glyph,
// or more glyphs than the largest texture holds) the text is drawn with FLTK's GL text at the
// same places instead; nothing is reported.
class GlyphCache {
public:
    static constexpr unsigned kPlaceholder = '?';

    // How the current GL coordinates meet the window: pixel = coordinate / unitsPerPixel,
    // counted from the window's lower-left corner.
    struct Placement {
        double unitsPerPixelX = 1.0;
        double unitsPerPixelY = 1.0;
        double windowWidth = 0.0; // pixels
        double windowHeight = 0.0;
    };

    // FLTK's metrics of a font (gl_height, gl_descent), in pixels.
    struct Metrics {
        int height = 0;
        int descent = 0;
    };

    static GlyphCache& shared();
    // A surface made a new GL context: the texture may be gone, so the glyphs are learnt again.
    static void contextRecreated();

    // Width in pixels of `text` in FLTK font `font` at `size` (the numbers gl_font takes).
    double width(int font, int size, std::string_view text);
    // The font's metrics, learnt with its glyphs: asking FLTK for them anew would select the font
    // for GL, which ends the batch of quads being drawn.
    Metrics metrics(int font, int size);
    // Draws `text` in the current colour from the start point (x, y) in the current coordinates,
    // the place of the raster position of FLTK's GL text. A start point outside the window draws
    // nothing, even where later glyphs would fall inside it. May leave texturing and the alpha
    // test on, and blending off.
    void draw(int font, int size, std::string_view text, double x, double y,
              const Placement& placement);
    // Turns texturing, the alpha test and blending off, as the node icons leave them.
    static void finish();

    // The drawn code of the character at `position` (a Latin-1 code or the placeholder) and the
    // position after it. A valid UTF-8 sequence is one character; any other byte stands for
    // itself as Latin-1, as in FLTK's text.
    static size_t nextCode(std::string_view text, size_t position, unsigned& code);
    // The pen advance of each Latin-1 code as learnt (tests compare it with FLTK's GL text).
    float advance(int font, int size, unsigned code);
    // The GL name of the glyph texture, 0 while there is none.
    int32_t textureName() const { return textureName_; }

private:
    struct Glyph {
        float advance = 0.0f;
        bool fltkMoves = true; // FLTK's GL text moves the raster position over it by itself
        int left = 0;          // ink box from the pen's pixel, as in GlyphImage
        int bottom = 0;
        int width = 0;
        int height = 0;
        int atlasX = 0; // place of the ink box in the texture
        int atlasY = 0;
    };
    struct Face {
        bool textured = false;
        Metrics metrics;
        std::array<Glyph, 256> glyphs{};
    };

    GlyphCache() = default;
    Face& face(int font, int size);
    Face learn(int font, int size);
    bool pack(const std::vector<GlyphImage>& images, Face& face);
    bool packAll(const std::vector<GlyphImage>& images, Face& face);
    void clearAtlas();
    void upload();
    void drawWithFltk(const Face& face, int font, int size, std::string_view text, double x,
                      double y) const;
    void forgetIfContextChanged();

    std::map<std::pair<int, int>, Face> faces_;
    Face* lastFace_ = nullptr;
    std::pair<int, int> lastKey_{-1, -1};
    unsigned generation_ = 0;
    int32_t textureName_ = 0;
    // The texture's pixels, rows bottom first, and where the next glyph goes (rows of glyphs).
    std::vector<unsigned char> atlas_;
    int atlasWidth_ = 0;
    int atlasHeight_ = 0;
    int rowX_ = 0;
    int rowY_ = 0;
    int rowHeight_ = 0;
};

} // namespace render
