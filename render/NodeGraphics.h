#pragma once

#include "config/NodeGraphicsFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class DrawContext;

namespace config {
class Preferences;
}
namespace nodes {
class NodeRecord;
}

namespace render {

// One entry of the node graphics file: a square icon with an optional image, a size and colour
// for each idle status, and the switch that writes the node id on the icon. One object draws any
// number of nodes: before each draw the caller moves it to the node (setPosition) and gives it the
// node's idle status (setMode). Late nodes pulse once per second from the alternate size and
// colour back to the normal ones; the pulse follows the shared counter, so all icons pulse in step.
//
// Ownership: the node graphics set owns the objects; the GL texture is made at the first draw and
// never deleted. Threads: the thread that draws the GL surface only, with its context current;
// the node's lock is taken only while its texts are copied. Failure: an image that cannot be read
// leaves the icon untextured (textureName -1), drawn as a flat square of its colour.
class NodeGraphics {
public:
    using Values = std::array<double, 12>; // s0, s1, s2; r0, g0, b0; r1, g1, b1; r2, g2, b2

    static constexpr int32_t kNotBuilt = -2;
    static constexpr int32_t kNoImage = -1;

    struct Appearance {
        double size = 0.0; // percent of the window width
        double red = 0.0;
        double green = 0.0;
        double blue = 0.0;
    };

    // The six view quantities a draw needs.
    struct ViewGeometry {
        double centerX = 0.0;
        double centerY = 0.0;
        double width = 1.0;  // W, world units
        double aspect = 1.0; // window height / window width
        double pixelWidth = 1.0;
        double pixelHeight = 1.0;

        double height() const { return aspect * width; }
        double originX() const { return centerX - width / 2; }
        double originY() const { return centerY - height() / 2; }
    };

    // Metrics of the selected GL font, in pixels, as FLTK reports them.
    struct FontMetrics {
        int height = 0;
        int descent = 0;
    };

    // A text and its start point in world coordinates.
    struct Label {
        std::string text;
        double x = 0.0;
        double y = 0.0;
    };

    // What the labels of one node read, copied under the node's lock.
    struct LabelTexts {
        int32_t id = 0;
        std::string name;
        std::string comment1;
        std::string comment2;
    };

    NodeGraphics(config::NodeGraphicsKind kind, int32_t number, const char* name,
                 const char* imageFile, const Values& values, bool numberOnIcon);
    explicit NodeGraphics(const config::NodeGraphicsEntry& entry);
    virtual ~NodeGraphics();

    NodeGraphics(const NodeGraphics&) = delete;
    NodeGraphics& operator=(const NodeGraphics&) = delete;

    // Makes the texture from the image (once); needs the GL context current.
    virtual void build();
    // Draws the icon at the set position in the set mode and, with withText, the node's labels.
    // The overlay is the marker already drawn under this icon: the labels then start right of it.
    virtual void draw(const DrawContext& context, const config::Preferences& preferences,
                      nodes::NodeRecord& node, const NodeGraphics* overlay, bool withText);
    virtual void drawMarker(const DrawContext& context, const config::Preferences& preferences,
                            nodes::NodeRecord& node, bool withText);
    virtual void setPosition(double x, double y);
    virtual void setMode(int32_t mode);
    virtual config::NodeGraphicsKind kind() const { return kind_; }

    int32_t number() const { return number_; }
    const std::string& name() const { return name_; }
    bool hasImage() const { return hasImage_; }
    const std::string& imageFile() const { return imageFile_; }
    const Values& values() const { return values_; }
    double x() const { return x_; }
    double y() const { return y_; }
    int32_t mode() const { return mode_; }
    int32_t textureName() const { return textureName_; }
    bool numberOnIcon() const { return numberOnIcon_; }
    int64_t lastCounter() const { return lastCounter_; }

    // The arithmetic of a draw, without GL.
    //
    // Pulse position t in [0, 1] within the current second of the counter: 0 in the first
    // quarter, rising linearly to 1 at three quarters, 1 after. A frequency below 1 gives 1.
    static double pulseValue(int64_t counter, int64_t frequency);
    // Size and colour for an idle status at pulse t; a status other than 1 or 2 is drawn normal.
    static Appearance appearance(const Values& values, int32_t mode, double t);
    static double halfSide(double size, double viewWidth) { return size * viewWidth * 0.005; }
    // Label font size from the icon's normal size s0 in a window pixelWidth wide.
    static int iconPixels(double pixelWidth, double s0);
    static int fontSize(int iconPixels);
    static std::string idText(int32_t id);
    // Where the id goes so that it is centred on the icon at (x, y).
    static Label idLabel(const std::string& text, double textWidth, double x, double y,
                         const ViewGeometry& view, const FontMetrics& font);
    // The x where the label column starts: right of the own icon (half side h) or of the overlay
    // at this mode and pulse.
    static double labelColumn(double x, double ownHalfSide, const NodeGraphics* overlay,
                              int32_t mode, double t, double viewWidth);
    // The non-empty comment lines, centred as a block of all enabled lines on y; an enabled but
    // empty line keeps its place.
    static std::vector<Label> commentLabels(double columnX, double y, const ViewGeometry& view,
                                            const FontMetrics& font,
                                            const config::Preferences& preferences,
                                            const LabelTexts& texts);
    static ViewGeometry geometryOf(const DrawContext& context);

private:
    void useTexture() const;
    void drawQuad(const Appearance& look, double h, const ViewGeometry& view) const;
    void drawLabels(const ViewGeometry& view, const config::Preferences& preferences,
                    const LabelTexts& texts, const NodeGraphics* overlay, double t, double h) const;

    config::NodeGraphicsKind kind_;
    std::string name_;
    int32_t number_;
    bool hasImage_;
    std::string imageFile_;
    Values values_;
    double x_ = 0.0;
    double y_ = 0.0;
    int32_t mode_ = 2;
    int32_t textureName_ = kNotBuilt;
    int64_t frequency_;
    int64_t lastCounter_;
    bool numberOnIcon_;
};

} // namespace render
