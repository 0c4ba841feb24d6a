#include "video_encoder.h"

#include <array>
#include <cstring>
#include <stdexcept>

#include "core/colour.h"
#include "io_error.h"
#include "replacing_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace corvane::media {
namespace {

// MPEG-4 Part 2 quantiser of the fallback: 2 is close to lossless.
constexpr int kFallbackQuantiser = 2;
constexpr const char* kFallbackCodec = "mpeg4";
// A key frame every this many seconds, so that players can seek.
constexpr int kKeyFrameSeconds = 2;
constexpr int kIoBufferBytes = 1 << 16;

std::string ffmpegError(int code) {
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(code, text.data(), text.size());
    return text.data();
}

// BT.601 limited-range coefficients (x 256), as tagged on the stream.
constexpr int kLumaR = 66, kLumaG = 129, kLumaB = 25;
constexpr int kBlueR = -38, kBlueG = -74, kBlueB = 112;
constexpr int kRedR = 112, kRedG = -94, kRedB = -18;
constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kNeutralChroma = 128;

std::uint8_t luma(std::uint32_t pixel) {
    const Channels c = channelsOf(pixel);
    return static_cast<std::uint8_t>(
        ((kLumaR * c.red + kLumaG * c.green + kLumaB * c.blue + 128) >> 8) + kBlackLuma);
}

// Chroma of a 2x2 block from the sums of its four pixels' channels.
std::uint8_t chroma(const Channels& sum, int kr, int kg, int kb) {
    return static_cast<std::uint8_t>(((kr * sum.red + kg * sum.green + kb * sum.blue + 512) >> 10) +
                                     kNeutralChroma);
}

// Block width of the all-black test: 16 pixels in each of two rows.
constexpr int kBlackRun = 16;

bool allBlack(const std::uint32_t* top, const std::uint32_t* bottom) {
    std::uint32_t lit = 0;
    for (int i = 0; i < kBlackRun; ++i) lit |= top[i] | bottom[i];
    return lit == 0;
}

// One 2x2 block at column x of two rows.
void convertBlock(const std::uint32_t* top, const std::uint32_t* bottom, int x,
                  std::uint8_t* lumaTop, std::uint8_t* lumaBottom, std::uint8_t* blue,
                  std::uint8_t* red) {
    std::uint32_t a = top[x], b = top[x + 1], c = bottom[x], d = bottom[x + 1];
    lumaTop[x] = luma(a);
    lumaTop[x + 1] = luma(b);
    lumaBottom[x] = luma(c);
    lumaBottom[x + 1] = luma(d);
    const Channels ca = channelsOf(a), cb = channelsOf(b), cc = channelsOf(c), cd = channelsOf(d);
    const Channels sum{ca.red + cb.red + cc.red + cd.red, ca.green + cb.green + cc.green + cd.green,
                       ca.blue + cb.blue + cc.blue + cd.blue};
    blue[x / 2] = chroma(sum, kBlueR, kBlueG, kBlueB);
    red[x / 2] = chroma(sum, kRedR, kRedG, kRedB);
}

// 0x00BBGGRR pixels to the frame's yuv420p planes. The pictures are mostly
// black, so black runs take a short way: FFmpeg's general converter needs
// several milliseconds for an 800x600 frame, more than the whole budget of a
// frame at 300 frames per second.
void convertToYuv420(const std::uint32_t* pixels, int stride, AVFrame& frame) {
    for (int y = 0; y < frame.height; y += 2) {
        const std::uint32_t* top = pixels + static_cast<std::size_t>(y) * stride;
        const std::uint32_t* bottom = top + stride;
        std::uint8_t* lumaTop = frame.data[0] + static_cast<std::size_t>(y) * frame.linesize[0];
        std::uint8_t* lumaBottom = lumaTop + frame.linesize[0];
        std::uint8_t* blue = frame.data[1] + static_cast<std::size_t>(y / 2) * frame.linesize[1];
        std::uint8_t* red = frame.data[2] + static_cast<std::size_t>(y / 2) * frame.linesize[2];
        int x = 0;
        for (; x + kBlackRun <= frame.width; x += kBlackRun) {
            if (allBlack(top + x, bottom + x)) {
                std::memset(lumaTop + x, kBlackLuma, kBlackRun);
                std::memset(lumaBottom + x, kBlackLuma, kBlackRun);
                std::memset(blue + x / 2, kNeutralChroma, kBlackRun / 2);
                std::memset(red + x / 2, kNeutralChroma, kBlackRun / 2);
                continue;
            }
            for (int i = x; i < x + kBlackRun; i += 2) {
                convertBlock(top, bottom, i, lumaTop, lumaBottom, blue, red);
            }
        }
        for (; x < frame.width; x += 2)
            convertBlock(top, bottom, x, lumaTop, lumaBottom, blue, red);
    }
}

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using WrittenBytes = const std::uint8_t*;
#else
using WrittenBytes = std::uint8_t*;
#endif

int writeToFile(void* opaque, WrittenBytes data, int size) {
    auto* file = static_cast<ReplacingFile*>(opaque);
    return file->write(data, static_cast<std::size_t>(size)) ? size : AVERROR(EIO);
}

std::int64_t seekInFile(void* opaque, std::int64_t offset, int whence) {
    auto* file = static_cast<ReplacingFile*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return file->size();
    std::int64_t at = file->seek(offset, whence);
    return at < 0 ? AVERROR(EIO) : at;
}

// A reading position in the file being written, for the muxer's second pass.
struct Reader {
    const ReplacingFile* file;
    std::int64_t position = 0;
};

int readFromFile(void* opaque, std::uint8_t* data, int size) {
    auto* reader = static_cast<Reader*>(opaque);
    const std::int64_t got =
        reader->file->readAt(data, static_cast<std::size_t>(size), reader->position);
    if (got < 0) return AVERROR(EIO);
    if (got == 0) return AVERROR_EOF;
    reader->position += got;
    return static_cast<int>(got);
}

std::int64_t seekReading(void* opaque, std::int64_t offset, int whence) {
    auto* reader = static_cast<Reader*>(opaque);
    whence &= ~AVSEEK_FORCE;
    const std::int64_t size = reader->file->size();
    if (whence == AVSEEK_SIZE) return size;
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? reader->position
                              : whence == SEEK_END ? size
                                                   : -1;
    if (base < 0 || base + offset < 0) return AVERROR(EINVAL);
    return reader->position = base + offset;
}

// The muxer opens nothing but the file it writes, and that only for reading.
int openForReading(AVFormatContext* format, AVIOContext** pb, const char*, int flags,
                   AVDictionary**) {
    if ((flags & AVIO_FLAG_WRITE) || !format->opaque) return AVERROR(EPERM);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    auto* reader = new (std::nothrow) Reader{static_cast<const ReplacingFile*>(format->opaque)};
    *pb = buffer && reader ? avio_alloc_context(buffer, kIoBufferBytes, 0, reader, readFromFile,
                                                nullptr, seekReading)
                           : nullptr;
    if (*pb) return 0;
    av_free(buffer);
    delete reader;
    return AVERROR(ENOMEM);
}

int closeReading(AVFormatContext*, AVIOContext* pb) {
    if (!pb) return 0;
    delete static_cast<Reader*>(pb->opaque);
    av_freep(&pb->buffer);
    avio_context_free(&pb);
    return 0;
}

}  // namespace

