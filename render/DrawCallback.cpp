#include "render/DrawCallback.h"

DrawCallback::DrawCallback(DrawFunction drawFunction, void* data, int32_t spareWord)
    : function(drawFunction), userData(data), spare(spareWord) {}

DrawCallback::~DrawCallback() {
    if (previous != nullptr) {
        previous->next = next;
    }
    if (next != nullptr) {
        next->previous = previous;
    }
    next = nullptr;
    previous = nullptr;
}

void DrawCallback::insertBefore(DrawCallback* node) {
    previous = node->previous;
    next = node;
    if (previous != nullptr) {
        previous->next = this;
    }
    node->previous = this;
}
