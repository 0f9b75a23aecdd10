// Animated GIF and WebP files as a source of graphics input, and the palette
// they are delivered with. Internal to vexutil.
#ifndef ZORB_VEXUTIL_GRAPHICS_ANIM_SOURCE_H
#define ZORB_VEXUTIL_GRAPHICS_ANIM_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vexutil/vexutil.h"

namespace vex {

// A 256-entry palette for a sequence of pictures of at most 256 colours each:
// a colour keeps its index while it stays in use.
class StablePalette {
public:
    StablePalette() { Reset(); }
    // Maps count pixels (blue, green, red, unused) to indices; *changed when
    // an entry got a new colour. False when the picture has over 256 colours.
    bool Map(const uint8_t *bgrx, size_t count, uint8_t *indices, bool *changed);
    void Get(uint8_t *palette) const; // 768 bytes red, green, blue
    void Reset();

private:
    // Colour -> index of the assigned colours: open addressing, at most 256
    // of 1024 slots in use; rebuilt when colours leave.
    static constexpr uint32_t kSlots = 1024, kEmpty = 0xFFFFFFFFu;
    static uint32_t Slot(uint32_t colour) { return (colour * 2654435761u) >> 22; }
    int Find(uint32_t colour) const;
    void Insert(uint32_t colour, uint8_t index);
    void Rebuild();

    uint32_t keys_[kSlots];
    uint8_t values_[kSlots];
    uint32_t colours_[256] = {};
    bool assigned_[256] = {};
    // The picture's colours that have no index yet (each once).
    uint32_t freshKeys_[kSlots];
    std::vector<uint32_t> fresh_, freshSlots_;
};

// Opens an animated GIF (webp false; GIFs of one picture are left to the
// image reader) or a WebP file as g's source. *handled once the file was
// recognised as one the probe must not pass on.
bool OpenAnimatedSource(GFILE *g, const std::string &path, bool webp, bool *handled);

} // namespace vex

#endif
