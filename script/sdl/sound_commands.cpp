// SOUND and MCISENDSTRING through SDL audio: a square-wave tone, and a small
// set of wave-file commands (open / play [wait] / stop / close / status).
#include "script/sdl/sound_commands.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/platform.h"
#include "runtime/sound_device.h"

namespace zscript {

namespace {

constexpr uint32_t kToneRate = 22050;

struct ToneState {
    uint32_t halfPeriod; // samples per half wave
    uint32_t phase = 0;
    bool high = false;
};

void ToneFill(void *context, uint8_t *out, uint32_t bytes)
{
    auto *t = static_cast<ToneState *>(context);
    for (uint32_t i = 0; i < bytes; ++i) {
        if (t->halfPeriod == 0) {
            out[i] = 0x80;
            continue;
        }
        if (++t->phase >= t->halfPeriod) {
            t->phase = 0;
            t->high = !t->high;
        }
        out[i] = t->high ? 0xA0 : 0x60;
    }
}

void WaveFill(void *context, uint8_t *out, uint32_t bytes)
{
    auto *w = static_cast<WaveSound *>(context);
    uint32_t n = 0;
    if (w->playing) {
        n = std::min<uint32_t>(bytes, static_cast<uint32_t>(w->data.size() - w->position));
        std::memcpy(out, w->data.data() + w->position, n);
        w->position += n;
        if (w->position >= w->data.size())
            w->playing = false;
    }
    std::memset(out + n, 0, bytes - n);
}

std::string Lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> Words(const std::string &command)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < command.size()) {
        while (i < command.size() && std::isspace(static_cast<unsigned char>(command[i])))
            ++i;
        if (i >= command.size())
            break;
        if (command[i] == '"') {
            const size_t close = command.find('"', i + 1);
            const size_t e = close == std::string::npos ? command.size() : close;
            words.push_back(command.substr(i + 1, e - i - 1));
            i = e + 1;
            continue;
        }
        size_t j = i;
        while (j < command.size() && !std::isspace(static_cast<unsigned char>(command[j])))
            ++j;
        words.push_back(command.substr(i, j - i));
        i = j;
    }
    return words;
}

} // namespace

SoundCommands::~SoundCommands()
{
    CloseAll();
}

bool SoundCommands::Up()
{
    if (!audioUp_)
        audioUp_ = zorb::CurrentSoundDevice().Init();
    return audioUp_;
}

void SoundCommands::CloseAll()
{
    for (auto &w : waves_)
        if (w->device)
            zorb::CurrentSoundDevice().Close(w->device);
    waves_.clear();
    if (audioUp_)
        zorb::CurrentSoundDevice().Quit();
    audioUp_ = false;
}

void SoundCommands::Tone(int32_t frequency, int32_t ms, const std::function<void(uint32_t)> &wait)
{
    const uint32_t duration = ms > 0 ? static_cast<uint32_t>(ms) : 0;
    ToneState state{frequency >= 19 ? std::max<uint32_t>(1, kToneRate / (2u * static_cast<uint32_t>(frequency))) : 0};
    uint32_t device = 0;
    if (duration > 0 && Up())
        device = zorb::CurrentSoundDevice().OpenPull({kToneRate, 1, 8}, 0, ToneFill, &state);
    wait(duration); // silent but timed without a device
    if (device)
        zorb::CurrentSoundDevice().Close(device);
}

WaveSound *SoundCommands::Find(const std::string &alias)
{
    for (auto &w : waves_)
        if (w->alias == Lower(alias))
            return w.get();
    return nullptr;
}

std::string SoundCommands::Open(const std::string &file, const std::string &alias)
{
    if (Find(alias))
        return "Error: the alias is already in use.";
    SDL_AudioSpec spec{};
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(file.c_str(), &spec, &buffer, &length))
        return "Error: cannot open the wave file " + file + ": " + SDL_GetError();
    // Played as 16-bit samples at the file's rate, mono or stereo.
    const Uint8 channels = spec.channels >= 2 ? 2 : 1;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16LSB, channels, spec.freq) < 0) {
        SDL_FreeWAV(buffer);
        return std::string("Error: unsupported wave format: ") + SDL_GetError();
    }
    auto w = std::make_unique<WaveSound>();
    w->alias = Lower(alias);
    w->data.resize(static_cast<size_t>(length) * static_cast<size_t>(std::max(cvt.len_mult, 1)));
    std::memcpy(w->data.data(), buffer, length);
    SDL_FreeWAV(buffer);
    cvt.buf = w->data.data();
    cvt.len = static_cast<int>(length);
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0)
        return std::string("Error: cannot convert the wave file: ") + SDL_GetError();
    w->data.resize(cvt.needed ? static_cast<size_t>(cvt.len_cvt) : length);
    w->data.resize(w->data.size() & ~static_cast<size_t>(channels * 2 - 1));
    w->rate = static_cast<uint32_t>(spec.freq);
    w->channels = channels;
    waves_.push_back(std::move(w));
    return {};
}

