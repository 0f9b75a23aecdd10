/* Decodes every frame of a Zorblax file into PPM pictures and the sound of its
   first track into a WAV file, using the decode library (libzorblax).

     cc -std=c99 decode_to_files.c $(pkg-config --cflags --libs zorblax) -o decode_to_files
     ./decode_to_files FILE.zbx DIR

   DIR must exist. It receives frame_00001.ppm, frame_00002.ppm, ... one per
   stored frame in file order (a ring frame last), and sound.wav when the file
   has a playable sound track. Exit status: 0 done, 1 the file could not be
   read or written, 2 bad arguments. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <codec/examine.h>
#include <codec/zorb.h>

/* Writes the 8-bit picture through the palette as a binary PPM. */
static int WritePpm(const char *path, const uint8_t *pixels, uint32_t width, uint32_t height,
                    const uint8_t palette[768])
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return 0;
    fprintf(f, "P6\n%u %u\n255\n", (unsigned)width, (unsigned)height);
    for (uint32_t i = 0; i < width * height; ++i)
        fwrite(&palette[pixels[i] * 3], 1, 3, f);
    return fclose(f) == 0;
}

static void Put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

/* The 44-byte header of a PCM WAV file holding `bytes` bytes of sound in the
   track's format. */
static void WavHeader(uint8_t out[44], uint32_t format, uint32_t bytes)
{
    const uint32_t channels = format & ZBX_AUDIO_STEREO ? 2 : 1;
    const uint32_t sampleBytes = format & ZBX_AUDIO_16BIT ? 2 : 1;
    const uint32_t rate = format & ZBX_AUDIO_RATE_MASK;
    memcpy(out, "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0", 22);
    Put32(out + 4, 36 + bytes);
    out[22] = (uint8_t)channels;
    out[23] = 0;
    Put32(out + 24, rate);
    Put32(out + 28, rate * channels * sampleBytes);
    out[32] = (uint8_t)(channels * sampleBytes);
    out[33] = 0;
    out[34] = (uint8_t)(8 * sampleBytes);
    out[35] = 0;
    memcpy(out + 36, "data", 4);
    Put32(out + 40, bytes);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s FILE.zbx DIR\n", argv[0]);
        return 2;
    }
    /* No sound device here: the sound is taken frame by frame with
       ZorbGetTrackSound. ZORB_OPEN_NEVER_SKIP: every frame's video is decoded. */
    ZorbHandle *h = ZorbOpen(argv[1], ZORB_OPEN_NEVER_SKIP, -1);
    if (!h) {
        fprintf(stderr, "%s: %s\n", argv[1], ZorbLastOpenError());
        return 1;
    }

    /* The picture: zero-filled once, then every frame decodes over it. */
    const uint32_t width = h->Width, height = h->Height;
    uint8_t *pixels = calloc((size_t)width * height + 1, 1);
    ZorbSetOutput(h, 0, 0, width, height, pixels, 0);

    /* The first track that can be played, if any. */
    int track = -1;
    for (int n = 0; n < ZBX_MAX_TRACKS && track < 0; ++n)
        if ((h->AudioFormat[n] & ZBX_AUDIO_PRESENT) && (h->AudioFormat[n] & ZBX_AUDIO_RATE_MASK))
            track = n;
    uint8_t *sound = NULL;
    FILE *wav = NULL;
    uint32_t soundBytes = 0;
    char path[4096];
    if (track >= 0) {
        sound = malloc(h->AudioMaxSize[track] + 1);
        snprintf(path, sizeof path, "%s/sound.wav", argv[2]);
        wav = fopen(path, "wb");
        uint8_t header[44] = {0};
        if (!sound || !wav || fwrite(header, 1, sizeof header, wav) != sizeof header) {
            fprintf(stderr, "%s: cannot write\n", path);
            return 1;
        }
    }

    /* Frames in file order: after the last frame the handle steps through the
       ring frame, when there is one. */
    int status = pixels ? 0 : 1;
    const uint32_t frames = ZorbTableFrames(h);
    for (uint32_t i = 0; i < frames && status == 0; ++i) {
        ZorbDecodeFrame(h);
        if (h->ReadFailed) {
            fprintf(stderr, "%s: frame %u is damaged\n", argv[1], (unsigned)(i + 1));
            status = 1;
            break;
        }
        snprintf(path, sizeof path, "%s/frame_%05u.ppm", argv[2], (unsigned)(i + 1));
        if (!WritePpm(path, pixels, width, height, h->Palette)) {
            fprintf(stderr, "%s: cannot write\n", path);
            status = 1;
        }
        if (wav) {
            const uint32_t n = ZorbGetTrackSound(h, ZORB_OPEN_TRACK(track), sound);
            if (fwrite(sound, 1, n, wav) != n)
                status = 1;
            soundBytes += n;
        }
        ZorbAdvanceFrame(h);
    }

    if (wav) {
        uint8_t header[44];
        WavHeader(header, h->AudioFormat[track], soundBytes);
        if (fseek(wav, 0, SEEK_SET) != 0 || fwrite(header, 1, sizeof header, wav) != sizeof header)
            status = 1;
        if (fclose(wav) != 0)
            status = 1;
    }
    ZorbClose(h);
    free(sound);
    free(pixels);
    return status;
}
