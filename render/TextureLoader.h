#pragma once

#include <cstdint>

namespace render {

// The one routine that turns an SGI image file into a GL texture, shared by the map layers and
// the node icons. GL names come from the loader's own process-wide counter (2, 3, ...), one per
// call whether or not the load succeeds, not from glGenTextures. Each texture is kept as a
// texture object when the surface found texture objects (TextureObjects::available()), otherwise
// as a display list that loads the texture; either way every mipmap level is uploaded once.
//
// Main thread only, with the surface's GL context current; no locking. Failure: a missing
// image, one without a picture, or one of more than 4 channels gives -1 quietly; a fault inside
// the image file is fatal (the reader's message, exit status 1). An image whose header asks for
// more than its file can hold (sgi::checkPixelRows), or whose pixels or texture memory cannot
// hold, gives -1 with one line on stderr. A name already in use is warned about on stderr and
// overwritten.
class TextureLoader {
public:
    // The GL name of the new texture, or -1.
    static int32_t loadTextureImage(const char* fileName);
    // Makes `textureName` the current texture and enables GL_TEXTURE_2D when it is above 0, else
    // disables GL_TEXTURE_2D. True when a texture is in use.
    static bool use(int32_t textureName);
    // The texture side for an image side: the smallest power of two not below it, at most
    // `maxTextureSize`.
    static int textureSize(int imageSize, int maxTextureSize);
    // The name the next load will take.
    static int32_t nextName();
    // Takes the next name for a texture made elsewhere (the label glyphs), so no load takes it.
    static int32_t reserveName();
};

} // namespace render
