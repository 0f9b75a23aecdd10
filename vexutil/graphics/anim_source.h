// Animated GIF and WebP files as a source of graphics input, and the palette
// they are delivered with. Internal to vexutil.
#ifndef VEXUTIL_GRAPHICS_ANIM_SOURCE_H
#define VEXUTIL_GRAPHICS_ANIM_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "vexutil/vexutil.h"

namespace vex {

// A 256-entry palette for a sequence of pictures of at most 256 colours each:
// a colour keeps its index while it stays in use.
class StablePalette {
public:
    // Maps count pixels (blue, green, red, unused) to indices; *changed when
    // an entry got a new colour. False when the picture has over 256 colours.
    bool Map(const uint8_t *bgrx, size_t count, uint8_t *indices, bool *changed);
    void Get(uint8_t *palette) const; // 768 bytes red, green, blue
    void Reset();

private:
    std::unordered_map<uint32_t, uint8_t> index_, seen_;
    uint32_t colours_[256] = {};
    bool assigned_[256] = {};
};

// Opens an animated GIF (webp false; GIFs of one picture are left to the
// image reader) or a WebP file as g's source. *handled once the file was
// recognised as one the probe must not pass on.
bool OpenAnimatedSource(GFILE *g, const std::string &path, bool webp, bool *handled);

} // namespace vex

#endif
