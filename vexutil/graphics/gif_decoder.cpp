// Animated GIF input through giflib: frames composed on a canvas with their
// disposal methods (none and "leave" keep the picture, "background" clears
// the frame's rectangle to black, "previous" restores what was there).
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "vexutil/graphics/anim_decoder.h"
#include "vexutil/graphics/anim_timing.h"

namespace vex {
namespace {

// A frame without a delay shows for 10 centiseconds, as browsers do.
constexpr int kDefaultDelay = 10;

class GifDecoder final : public AnimDecoder {
public:
    explicit GifDecoder(std::string path) : path_(std::move(path)) {}
    ~GifDecoder() override { Close(); }

    bool Open(std::string &error)
    {
        int err = 0;
        gif_ = DGifOpenFileName(path_.c_str(), &err);
        if (!gif_) {
            error = GifErrorString(err) ? GifErrorString(err) : "not a GIF file";
            return false;
        }
        if (gif_->SWidth <= 0 || gif_->SHeight <= 0 ||
            !WithinPictureLimits(static_cast<uint32_t>(gif_->SWidth), static_cast<uint32_t>(gif_->SHeight),
                                 kMaxAnimationPixels)) {
            error = "the picture is too large or empty";
            return false;
        }
        width_ = static_cast<uint32_t>(gif_->SWidth);
        height_ = static_cast<uint32_t>(gif_->SHeight);
        canvas_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
        return true;
    }

    bool Rewind() override
    {
        Close();
        std::string error;
        damaged_ = false;
        return Open(error);
    }

    bool Next(uint8_t *bgrx, int64_t *duration) override
    {
        if (!gif_ || damaged_)
            return false;
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        for (;;) {
            GifRecordType type;
            if (DGifGetRecordType(gif_, &type) != GIF_OK)
                return Damage();
            if (type == TERMINATE_RECORD_TYPE)
                return false;
            if (type == EXTENSION_RECORD_TYPE) {
                int code = 0;
                GifByteType *ext = nullptr;
                if (DGifGetExtension(gif_, &code, &ext) != GIF_OK)
                    return Damage();
                if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4)
                    DGifExtensionToGCB(ext[0], ext + 1, &gcb);
                while (ext)
                    if (DGifGetExtensionNext(gif_, &ext) != GIF_OK)
                        return Damage();
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE)
                continue;
            if (DGifGetImageDesc(gif_) != GIF_OK)
                return Damage();
            if (!Draw(gcb))
                return Damage();
            std::memcpy(bgrx, canvas_.data(), canvas_.size());
            *duration = int64_t(gcb.DelayTime > 0 ? gcb.DelayTime : kDefaultDelay) * kUnitsPerCentisecond;
            // What the frame leaves behind for the next one.
            if (gcb.DisposalMode == DISPOSE_BACKGROUND)
                FillRect(0);
            else if (gcb.DisposalMode == DISPOSE_PREVIOUS)
                canvas_ = saved_;
            return true;
        }
    }

private:
    bool Damage()
    {
        damaged_ = true;
        return false;
    }

    void Close()
    {
        if (gif_) {
            int err = 0;
            DGifCloseFile(gif_, &err);
            gif_ = nullptr;
        }
    }

    void FillRect(uint8_t value)
    {
        for (int y = y0_; y < y1_; ++y)
            std::memset(&canvas_[(static_cast<size_t>(y) * width_ + static_cast<size_t>(x0_)) * 4], value,
                        static_cast<size_t>(x1_ - x0_) * 4);
    }

    // Decodes the image just described and paints it onto the canvas.
    bool Draw(const GraphicsControlBlock &gcb)
    {
        const GifImageDesc &d = gif_->Image;
        if (d.Width <= 0 || d.Height <= 0 || d.Width > 65535 || d.Height > 65535)
            return false;
        const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif_->SColorMap;
        const size_t n = static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height);
        if (n > kMaxAnimationPixels)
            return false;
        pixels_.resize(n);
        if (d.Interlace) {
            static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < d.Height; y += step[pass])
                    if (DGifGetLine(gif_, &pixels_[static_cast<size_t>(y) * d.Width], d.Width) != GIF_OK)
                        return false;
        } else if (DGifGetLine(gif_, pixels_.data(), static_cast<int>(n)) != GIF_OK) {
            return false;
        }
        // The part inside the screen.
        x0_ = std::min<int>(d.Left, static_cast<int>(width_));
        y0_ = std::min<int>(d.Top, static_cast<int>(height_));
        x1_ = static_cast<int>(std::min<int64_t>(int64_t(d.Left) + d.Width, width_));
        y1_ = static_cast<int>(std::min<int64_t>(int64_t(d.Top) + d.Height, height_));
        if (gcb.DisposalMode == DISPOSE_PREVIOUS)
            saved_ = canvas_;
        if (x0_ >= x1_ || y0_ >= y1_) { // wholly off the screen: nothing to paint or clear
            x0_ = x1_ = y0_ = y1_ = 0;
            return true;
        }
        const int colours = map ? map->ColorCount : 0;
        for (int y = y0_; y < y1_; ++y) {
            const uint8_t *s = &pixels_[static_cast<size_t>(y - d.Top) * d.Width + static_cast<size_t>(x0_ - d.Left)];
            uint8_t *o = &canvas_[(static_cast<size_t>(y) * width_ + static_cast<size_t>(x0_)) * 4];
            for (int x = x0_; x < x1_; ++x, ++s, o += 4) {
                if (*s == gcb.TransparentColor)
                    continue;
                if (*s < colours) {
                    const GifColorType &c = map->Colors[*s];
                    o[0] = c.Blue, o[1] = c.Green, o[2] = c.Red, o[3] = 0;
                } else {
                    o[0] = o[1] = o[2] = o[3] = 0; // no colour for the index: black
                }
            }
        }
        return true;
    }

    std::string path_;
    GifFileType *gif_ = nullptr;
    std::vector<uint8_t> canvas_, saved_;
    std::vector<GifPixelType> pixels_;
    int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0; // the last frame's rectangle on the screen
};

} // namespace

std::unique_ptr<AnimDecoder> OpenGifAnimation(const std::string &path, std::string &error)
{
    auto d = std::make_unique<GifDecoder>(path);
    if (!d->Open(error))
        return nullptr;
    return d;
}

} // namespace vex
