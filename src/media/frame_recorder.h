#pragma once
// Recording of the in-memory view: the stepping thread hands over a copy of
// each frame; a second thread scales it up and writes it to an H.264 video
// and/or numbered PNG files, so that encoding overlaps the next steps.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/surface.h"

namespace corvane::media {

class VideoEncoder;

// Limits of a recorded picture, after zooming.
constexpr int kMaxRecordSide = 8192;
constexpr std::int64_t kMaxRecordPixels = 4096 * 4096;
constexpr int kMaxZoom = 16;
constexpr int kMaxFps = 240;

struct RecordTargets {
    std::string video;                 // MP4 file to write, or empty for none
    std::string framesFolder;          // folder of frame-NNNNNN.png files, or empty for none
    int fps = 30;                      // video frames per second
    int zoom = 1;                      // each view pixel becomes a zoom x zoom block
    int crf = 18;                      // the video's libx264 quality, 0 (lossless) to 51
    std::string preset = "ultrafast";  // the video's libx264 preset
};

// Name of frame `number` (from 1) in the frames folder.
std::string frameFileName(std::uint32_t number);

// Copies `width` x `height` pixels from `source` (rows `width` apart) into
// `target` (rows `targetStride` apart), each pixel as a zoom x zoom block.
void zoomPixels(const Colour* source, int width, int height, int zoom, Colour* target,
                int targetStride);

class FrameRecorder {
  public:
    // Opens the targets (the video under a temporary name, the frames folder,
    // created when missing). Throws IoError when one cannot be written.
    FrameRecorder(const RecordTargets& targets, int width, int height);
    // Stops the writing thread; an unfinished video never takes its name.
    // Unless finish() succeeded, a frames folder that this recorder created
    // goes again with the frames it wrote; one that existed keeps them.
    ~FrameRecorder();
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    // Queues a copy of the surface as the next frame, waiting while the
    // writer is behind. Throws IoError once a write has failed.
    void add(const MemorySurface& surface);
    // Writes every queued frame and completes the video. Throws IoError.
    void finish();

    std::uint32_t framesWritten() const;
    // Empty, or a remark on the encoder in use for the user.
    std::string encoderNote() const;

  private:
    void writeFrames();
    void writeFrame(const std::vector<Colour>& pixels, std::uint32_t number);
    void stopWriter();
    void throwIfFailed();
    void removeCreatedFolder();

    RecordTargets targets_;
    int width_;
    int height_;
    int stride_;        // row length of the zoomed picture, even for the video
    int paddedHeight_;  // rows of the zoomed picture, even for the video
    std::vector<Colour> zoomed_;
    bool createdFolder_ = false;  // the frames folder is this recorder's own
    bool finished_ = false;
    std::unique_ptr<VideoEncoder> video_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Colour>> queued_;  // frames waiting for the writer
    std::vector<std::vector<Colour>> spare_;  // buffers to reuse
    std::uint32_t written_ = 0;
    bool closing_ = false;
    std::string failure_;  // the first write failure, as a message
    std::thread writer_;
};

}  // namespace corvane::media
