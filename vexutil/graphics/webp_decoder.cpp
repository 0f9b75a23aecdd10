// Animated (and still) WebP input through libwebp's animation decoder. The
// frames come composed and premultiplied, so transparency shows as black.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cerrno>

#include <cstdio>
#include <cstring>
#include <vector>

#include "vexutil/graphics/anim_decoder.h"
#include "vexutil/graphics/anim_timing.h"

namespace vex {
namespace {

constexpr long kMaxFileBytes = 1L << 30;
constexpr int kDefaultDuration = 100; // ms, for frames that give none

class WebpDecoder final : public AnimDecoder {
public:
    ~WebpDecoder() override { WebPAnimDecoderDelete(dec_); }

    bool Open(const std::string &path, std::string &error)
    {
        FILE *f = std::fopen(path.c_str(), "rb");
        if (!f) {
            error = std::strerror(errno);
            return false;
        }
        long size = -1;
        if (std::fseek(f, 0, SEEK_END) == 0)
            size = std::ftell(f);
        bool ok = size > 12 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
        if (ok) {
            file_.resize(static_cast<size_t>(size));
            ok = std::fread(file_.data(), 1, file_.size(), f) == file_.size();
        }
        std::fclose(f);
        if (!ok) {
            error = "the file could not be read";
            return false;
        }
        // The canvas size first, from the header alone: the animation decoder
        // allocates the whole canvas as it opens, and a damaged header may
        // ask for gigabytes.
        WebPBitstreamFeatures features;
        if (WebPGetFeatures(file_.data(), file_.size(), &features) != VP8_STATUS_OK) {
            error = "not a WebP file";
            return false;
        }
        // (The canvas is the picture's size when the file has no extended
        // header.)
        if (features.width <= 0 || features.height <= 0 ||
            !WithinPictureLimits(static_cast<uint32_t>(features.width), static_cast<uint32_t>(features.height),
                                 kMaxAnimationPixels)) {
            error = "the picture is too large or empty";
            return false;
        }
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options)) {
            error = "libwebp does not match its headers";
            return false;
        }
        options.color_mode = MODE_bgrA;
        options.use_threads = 0;
        WebPData data{file_.data(), file_.size()};
        dec_ = WebPAnimDecoderNew(&data, &options);
        WebPAnimInfo info;
        if (!dec_ || !WebPAnimDecoderGetInfo(dec_, &info)) {
            error = "not a WebP file";
            return false;
        }
        // The canvas checked above is the one decoded.
        if (info.canvas_width != static_cast<uint32_t>(features.width) ||
            info.canvas_height != static_cast<uint32_t>(features.height)) {
            error = "the file's picture sizes disagree";
            return false;
        }
        width_ = info.canvas_width;
        height_ = info.canvas_height;
        return true;
    }

    bool Next(uint8_t *bgrx, int64_t *duration) override
    {
        if (damaged_ || !WebPAnimDecoderHasMoreFrames(dec_))
            return false;
        uint8_t *buf = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(dec_, &buf, &timestamp) || !buf) {
            damaged_ = true;
            return false;
        }
        const size_t n = static_cast<size_t>(width_) * height_;
        std::memcpy(bgrx, buf, n * 4);
        for (size_t i = 0; i < n; ++i)
            bgrx[4 * i + 3] = 0;
        int ms = timestamp - lastTimestamp_;
        lastTimestamp_ = timestamp;
        if (ms <= 0)
            ms = kDefaultDuration;
        *duration = int64_t(ms) * kUnitsPerMillisecond;
        return true;
    }

    bool Rewind() override
    {
        WebPAnimDecoderReset(dec_);
        lastTimestamp_ = 0;
        damaged_ = false;
        return true;
    }

private:
    std::vector<uint8_t> file_; // the decoder reads from it
    WebPAnimDecoder *dec_ = nullptr;
    int lastTimestamp_ = 0;
};

} // namespace

std::unique_ptr<AnimDecoder> OpenWebpAnimation(const std::string &path, std::string &error)
{
    auto d = std::make_unique<WebpDecoder>();
    if (!d->Open(path, error))
        return nullptr;
    return d;
}

} // namespace vex
