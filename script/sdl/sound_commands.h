// Internal: the sound of SOUND and MCISENDSTRING on SDL audio devices.
#ifndef ZORB_SCRIPT_SDL_SOUND_COMMANDS_H
#define ZORB_SCRIPT_SDL_SOUND_COMMANDS_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zscript {

// One wave file opened by MCISENDSTRING, as 16-bit samples.
struct WaveSound {
    std::string alias; // lower case
    std::vector<uint8_t> data;
    uint32_t rate = 0, channels = 0;
    uint32_t device = 0;
    size_t position = 0; // bytes played (guarded by the device lock)
    bool playing = false;
};

class SoundCommands {
public:
    explicit SoundCommands(std::function<std::string(const std::string &)> resolve) : ResolveFile(std::move(resolve)) {}
    ~SoundCommands();
    // A tone of that frequency for ms milliseconds; wait(ms) passes the time.
    void Tone(int32_t frequency, int32_t ms, const std::function<void(uint32_t)> &wait);
    // One command of the wave subset; the answer or "Error: ...".
    std::string Command(const std::string &command, const std::function<void(uint32_t)> &wait);
    void CloseAll();

private:
    bool Up();
    WaveSound *Find(const std::string &alias);
    std::string Open(const std::string &file, const std::string &alias);
    std::string Play(WaveSound &w, bool waitToEnd, const std::function<void(uint32_t)> &wait);
    std::string Mode(WaveSound &w);

    std::function<std::string(const std::string &)> ResolveFile;
    std::vector<std::unique_ptr<WaveSound>> waves_;
    bool audioUp_ = false;
};

} // namespace zscript

#endif
