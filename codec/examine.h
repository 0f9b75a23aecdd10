/* Looking inside an open Zorblax file without playing it: the size of the
   frame tables, the chunks of each frame and the sound of a frame as stored.
   For tools that describe or take apart files (zbxinfo); players need only
   codec/zorb.h. The handle comes from ZorbOpen; these calls accept a null
   handle and then do nothing (returning 0). */
#ifndef ZORB_CODEC_EXAMINE_H
#define ZORB_CODEC_EXAMINE_H

#include <stdint.h>

#include "codec/zorb.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Entries of the frame tables: FrameCount, plus one when the file has a ring
   frame (which is then frame FrameCount, 0-based). */
ZORBAPI uint32_t ZorbTableFrames(const ZorbHandle *h);

/* The chunks of one frame, in bytes. */
typedef struct ZorbFrameLayout {
    uint32_t Size;                       /* the whole frame */
    uint32_t Type;                       /* its type byte: bit 0 palette chunk, bit n + 1 sound chunk of track n */
    uint32_t PaletteBytes;               /* the palette chunk, 0 when there is none */
    uint32_t SoundBytes[ZBX_MAX_TRACKS]; /* each sound chunk (its length word included), 0 when there is none */
    uint32_t VideoBytes;                 /* the video data after the chunks */
} ZorbFrameLayout;

/* Makes frame `index` (0-based, the ring frame included) the loaded frame
   without decoding it, parses its chunks and describes them in *layout.
   Frames are best visited in file order: the next frame is read on, any other
   one is sought. Returns 1, or 0 when the frame cannot be read or its chunks
   do not fit it (layout->Size and Type are still filled). After such a frame
   the handle stays marked as failed (no decoding), but later frames can
   still be inspected. */
ZORBAPI int ZorbInspectFrame(ZorbHandle *h, uint32_t index, ZorbFrameLayout *layout);

/* The decoded sound of track `track` (0-6) in the loaded frame, whole: a raw
   chunk's bytes, or a compressed chunk decoded (silence when it carries
   none). Writes it to buffer when it fits in `capacity` bytes, and returns
   its size either way (so a first call with capacity 0 asks for the size);
   0 when the frame has no sound for the track, -1 when its chunk is damaged. */
ZORBAPI int64_t ZorbInspectSound(const ZorbHandle *h, unsigned track, void *buffer, uint32_t capacity);

#ifdef __cplusplus
}
#endif

#endif
