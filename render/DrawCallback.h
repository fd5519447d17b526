#pragma once

#include <cstdint>

class DrawContext;

// A drawer registered on the surface: called as function(userData, context) at every draw.
using DrawFunction = void (*)(void* userData, DrawContext& context);

// One node of the surface's doubly linked list of draw callbacks (render/glDrawSurface.h).
//
// Ownership: the surface allocates the nodes and frees them when it goes; destroying a node
// unlinks it from its neighbours, so the list stays whole whichever node goes first. The user data
// is the caller's and is never freed here.
//
// Threads: main thread only. Nothing here can fail.
class DrawCallback {
public:
    DrawCallback() = default;
    DrawCallback(DrawFunction drawFunction, void* data, int32_t spareWord);
    virtual ~DrawCallback();

    DrawCallback(const DrawCallback&) = delete;
    DrawCallback& operator=(const DrawCallback&) = delete;

    // Links this node into a list just before `node`, which must already be linked after a head.
    void insertBefore(DrawCallback* node);

    DrawCallback* next = nullptr;
    DrawCallback* previous = nullptr;
    DrawFunction function = nullptr;
    void* userData = nullptr;
    int32_t spare = 0; // kept for callers that pass it; always 0 in this program
};
