// Animated lossless WebP through WebPAnimEncoder.
#include "vexutil/graphics/webp_writer.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include "vexutil/graphics/anim_timing.h"

namespace vex {
namespace {

class Writer final : public WebpAnimWriter {
public:
    Writer(WebPAnimEncoder *enc, const WebPConfig &config, uint32_t w, uint32_t h, int64_t period)
        : enc_(enc), config_(config), w_(w), h_(h), period_(period)
    {}
    ~Writer() override { WebPAnimEncoderDelete(enc_); }

    bool PutFrame(const uint8_t *bgrx, size_t stride, std::string &error) override
    {
        WebPPicture pic;
        if (!WebPPictureInit(&pic)) {
            error = "libwebp does not match its headers";
            return false;
        }
        pic.use_argb = 1;
        pic.width = static_cast<int>(w_);
        pic.height = static_cast<int>(h_);
        bool ok = WebPPictureImportBGRX(&pic, bgrx, static_cast<int>(stride)) != 0;
        const int64_t ms = RoundedFrameStart(frames_, period_, kUnitsPerMillisecond);
        ok = ok && WebPAnimEncoderAdd(enc_, &pic, static_cast<int>(ms), &config_) != 0;
        WebPPictureFree(&pic);
        if (!ok) {
            const char *why = WebPAnimEncoderGetError(enc_);
            error = why && *why ? why : "libwebp could not encode a frame";
            return false;
        }
        ++frames_;
        return true;
    }

    bool Finish(std::vector<uint8_t> *file, std::string &error) override
    {
        const int64_t end = RoundedFrameStart(frames_, period_, kUnitsPerMillisecond);
        WebPData data;
        WebPDataInit(&data);
        bool ok = WebPAnimEncoderAdd(enc_, nullptr, static_cast<int>(end), nullptr) != 0 &&
                  WebPAnimEncoderAssemble(enc_, &data) != 0;
        if (!ok) {
            const char *why = WebPAnimEncoderGetError(enc_);
            error = why && *why ? why : "libwebp could not finish the file";
        } else {
            file->assign(data.bytes, data.bytes + data.size);
        }
        WebPDataClear(&data);
        return ok;
    }

private:
    WebPAnimEncoder *enc_;
    WebPConfig config_;
    uint32_t w_, h_;
    int64_t period_;
    int64_t frames_ = 0;
};

} // namespace

std::unique_ptr<WebpAnimWriter> WebpAnimWriter::Create(uint32_t width, uint32_t height, int64_t period,
                                                       std::string &error)
{
    if (width == 0 || height == 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION || period <= 0) {
        error = "the picture or frame time cannot be stored in a WebP file";
        return nullptr;
    }
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) {
        error = "libwebp does not match its headers";
        return nullptr;
    }
    options.anim_params.loop_count = 0; // for ever
    options.allow_mixed = 0;
    config.lossless = 1;
    config.exact = 1;
    config.quality = 75;
    config.method = 4;
    if (!WebPValidateConfig(&config)) {
        error = "libwebp refused the lossless settings";
        return nullptr;
    }
    WebPAnimEncoder *enc = WebPAnimEncoderNew(static_cast<int>(width), static_cast<int>(height), &options);
    if (!enc) {
        error = "libwebp could not start (no memory?)";
        return nullptr;
    }
    return std::make_unique<Writer>(enc, config, width, height, period);
}

} // namespace vex