struct VideoEncoder::Impl {
    std::string path;
    VideoSettings settings;
    ReplacingFile file;
    std::string fallbackNote;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t nextPts = 0;

    Impl(const std::string& target, const VideoSettings& s)
        : path(target), settings(s), file(target) {}

    ~Impl() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) av_freep(&format->pb->buffer);
            avio_context_free(&format->pb);
            avformat_free_context(format);
        }
    }

    // The file's own reason when it failed, FFmpeg's otherwise.
    [[noreturn]] void fail(const std::string& what, int code) {
        file.throwIfFailed();
        throw IoError("cannot write " + path + ": " + what + ": " + ffmpegError(code));
    }

    const AVCodec* chooseCodec() {
        const AVCodec* chosen = avcodec_find_encoder_by_name(settings.codec.c_str());
        if (chosen) return chosen;
        chosen = avcodec_find_encoder_by_name(kFallbackCodec);
        if (!chosen)
            throw IoError("this FFmpeg has neither " + settings.codec + " nor " + kFallbackCodec);
        fallbackNote = "this FFmpeg has no " + settings.codec +
                       " encoder; writing MPEG-4 Part 2 video, which some players do not play "
                       "(the crf and preset settings do not apply to it)";
        return chosen;
    }

    void openCodec(const AVCodec* chosen) {
        codec = avcodec_alloc_context3(chosen);
        if (!codec) throw std::bad_alloc();
        codec->width = settings.width;
        codec->height = settings.height;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = AVRational{1, settings.fps};
        codec->framerate = AVRational{settings.fps, 1};
        codec->gop_size = settings.fps * kKeyFrameSeconds;
        codec->color_range = AVCOL_RANGE_MPEG;
        codec->colorspace = AVCOL_SPC_SMPTE170M;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        if (format->oformat->flags & AVFMT_GLOBALHEADER)
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        if (std::string(chosen->name) == "libx264") {
            av_dict_set(&options, "preset", settings.preset.c_str(), 0);
            av_dict_set_int(&options, "crf", settings.crf, 0);
        } else {
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = FF_QP2LAMBDA * kFallbackQuantiser;
        }
        int result = avcodec_open2(codec, chosen, &options);
        av_dict_free(&options);
        if (result < 0) fail(std::string("cannot open the encoder ") + chosen->name, result);
    }

    void open() {
        int result = avformat_alloc_output_context2(&format, nullptr, "mp4", nullptr);
        if (result < 0) fail("no MP4 writer", result);
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
        format->pb =
            avio_alloc_context(buffer, kIoBufferBytes, 1, &file, nullptr, writeToFile, seekInFile);
        if (!buffer || !format->pb) throw std::bad_alloc();
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        openCodec(chooseCodec());
        stream = avformat_new_stream(format, nullptr);
        if (!stream) throw std::bad_alloc();
        stream->time_base = codec->time_base;
        stream->avg_frame_rate = codec->framerate;
        result = avcodec_parameters_from_context(stream->codecpar, codec);
        if (result < 0) fail("cannot describe the stream", result);
        // The index moves to the front at the end: the muxer reads the frames
        // back through a second context on the same file.
        format->opaque = &file;
        format->io_open = openForReading;
        format->io_close2 = closeReading;
        AVDictionary* muxerOptions = nullptr;
        av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
        result = avformat_write_header(format, &muxerOptions);
        av_dict_free(&muxerOptions);
        if (result < 0) fail("cannot write the header", result);
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        if (!frame || !packet) throw std::bad_alloc();
        frame->format = codec->pix_fmt;
        frame->width = codec->width;
        frame->height = codec->height;
        result = av_frame_get_buffer(frame, 0);
        if (result < 0) fail("no memory for a frame", result);
    }

    // Moves every packet the encoder has ready into the file.
    void drain() {
        for (;;) {
            int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
            if (result < 0) fail("encoding failed", result);
            // Every frame lasts exactly one frame time, the last one too.
            packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
            if (result < 0 || !file.ok()) fail("cannot store a frame", result);
        }
    }

    void send(const AVFrame* picture) {
        int result = avcodec_send_frame(codec, picture);
        if (result < 0) fail("encoding failed", result);
        drain();
    }
};

