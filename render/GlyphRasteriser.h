#pragma once

#include <vector>

namespace render {

// What FLTK's GL text draws for one glyph of the font selected with gl_font: how far the glyph
// moves the raster position, and the pixels of its ink.
struct GlyphImage {
    float advance = 0.0f;
    // The ink box in pixels from the pixel of the raster position, rows counting upwards; a width
    // of 0 means the glyph has no ink.
    int left = 0;
    int bottom = 0;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> alpha; // width x height, bottom row first: 255 ink, 0 none
};

// Learns glyphs from FLTK's GL text itself, so that text drawn from them looks exactly as FLTK
// would draw it: each glyph is drawn with gl_draw in a cell of its own near the lower-left corner
// of the viewport, its advance read from the raster position and its ink read back from the
// frame buffer. The pixels it draws over are saved first and put back, and the GL state is pushed
// and popped around it, so the frame being drawn comes out unchanged.
//
// Main thread only, inside a draw with the GL context current and the font selected with
// gl_font. Failure: capture gives false when the viewport cannot hold one glyph cell.
class GlyphRasteriser {
public:
    // Advances only (nothing is drawn), for the Latin-1 codes given.
    static std::vector<float> advances(const std::vector<unsigned>& codes);
    // Advances and ink of the codes given; `fontSize` is FLTK's size of the selected font.
    static bool capture(const std::vector<unsigned>& codes, int fontSize,
                        std::vector<GlyphImage>& glyphs);
    // Draws one Latin-1 code with FLTK's GL text at the current raster position.
    static void drawGlyph(unsigned code);
};

} // namespace render
