#include "render/TextureLoader.h"

#include "render/TextureObjects.h"
#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"

#include <FL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>
#include <new>

namespace render {

namespace {

// Names are handed out by this counter rather than by glGenTextures or glGenLists, so the same
// image list gives the same names in every run; 0 is GL's default texture and 1 is left free.
int32_t nameCounter = 2;

struct ImageCloser {
    void operator()(sgi::SgiImage* image) const { sgi::iclose(image); }
};
using OpenImage = std::unique_ptr<sgi::SgiImage, ImageCloser>;

// The image opened for reading, or null when it is missing or cannot become a texture (no
// picture, or more channels than RGBA holds).
OpenImage openUsable(const char* fileName) {
    OpenImage image(sgi::iopen(fileName, "r"));
    if (!image || image->zsize > 4 || !sgi::hasPicture(*image)) {
        return nullptr;
    }
    return image;
}

// A picture that memory cannot hold is no reason to end the display: it goes without the texture.
int32_t refuseForMemory(const char* fileName, int width, int height) {
    std::fprintf(stderr, "loadTextureImage: no memory for %d x %d pixels of image file %s\n", width,
                 height, fileName);
    return -1;
}

GLint maxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 1;
}

// Opens a display list or binds a texture object of `name` to receive the texture, warning when
// the name is already taken by someone else.
void beginTexture(int32_t name) {
    const GLuint glName = static_cast<GLuint>(name);
    if (!TextureObjects::available()) {
        if (glIsList(glName)) {
            std::fprintf(stderr, "Warning: display list %d exists.\n", name);
            glDeleteLists(glName, 1);
        }
        glNewList(glName, GL_COMPILE);
        return;
    }
    if (TextureObjects::isTexture()(glName)) {
        std::fprintf(stderr, "Warning: Texture Object %d exists.\n", name);
    }
    TextureObjects::bindTexture()(GL_TEXTURE_2D, glName);
}

void uploadMipmaps(int width, int height, const unsigned char* pixels) {
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

} // namespace

int32_t TextureLoader::loadTextureImage(const char* fileName) {
    const int32_t name = nameCounter++;

    // One open image for the sizes and the pixels, so both come from the same header.
    OpenImage image = openUsable(fileName);
    if (!image || !sgi::checkPixelRows(*image, fileName)) {
        return -1;
    }
    const int imageWidth = image->xsize;
    const int imageHeight = image->ysize;
    std::unique_ptr<uint32_t[]> pixels(new (std::nothrow)
                                           uint32_t[static_cast<size_t>(imageWidth) * imageHeight]);
    if (!pixels) {
        return refuseForMemory(fileName, imageWidth, imageHeight);
    }
    sgi::readPixels(*image, pixels.get());

    const int limit = maxTextureSize();
    const int textureWidth = textureSize(imageWidth, limit);
    const int textureHeight = textureSize(imageHeight, limit);
    const size_t scaledBytes = static_cast<size_t>(textureWidth) * textureHeight * 4;
    std::unique_ptr<unsigned char[]> scaled(new (std::nothrow) unsigned char[scaledBytes]);
    if (!scaled) {
        return refuseForMemory(fileName, textureWidth, textureHeight);
    }
    if (gluScaleImage(GL_RGBA, imageWidth, imageHeight, GL_UNSIGNED_BYTE, pixels.get(),
                      textureWidth, textureHeight, GL_UNSIGNED_BYTE, scaled.get()) != 0) {
        return -1;
    }

    beginTexture(name);
    uploadMipmaps(textureWidth, textureHeight, scaled.get());
    if (!TextureObjects::available()) {
        glEndList();
    }
    return name;
}

bool TextureLoader::use(int32_t textureName) {
    if (textureName <= 0) {
        glDisable(GL_TEXTURE_2D);
        return false;
    }
    if (TextureObjects::available()) {
        TextureObjects::bindTexture()(GL_TEXTURE_2D, static_cast<GLuint>(textureName));
    } else {
        glCallList(static_cast<GLuint>(textureName));
    }
    glEnable(GL_TEXTURE_2D);
    return true;
}

int TextureLoader::textureSize(int imageSize, int maxTextureSize) {
    int size = 1;
    while (size < imageSize && size < maxTextureSize) {
        size *= 2;
    }
    return size < maxTextureSize ? size : maxTextureSize;
}

int32_t TextureLoader::nextName() {
    return nameCounter;
}

int32_t TextureLoader::reserveName() {
    return nameCounter++;
}

} // namespace render
