// The sound of a conversion into a y4m stream, written beside it as a PCM
// wave file: to a file (complete or not at all), or to a named pipe that a
// video encoder reads alongside the frames. The header states the whole
// length at once (so a pipe needs no rewriting), and the samples go out
// frame by frame, each frame's sound before its picture; while a pipe has no
// reader yet they are held back. Internal to the compressor library.
#ifndef ZORB_ENCODER_SOUND_BESIDE_H
#define ZORB_ENCODER_SOUND_BESIDE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vexutil/vexutil.h"

namespace zenc {

class SoundBeside {
public:
    SoundBeside() = default;
    SoundBeside(const SoundBeside &) = delete;
    SoundBeside &operator=(const SoundBeside &) = delete;
    ~SoundBeside();

    // The input's sound from frame first to last (0: from the start, to the
    // end) to target. False with the reason when there is no sound or the
    // target cannot be written; *declined when the user kept an old file.
    bool Open(const char *input, int32_t first, int32_t last, const std::string &target, bool overwrite,
              std::string &error, bool *declined);
    // Writes the sound up to the end of frame `frames` (period in
    // 10-microsecond units).
    bool Until(uint64_t frames, int64_t period, std::string &error);
    // Writes the rest (silence where the source ends early) and completes the
    // file. The file stays the conversion's until Keep: a signal, Abandon or
    // the destructor before then removes it, so it never stands without its
    // stream.
    bool Finish(std::string &error);
    // The stream beside it is complete too: the file is left in place.
    void Keep();
    // Drops an unfinished file, or a finished one not kept.
    void Abandon();
    bool IsOpen() const { return sound_ != nullptr; }

private:
    bool Send(const uint8_t *data, size_t size, bool wait, std::string &error);
    void Close();
    bool Take(uint64_t upTo, std::string &error);

    SFILE *sound_ = nullptr;
    std::string target_;
    zorb::platform::SafeFile file_;
    int fd_ = -1;
    bool pipe_ = false;
    bool finished_ = false; // the file is complete under its name, registered for removal until Keep
    uint64_t declared_ = 0, taken_ = 0;
    uint32_t frameBytes_ = 0, rate_ = 0;
    std::vector<uint8_t> pending_; // samples waiting for the pipe's reader
};

// The wave file beside a y4m output: name with ".wav" for its extension;
// empty for the standard output.
std::string SoundBesideName(const std::string &output);

} // namespace zenc

#endif