std::string SoundCommands::Play(WaveSound &w, bool waitToEnd, const std::function<void(uint32_t)> &wait)
{
    if (!Up())
        return std::string("Error: no sound device: ") + zorb::CurrentSoundDevice().LastError();
    if (!w.device) {
        w.device = zorb::CurrentSoundDevice().OpenPull({w.rate, w.channels, 16},
                                                       static_cast<uint32_t>(waves_.size() % 7), WaveFill, &w);
        if (!w.device)
            return std::string("Error: no sound device: ") + zorb::CurrentSoundDevice().LastError();
    }
    zorb::CurrentSoundDevice().Lock(w.device);
    if (w.position >= w.data.size())
        w.position = 0;
    w.playing = true;
    zorb::CurrentSoundDevice().Unlock(w.device);
    while (waitToEnd && Mode(w) == "playing")
        wait(10);
    return {};
}

std::string SoundCommands::Mode(WaveSound &w)
{
    if (!w.device)
        return "stopped";
    zorb::CurrentSoundDevice().Lock(w.device);
    const bool playing = w.playing;
    zorb::CurrentSoundDevice().Unlock(w.device);
    return playing ? "playing" : "stopped";
}

std::string SoundCommands::Command(const std::string &command, const std::function<void(uint32_t)> &wait)
{
    const std::vector<std::string> words = Words(command);
    if (words.empty())
        return "Error: empty command.";
    const std::string verb = Lower(words[0]);
    if (verb == "open") {
        if (words.size() < 2)
            return "Error: open needs a file name.";
        std::string alias = words[1];
        for (size_t i = 2; i < words.size(); ++i) {
            const std::string w = Lower(words[i]);
            if (w == "alias" && i + 1 < words.size())
                alias = words[++i];
            else if (w == "type" && i + 1 < words.size() && Lower(words[i + 1]) == "waveaudio")
                ++i;
            else
                return "Error: unsupported open option " + words[i] + " (only type waveaudio and alias).";
        }
        return Open(ResolveFile(words[1]), alias);
    }
    if (verb == "close" && words.size() == 2 && Lower(words[1]) == "all") {
        CloseAll();
        return {};
    }
    if (verb != "play" && verb != "stop" && verb != "close" && verb != "status")
        return "Error: unsupported command " + words[0] + " (open, play, stop, close and status are known).";
    if (words.size() < 2)
        return "Error: " + verb + " needs a device name.";
    WaveSound *w = Find(words[1]);
    if (!w)
        return "Error: no device is open under the name " + words[1] + ".";
    if (verb == "play") {
        bool waitToEnd = false;
        for (size_t i = 2; i < words.size(); ++i) {
            if (Lower(words[i]) != "wait")
                return "Error: unsupported play option " + words[i] + " (only wait).";
            waitToEnd = true;
        }
        return Play(*w, waitToEnd, wait);
    }
    if (verb == "stop") {
        if (w->device) {
            zorb::CurrentSoundDevice().Lock(w->device);
            w->playing = false;
            zorb::CurrentSoundDevice().Unlock(w->device);
        }
        return {};
    }
    if (verb == "close") {
        if (w->device)
            zorb::CurrentSoundDevice().Close(w->device);
        waves_.erase(std::find_if(waves_.begin(), waves_.end(), [w](const auto &p) { return p.get() == w; }));
        return {};
    }
    // status
    const std::string what = words.size() > 2 ? Lower(words[2]) : "";
    if (what == "mode")
        return Mode(*w);
    const uint64_t frameBytes = w->channels * 2u;
    if (what == "length")
        return std::to_string(w->data.size() / frameBytes * 1000u / w->rate);
    if (what == "position")
        return std::to_string(w->position / frameBytes * 1000u / w->rate);
    return "Error: unsupported status item (mode, length and position are known).";
}

} // namespace zscript
