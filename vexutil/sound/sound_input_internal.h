// Private state of a sound input handle, shared by the sound input and the
// chunk encoder. Internal to vexutil.
#ifndef ZORB_VEXUTIL_SOUND_SOUND_INPUT_INTERNAL_H
#define ZORB_VEXUTIL_SOUND_SOUND_INPUT_INTERNAL_H

#include "vexutil/sound/sound_source.h"
#include "vexutil/vexutil.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vex::sound {

// Pulls the next source frame as 16-bit signed left and right values.
using PullFn = std::function<bool(int32_t &l, int32_t &r)>;

// Rate, sample size and channel conversion from source frames to output
// frames. Equal rates take one source frame per output frame; a lower output
// rate averages the source frames that fall on one output frame; a higher one
// interpolates linearly with 10 fractional bits.
class Converter {
public:
    void Start(const Format &src, const Format &out);
    void Restart();
    // Writes up to frames output frames; returns the count written (fewer
    // when the source ends).
    size_t Run(uint8_t *dst, size_t frames, const PullFn &pull);

private:
    uint8_t *Put(uint8_t *dst, int32_t l, int32_t r) const;
    Format src_, out_;
    uint64_t srcIndex_ = 0, outIndex_ = 0;
    // Upsampling window: frame a at aIndex_ and, when haveB_, frame b after it.
    bool haveA_ = false, haveB_ = false;
    uint64_t aIndex_ = 0;
    int32_t aL_ = 0, aR_ = 0, bL_ = 0, bR_ = 0;
};

struct ListLine {
    std::string name;
    int32_t start = 0, end = 0;
};

// A numbered name: prefix, a number of `digits` digits, suffix.
struct Numbered {
    std::string prefix, suffix;
    int digits = 1;
    int64_t next = 0, last = 0;
    bool ranged = false;    // the name carried "*a-b"
    bool openEnded = false; // runs while files exist
};
bool ParseNumbered(const std::string &text, int32_t lineStart, int32_t lineEnd, Numbered *out);
std::string Name(const Numbered &n, int64_t number);

uint64_t Trim(const Format &src, int64_t startMs, int64_t endMs, bool haveEnd, uint64_t *total);

SFILE *NewSFile();
void FreeSFile(SFILE *sf);

} // namespace vex::sound

// The private part of an SFILE.
struct SFilePrivate {
    SFILEPROGRESS progress = nullptr;
    bool progressStarted = false;
    bool quiet = false; // list entries: no progress messages of their own
    bool cancelled = false;
    uint64_t skip = 0; // source bytes before the stretch (lists: output bytes)

    // Wave, Zorblax and AVI sources.
    std::unique_ptr<vex::sound::Source> source;
    std::vector<uint8_t> buf;
    size_t bufPos = 0, bufLen = 0;
    uint64_t unread = 0; // bytes of the stretch not yet read from the source
    vex::sound::Converter converter;

    // Lists and numbered sequences.
    int depth = 0;
    int32_t track = 0;
    vex::sound::Format out;
    std::vector<vex::sound::ListLine> lines;
    size_t nextLine = 0;
    bool inSequence = false;
    vex::sound::Numbered sequence;
    int32_t sequenceStart = 0, sequenceEnd = 0;
    SFILE *entry = nullptr;
    uint64_t listSkip = 0;
};

#endif
