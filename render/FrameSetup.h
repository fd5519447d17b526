#pragma once

class DrawContext;

namespace render {

// The GL state every frame starts from, in two steps so the follow logic can move the view
// between them: `clear` fills the window with the background colour and leaves the projection
// matrix current and set to identity; `project` loads the context's view, the viewport and an
// identity model-view, and turns on source-alpha blending with depth writes off (depth testing
// stays off, so later drawing covers earlier drawing).
//
// Needs the surface's GL context current (inside a draw callback). Main thread only.
class FrameSetup {
public:
    static constexpr float kBackgroundRed = 0.0f;
    static constexpr float kBackgroundGreen = 0.4f;
    static constexpr float kBackgroundBlue = 0.5f;

    static void clear();
    static void project(const DrawContext& context);
};

} // namespace render
