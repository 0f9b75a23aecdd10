// The bundled demo's material (zbxdemo renders it; tests and benchmarks use it
// as a realistic input).
#ifndef ZORB_TOOLS_COMMON_DEMO_CONTENT_H
#define ZORB_TOOLS_COMMON_DEMO_CONTENT_H

#include <cstddef>
#include <cstdint>

namespace tool {

// Frame t of the demo animation (frames in all; the palette changes half
// way): width x height pixels and a 768-byte palette (8-bit components).
void DemoFrame(uint32_t t, uint32_t frames, uint32_t width, uint32_t height, uint8_t *pixels, uint8_t *palette);

// The demo tune, 16-bit stereo: returns its byte size; copies up to size
// bytes to out when out is not null.
size_t DemoTune(double seconds, uint32_t rate, uint8_t *out, size_t size);

} // namespace tool

#endif
