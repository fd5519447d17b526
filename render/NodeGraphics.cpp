#include "render/NodeGraphics.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "platform/Clock.h"
#include "render/DrawContext.h"
#include "render/GlyphCache.h"
#include "render/MapView.h"
#include "render/TextureLoader.h"

#include <FL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace render {
namespace {

constexpr size_t kS0 = 0;
constexpr size_t kFirstColour = 3;
constexpr size_t kColourCount = 3;

// World units per pixel along one axis; 0 for a window without pixels, so nothing divides by 0.
double unitsPerPixel(double worldSize, double pixels) {
    return pixels > 0.0 ? worldSize / pixels : 0.0;
}

double blend(double normal, double alternate, double t) {
    return t * normal + (1.0 - t) * alternate;
}

// Pixel counts from a size in a configuration file: a wild value must not overflow the int.
int truncatedToInt(double value) {
    constexpr double kLimit = 1.0e6;
    if (!std::isfinite(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

} // namespace

NodeGraphics::NodeGraphics(config::NodeGraphicsKind kind, int32_t number, const char* name,
                           const char* imageFile, const Values& values, bool numberOnIcon)
    : kind_(kind), name_(name != nullptr ? name : ""), number_(number),
      hasImage_(imageFile != nullptr), imageFile_(imageFile != nullptr ? imageFile : ""),
      values_(values), frequency_(platform::Clock::frequency()),
      lastCounter_(platform::Clock::counter()), numberOnIcon_(numberOnIcon) {}

NodeGraphics::NodeGraphics(const config::NodeGraphicsEntry& entry)
    : NodeGraphics(entry.kind, entry.number, entry.name.c_str(),
                   entry.hasImage ? entry.imageFile.c_str() : nullptr, entry.values,
                   entry.numberOnIcon) {}

NodeGraphics::~NodeGraphics() = default;

void NodeGraphics::build() {
    textureName_ = hasImage_ ? TextureLoader::loadTextureImage(imageFile_.c_str()) : kNoImage;
}

void NodeGraphics::setPosition(double x, double y) {
    x_ = x;
    y_ = y;
}

void NodeGraphics::setMode(int32_t mode) {
    mode_ = mode;
}

void NodeGraphics::drawMarker(const DrawContext& context, const config::Preferences& preferences,
                              nodes::NodeRecord& node, bool withText) {
    draw(context, preferences, node, nullptr, withText);
}

void NodeGraphics::draw(const DrawContext& context, const config::Preferences& preferences,
                        nodes::NodeRecord& node, const NodeGraphics* overlay, bool withText) {
    if (context.view == nullptr) {
        return;
    }
    const ViewGeometry view = geometryOf(context);
    // The texts may be rewritten by a packet at any time; copy them whole under the lock.
    LabelTexts texts;
    node.lock();
    texts.id = node.id;
    texts.name = node.name;
    texts.comment1 = node.comment1;
    texts.comment2 = node.comment2;
    node.unlock();

    if (textureName_ == kNotBuilt) {
        build();
    }
    useTexture();
    lastCounter_ = platform::Clock::counter();
    const double t = pulseValue(lastCounter_, frequency_);
    const Appearance look = appearance(values_, mode_, t);
    const double h = halfSide(look.size, view.width);
    drawQuad(look, h, view);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    if (!withText) {
        return;
    }
    drawLabels(view, preferences, texts, overlay, t, h);
}

void NodeGraphics::useTexture() const {
    if (textureName_ > 0 && TextureLoader::use(textureName_)) {
        glEnable(GL_BLEND);
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void NodeGraphics::drawQuad(const Appearance& look, double h, const ViewGeometry& view) const {
    const double x = x_ - view.originX();
    const double y = y_ - view.originY();
    glColor3d(look.red, look.green, look.blue);
    glBegin(GL_POLYGON);
    glTexCoord2d(1.0, 1.0);
    glVertex3d(x + h, y + h, 0.0);
    glTexCoord2d(0.0, 1.0);
    glVertex3d(x - h, y + h, 0.0);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(x - h, y - h, 0.0);
    glTexCoord2d(1.0, 0.0);
    glVertex3d(x + h, y - h, 0.0);
    glEnd();
}

void NodeGraphics::drawLabels(const ViewGeometry& view, const config::Preferences& preferences,
                              const LabelTexts& texts, const NodeGraphics* overlay, double t,
                              double h) const {
    const int size = fontSize(iconPixels(view.pixelWidth, values_[kS0]));
    // A font of no size has no readable glyphs; asking the X server for one picks any font.
    if (size < 1) {
        return;
    }
    const double ox = view.originX();
    const double oy = view.originY();
    const GlyphCache::Placement placement{unitsPerPixel(view.width, view.pixelWidth),
                                          unitsPerPixel(view.height(), view.pixelHeight),
                                          view.pixelWidth, view.pixelHeight};
    GlyphCache& glyphs = GlyphCache::shared();
    glColor3d(0.0, 0.0, 0.0);
    if (numberOnIcon_) {
        const std::string id = idText(texts.id);
        const GlyphCache::Metrics bold = glyphs.metrics(FL_HELVETICA_BOLD, size);
        // Centred by the width of the glyphs drawn: gl_width measures FLTK's other (Xft) font.
        const Label label = idLabel(id, glyphs.width(FL_HELVETICA_BOLD, size, id), x_, y_, view,
                                    FontMetrics{bold.height, bold.descent});
        glyphs.draw(FL_HELVETICA_BOLD, size, label.text, label.x - ox, label.y - oy, placement);
    }
    const double column = labelColumn(x_, h, overlay, mode_, t, view.width);
    const GlyphCache::Metrics regular = glyphs.metrics(FL_HELVETICA, size);
    const std::vector<Label> lines = commentLabels(
        column, y_, view, FontMetrics{regular.height, regular.descent}, preferences, texts);
    for (const Label& line : lines) {
        glyphs.draw(FL_HELVETICA, size, line.text, line.x - ox, line.y - oy, placement);
    }
    GlyphCache::finish();
}

double NodeGraphics::pulseValue(int64_t counter, int64_t frequency) {
    if (frequency < 1) {
        return 1.0;
    }
    int64_t within = counter % frequency;
    if (within < 0) {
        within += frequency;
    }
    const double u = static_cast<double>(within) / static_cast<double>(frequency);
    return std::clamp(2.0 * u - 0.5, 0.0, 1.0);
}

NodeGraphics::Appearance NodeGraphics::appearance(const Values& values, int32_t mode, double t) {
    Appearance look{values[kS0], values[kFirstColour], values[kFirstColour + 1],
                    values[kFirstColour + 2]};
    if (mode != 1 && mode != 2) {
        return look;
    }
    const size_t mi = static_cast<size_t>(mode);
    const size_t colour = kFirstColour + mi * kColourCount;
    look.size = blend(values[kS0], values[mi], t);
    look.red = blend(look.red, values[colour], t);
    look.green = blend(look.green, values[colour + 1], t);
    look.blue = blend(look.blue, values[colour + 2], t);
    return look;
}

int NodeGraphics::iconPixels(double pixelWidth, double s0) {
    return truncatedToInt(pixelWidth * s0 / 100.0);
}

int NodeGraphics::fontSize(int iconPixels) {
    return 2 * truncatedToInt(iconPixels * 0.66666) / 3;
}

std::string NodeGraphics::idText(int32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", id);
    return text;
}

NodeGraphics::Label NodeGraphics::idLabel(const std::string& text, double textWidth, double x,
                                          double y, const ViewGeometry& view,
                                          const FontMetrics& font) {
    const double xScale = unitsPerPixel(view.width, view.pixelWidth);
    const double yScale = unitsPerPixel(view.height(), view.pixelHeight);
    return Label{text, x - textWidth * xScale / 2, y - (font.height / 2 - font.descent) * yScale};
}

double NodeGraphics::labelColumn(double x, double ownHalfSide, const NodeGraphics* overlay,
                                 int32_t mode, double t, double viewWidth) {
    if (overlay == nullptr) {
        return x + ownHalfSide;
    }
    return x + halfSide(appearance(overlay->values(), mode, t).size, viewWidth);
}

std::vector<NodeGraphics::Label> NodeGraphics::commentLabels(double columnX, double y,
                                                             const ViewGeometry& view,
                                                             const FontMetrics& font,
                                                             const config::Preferences& preferences,
                                                             const LabelTexts& texts) {
    struct Line {
        bool enabled;
        std::string text;
    };
    const Line lines[] = {
        {preferences.commentNode, texts.name.empty() ? idText(texts.id) : texts.name},
        {preferences.commentPacket1, texts.comment1},
        {preferences.commentPacket2, texts.comment2},
    };
    int enabled = 0;
    for (const Line& line : lines) {
        enabled += line.enabled ? 1 : 0;
    }
    const double xScale = unitsPerPixel(view.width, view.pixelWidth);
    const double yScale = unitsPerPixel(view.height(), view.pixelHeight);
    const double step = (font.descent - font.height) * yScale; // downwards
    const double base = y - (font.height / 2 - font.descent) * yScale;
    const double textX = columnX + font.descent * xScale;
    double k = -(enabled - 1) / 2.0;
    std::vector<Label> labels;
    for (const Line& line : lines) {
        if (!line.enabled) {
            continue;
        }
        if (!line.text.empty()) {
            labels.push_back(Label{line.text, textX, base + k * step});
        }
        k += 1.0;
    }
    return labels;
}

NodeGraphics::ViewGeometry NodeGraphics::geometryOf(const DrawContext& context) {
    ViewGeometry view;
    if (context.view == nullptr) {
        return view;
    }
    const MapView& map = *context.view;
    view.centerX = map.centerX();
    view.centerY = map.centerY();
    view.width = map.viewWidthNow();
    view.aspect = map.aspect();
    view.pixelWidth = map.pixelWidth();
    view.pixelHeight = map.pixelHeight();
    return view;
}

} // namespace render
