#include "render/TextureLoader.h"

#include "render/TextureObjects.h"
#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"

#include <FL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>

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
// picture, or more channels than RGBA holds). Such files are refused before longimagedata, which
// would end the program on a missing file.
OpenImage openUsable(const char* fileName) {
    OpenImage image(sgi::iopen(fileName, "r"));
    if (!image || image->zsize > 4 || !sgi::hasPicture(*image)) {
        return nullptr;
    }
    return image;
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

    int imageWidth = 0;
    int imageHeight = 0;
    {
        OpenImage probe = openUsable(fileName);
        if (!probe) {
            return -1;
        }
        imageWidth = probe->xsize;
        imageHeight = probe->ysize;
    }
    const int limit = maxTextureSize();
    const int textureWidth = textureSize(imageWidth, limit);
    const int textureHeight = textureSize(imageHeight, limit);

    std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(fileName);
    // A file replaced while it was being read could hold another size than the pixels were read
    // with; scaling would then run past the buffer, so the size is checked again.
    OpenImage image = openUsable(fileName);
    if (!pixels || !image || image->xsize != imageWidth || image->ysize != imageHeight) {
        return -1;
    }

    const size_t scaledBytes = static_cast<size_t>(textureWidth) * textureHeight * 4;
    std::unique_ptr<unsigned char[]> scaled(new unsigned char[scaledBytes]);
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
