// Plays a Zorblax file in an SDL window, twice its size, with the sound of its
// first track, using the decode library (libzorblax) and its blitter.
//
//   c++ -std=c++17 sdl_player.cpp $(pkg-config --cflags --libs zorblax sdl2) -o sdl_player
//   ./sdl_player FILE.zbx
//
// Esc or closing the window stops. The library decodes 8-bit pictures into a
// buffer of ours and tells which rectangles changed; the blitter doubles those
// into a 16-bit picture that SDL shows. The sound of each frame is queued on an
// SDL audio device; ZorbMustWait paces the frames by the file's frame rate.
#include <SDL.h>

#include <codec/zorb.h>
#include <runtime/blit.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Closer {
    void operator()(ZorbHandle *h) const { ZorbClose(h); }
    void operator()(ZorbBlitter *b) const { ZorbBlitClose(b); }
    void operator()(SDL_Window *w) const { SDL_DestroyWindow(w); }
    void operator()(SDL_Renderer *r) const { SDL_DestroyRenderer(r); }
    void operator()(SDL_Texture *t) const { SDL_DestroyTexture(t); }
};
template <class T>
using Owned = std::unique_ptr<T, Closer>;

// The first track with a format that can be played, or -1.
int FirstTrack(const ZorbHandle &h)
{
    for (int n = 0; n < ZBX_MAX_TRACKS; ++n)
        if ((h.AudioFormat[n] & ZBX_AUDIO_PRESENT) && (h.AudioFormat[n] & ZBX_AUDIO_RATE_MASK))
            return n;
    return -1;
}

// Opens an SDL audio device for the track's format; 0 when there is none.
SDL_AudioDeviceID OpenSound(const ZorbHandle &h, int track)
{
    if (track < 0)
        return 0;
    const uint32_t format = h.AudioFormat[track];
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format & ZBX_AUDIO_RATE_MASK);
    want.format = format & ZBX_AUDIO_16BIT ? AUDIO_S16LSB : AUDIO_U8;
    want.channels = format & ZBX_AUDIO_STEREO ? 2 : 1;
    want.samples = 1024;
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0)
        std::fprintf(stderr, "no sound: %s\n", SDL_GetError());
    return device;
}

// True when the user asked to stop.
bool StopRequested()
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE))
            return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.zbx\n", argv[0]);
        return 2;
    }
    // The library plays no sound itself here: the frames' sound is taken with
    // ZorbGetTrackSound and queued on an SDL device below.
    Owned<ZorbHandle> h(ZorbOpen(argv[1], 0, -1));
    if (!h) {
        std::fprintf(stderr, "%s: %s\n", argv[1], ZorbLastOpenError());
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    const int width = static_cast<int>(h->Width), height = static_cast<int>(h->Height);
    Owned<SDL_Window> window(
        SDL_CreateWindow(argv[1], SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 2 * width, 2 * height, 0));
    Owned<SDL_Renderer> renderer(window ? SDL_CreateRenderer(window.get(), -1, 0) : nullptr);
    Owned<SDL_Texture> texture(renderer ? SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_RGB565,
                                                            SDL_TEXTUREACCESS_STREAMING, 2 * width, 2 * height)
                                        : nullptr);
    Owned<ZorbBlitter> blitter(ZorbBlitOpen(ZORB_BLIT_16BIT_565 | ZORB_BLIT_DOUBLE));
    if (!texture || !blitter) {
        std::fprintf(stderr, "cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }

    // The decoder's 8-bit picture and the doubled 16-bit one shown.
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height);
    std::vector<uint16_t> shown(static_cast<size_t>(4) * width * height);
    ZorbSetOutput(h.get(), 0, 0, h->Width, h->Height, picture.data(), 0);

    const int track = FirstTrack(*h);
    const SDL_AudioDeviceID sound = OpenSound(*h, track);
    std::vector<uint8_t> chunk(track >= 0 ? h->AudioMaxSize[track] + 1 : 1);
    if (sound)
        SDL_PauseAudioDevice(sound, 0);

    int status = 0;
    for (uint32_t frame = 0; frame < h->FrameCount; ++frame) {
        if (sound) {
            const uint32_t bytes = ZorbGetTrackSound(h.get(), ZORB_OPEN_TRACK(track), chunk.data());
            SDL_QueueAudio(sound, chunk.data(), bytes);
        }
        ZorbDecodeFrame(h.get());
        if (h->ReadFailed) {
            std::fprintf(stderr, "%s: frame %u is damaged\n", argv[1], frame + 1);
            status = 1;
            break;
        }
        if (h->FreshPalette) {
            ZorbBlitSetPalette(blitter.get(), h->Palette, 0);
            h->FreshPalette = 0;
            ZorbBlit(blitter.get(), shown.data(), 4 * width, 0, 0, picture.data(), width, 0, 0, width, height);
        } else {
            // Only what changed: the library lists the rectangles.
            while (ZorbNextDirtyRect(h.get(), 0))
                ZorbBlit(blitter.get(), shown.data(), 4 * width, 2 * h->LastRectX, 2 * h->LastRectY, picture.data(),
                         width, h->LastRectX, h->LastRectY, h->LastRectW, h->LastRectH);
        }
        SDL_UpdateTexture(texture.get(), nullptr, shown.data(), 4 * width);
        SDL_RenderCopy(renderer.get(), texture.get(), nullptr, nullptr);
        SDL_RenderPresent(renderer.get());

        ZorbAdvanceFrame(h.get());
        bool stop = StopRequested();
        while (!stop && ZorbMustWait(h.get())) {
            SDL_Delay(1);
            stop = StopRequested();
        }
        if (stop)
            break;
    }
    // Let the last frames' sound play out.
    while (sound && SDL_GetQueuedAudioSize(sound) > 0 && !StopRequested())
        SDL_Delay(10);
    if (sound)
        SDL_CloseAudioDevice(sound);
    texture.reset();
    renderer.reset();
    window.reset();
    SDL_Quit();
    return status;
}
