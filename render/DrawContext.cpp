#include "render/DrawContext.h"

// Defined here so the class has one home for its virtual table.
DrawContext::~DrawContext() = default;
