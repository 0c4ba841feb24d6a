#include "frame_recorder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io_error.h"
#include "replacing_file.h"
#include "surface_image.h"
#include "video_encoder.h"

namespace corvane::media {
namespace {

// Frames copied but not yet taken by the writer; more only costs memory.
constexpr std::size_t kQueueDepth = 3;

int evenUp(int n) {
    return n + (n & 1);
}

// Creates the frames folder when missing, saying whether it did; throws
// unless it can take files.
bool prepareFolder(const std::string& folder) {
    const bool created = mkdir(folder.c_str(), 0777) == 0;
    if (!created && errno != EEXIST) {
        throw IoError("cannot write " + folder + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw IoError("cannot write " + folder + ": " + std::strerror(ENOTDIR));
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        const int error = errno;
        if (created) rmdir(folder.c_str());
        throw IoError("cannot write " + folder + ": " + std::strerror(error));
    }
    return created;
}

}  // namespace

std::string frameFileName(std::uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06u.png", number);
    return name;
}

void zoomPixels(const Colour* source, int width, int height, int zoom, Colour* target,
                int targetStride) {
    for (int y = 0; y < height; ++y) {
        const Colour* from = source + static_cast<std::size_t>(y) * width;
        Colour* first = target + static_cast<std::size_t>(y) * zoom * targetStride;
        if (zoom == 1) {
            std::copy(from, from + width, first);
            continue;
        }
        for (int x = 0; x < width; ++x) std::fill_n(first + x * zoom, zoom, from[x]);
        for (int row = 1; row < zoom; ++row) {
            std::copy(first, first + width * zoom, first + row * targetStride);
        }
    }
}

FrameRecorder::FrameRecorder(const RecordTargets& targets, int width, int height)
    : targets_(targets), width_(width), height_(height) {
    bool video = !targets.video.empty();
    stride_ = video ? evenUp(width * targets.zoom) : width * targets.zoom;
    paddedHeight_ = video ? evenUp(height * targets.zoom) : height * targets.zoom;
    if (targets.zoom != 1 || stride_ != width || paddedHeight_ != height) {
        zoomed_.assign(static_cast<std::size_t>(stride_) * paddedHeight_, 0);
    }
    if (!targets.framesFolder.empty()) createdFolder_ = prepareFolder(targets.framesFolder);
    try {
        if (video) {
            VideoSettings settings;
            settings.width = stride_;
            settings.height = paddedHeight_;
            settings.fps = targets.fps;
            settings.crf = targets.crf;
            settings.preset = targets.preset;
            video_ = std::make_unique<VideoEncoder>(targets.video, settings);
        }
        writer_ = std::thread(&FrameRecorder::writeFrames, this);
    } catch (...) {
        removeCreatedFolder();
        throw;
    }
}

FrameRecorder::~FrameRecorder() {
    stopWriter();
    if (!finished_) removeCreatedFolder();
}

void FrameRecorder::removeCreatedFolder() {
    if (!createdFolder_) return;
    for (std::uint32_t number = 1; number <= written_; ++number)
        unlink((targets_.framesFolder + "/" + frameFileName(number)).c_str());
    rmdir(targets_.framesFolder.c_str());
    createdFolder_ = false;
}

void FrameRecorder::stopWriter() {
    {
        std::lock_guard lock(mutex_);
        queued_.clear();
        closing_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) writer_.join();
}

void FrameRecorder::throwIfFailed() {
    if (!failure_.empty()) throw IoError(failure_);
}

void FrameRecorder::add(const MemorySurface& surface) {
    std::vector<Colour> copy;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queued_.size() < kQueueDepth || !failure_.empty(); });
        throwIfFailed();
        if (!spare_.empty()) {
            copy = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    copy.assign(surface.pixels().begin(), surface.pixels().end());
    {
        std::lock_guard lock(mutex_);
        queued_.push_back(std::move(copy));
    }
    changed_.notify_all();
}

void FrameRecorder::finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    writer_.join();
    throwIfFailed();
    if (video_) video_->finish();
    finished_ = true;
}

std::uint32_t FrameRecorder::framesWritten() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::string FrameRecorder::encoderNote() const {
    return video_ ? video_->fallbackNote() : std::string();
}

void FrameRecorder::writeFrames() {
    for (;;) {
        std::vector<Colour> frame;
        std::uint32_t number = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queued_.empty() || closing_; });
            if (queued_.empty()) return;
            frame = std::move(queued_.front());
            queued_.pop_front();
            number = written_ + 1;
        }
        changed_.notify_all();
        try {
            writeFrame(frame, number);
        } catch (const std::exception& e) {
            std::lock_guard lock(mutex_);
            failure_ = e.what();
            changed_.notify_all();
            return;
        }
        {
            std::lock_guard lock(mutex_);
            written_ = number;
            spare_.push_back(std::move(frame));
        }
        changed_.notify_all();
    }
}

void FrameRecorder::writeFrame(const std::vector<Colour>& pixels, std::uint32_t number) {
    // A picture that needs neither zoom nor padding goes out as it came.
    const Colour* picture = pixels.data();
    if (targets_.zoom != 1 || stride_ != width_ || paddedHeight_ != height_) {
        zoomPixels(pixels.data(), width_, height_, targets_.zoom, zoomed_.data(), stride_);
        picture = zoomed_.data();
    }
    if (video_) video_->addFrame(picture, stride_);
    if (!targets_.framesFolder.empty()) {
        QImage image(reinterpret_cast<const uchar*>(picture), width_ * targets_.zoom,
                     height_ * targets_.zoom, stride_ * static_cast<int>(sizeof(Colour)),
                     QImage::Format_RGBX8888);
        writePng(image, targets_.framesFolder + "/" + frameFileName(number));
    }
}

}  // namespace corvane::media
