#pragma once
// H.264 video in an MP4 file through FFmpeg's libraries: frames of
// 0x00BBGGRR pixels in, yuv420p frames of exactly 1/fps second each out.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::media {

// libx264's quality scale (0 lossless ... 51 worst) and its speed presets,
// fastest first.
constexpr int kMaxCrf = 51;
constexpr std::array<std::string_view, 10> kX264Presets = {
    "ultrafast", "superfast", "veryfast", "faster",   "fast",
    "medium",    "slow",      "slower",   "veryslow", "placebo"};

struct VideoSettings {
    int width = 0;   // pixels, even
    int height = 0;  // pixels, even
    int fps = 30;    // frames per second
    // The encoder asked for first; when this FFmpeg lacks it, FFmpeg's own
    // MPEG-4 Part 2 encoder is used and fallbackNote() says so.
    std::string codec = "libx264";
    // libx264's constant rate factor and preset. The default is fast enough
    // to keep up with the simulation on one core, at a quality at which a
    // lone star pixel keeps its colour. The fallback ignores both.
    int crf = 18;
    std::string preset = "ultrafast";
};

class VideoEncoder {
  public:
    // Creates the file beside `path` under a temporary name and writes the
    // header. The finished file has its index ('moov') before the frames,
    // so that it plays while it is still arriving. Throws IoError when the file cannot be made or
    // no encoder opens.
    VideoEncoder(const std::string& path, const VideoSettings& settings);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Encodes one frame of width x height pixels, rows `stride` pixels apart.
    // Throws IoError when the file cannot take it.
    void addFrame(const std::uint32_t* pixels, int stride);

    // Drains the encoder, writes the trailer and gives the file its name.
    // Throws IoError; the target then stays as it was.
    void finish();

    // The encoder in use, e.g. "libx264".
    std::string codecName() const;
    // Empty, or why the encoder in use is not the one asked for.
    const std::string& fallbackNote() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::media