VideoEncoder::VideoEncoder(const std::string& path, const VideoSettings& settings)
    : impl_(std::make_unique<Impl>(path, settings)) {
    if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 || settings.height % 2 ||
        settings.fps <= 0 || settings.crf < 0 || settings.crf > kMaxCrf) {
        throw std::invalid_argument(
            "video frames need an even size, a positive rate and a crf from 0 to 51");
    }
    av_log_set_level(AV_LOG_ERROR);
    impl_->open();
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::addFrame(const std::uint32_t* pixels, int stride) {
    Impl& v = *impl_;
    int result = av_frame_make_writable(v.frame);
    if (result < 0) v.fail("no memory for a frame", result);
    convertToYuv420(pixels, stride, *v.frame);
    v.frame->pts = v.nextPts++;
    v.send(v.frame);
}

void VideoEncoder::finish() {
    Impl& v = *impl_;
    v.send(nullptr);
    int result = av_write_trailer(v.format);
    if (result < 0) v.fail("cannot write the trailer", result);
    avio_flush(v.format->pb);
    if (v.format->pb->error < 0) v.fail("cannot write the trailer", v.format->pb->error);
    v.file.commit();
}

std::string VideoEncoder::codecName() const {
    return impl_->codec->codec->name;
}

const std::string& VideoEncoder::fallbackNote() const {
    return impl_->fallbackNote;
}

}  // namespace corvane::media
