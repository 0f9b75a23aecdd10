/* Little-endian numbers, the byte order of every file and protocol of the
   toolkit: the container, RIFF (wave and AVI), flics, bitmaps and the
   front-end link. Plain C, header only, so that every layer (and the front
   end, which links none of the libraries) shares these one definitions;
   codec/format.h makes them part of the file layout. */
#ifndef ZORB_PLATFORM_BYTE_ORDER_H
#define ZORB_PLATFORM_BYTE_ORDER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

static inline uint16_t ZbxGet16(const uint8_t *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static inline uint32_t ZbxGet32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static inline void ZbxPut16(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

static inline void ZbxPut32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

/* A four-character code ("RIFF", "fmt ") as the 32-bit number it is stored as. */
static inline uint32_t ZbxFourCC(const char *s)
{
    return ZbxGet32((const uint8_t *)s);
}

#ifdef __cplusplus
}

/* The same numbers appended to a growing byte container (std::vector of
   bytes, std::string). */
template <class Bytes>
inline void ZbxAppend16(Bytes &out, uint32_t v)
{
    uint8_t b[2];
    ZbxPut16(b, v);
    out.insert(out.end(), b, b + 2);
}

template <class Bytes>
inline void ZbxAppend32(Bytes &out, uint32_t v)
{
    uint8_t b[4];
    ZbxPut32(b, v);
    out.insert(out.end(), b, b + 4);
}
#endif

#endif
