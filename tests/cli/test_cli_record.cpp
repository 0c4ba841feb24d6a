// corvane-cli record: the written video read back through FFmpeg's own
// demuxer and decoder, the PNG frames, and the failures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <string>
#include <vector>

#include "cli_options.h"
#include "core/random.h"
#include "core/surface.h"
#include "frame_recorder.h"
#include "scenario/scenario.h"
#include "sim/step.h"
#include "video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace corvane::cli {
namespace {

struct CliResult {
    int exitCode = -1;
    std::string err;
};

// Runs the built corvane-cli without a display; a positive `fileSizeLimit`
// makes every write beyond that many bytes fail as on a full disk.
CliResult runCli(const QStringList& args, rlim_t fileSizeLimit = 0) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    process.setProcessEnvironment(env);
    if (fileSizeLimit > 0) {
        process.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.start(CORVANE_CLI_PATH, args);
    EXPECT_TRUE(process.waitForFinished(120000)) << args.join(' ').toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardError().toStdString()};
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What libavformat and libavcodec find in a video file.
struct VideoFacts {
    std::string codec;
    int width = 0;
    int height = 0;
    int pixelFormat = -1;
    std::int64_t storedFrames = 0;  // the container's frame count
    std::int64_t packets = 0;       // packets read
    std::int64_t durationTicks = 0;
    AVRational timeBase{0, 1};
    std::vector<QImage> frames;  // every decoded frame, as RGB
};

VideoFacts readVideo(const QString& path) {
    VideoFacts facts;
    AVFormatContext* format = nullptr;
    std::string file = path.toStdString();
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) return facts;
    avformat_find_stream_info(format, nullptr);
    const AVStream* stream = format->streams[0];
    const AVCodecParameters* parameters = stream->codecpar;
    facts.codec = avcodec_get_name(parameters->codec_id);
    facts.width = parameters->width;
    facts.height = parameters->height;
    facts.pixelFormat = parameters->format;
    facts.storedFrames = stream->nb_frames;
    facts.durationTicks = stream->duration;
    facts.timeBase = stream->time_base;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, parameters);
    avcodec_open2(codec, decoder, nullptr);
    SwsContext* toRgb =
        sws_getContext(facts.width, facts.height, AV_PIX_FMT_YUV420P, facts.width, facts.height,
                       AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    AVFrame* rgb = av_frame_alloc();  // FFmpeg's converter may write past a row's end
    rgb->format = AV_PIX_FMT_BGR0;
    rgb->width = facts.width;
    rgb->height = facts.height;
    av_frame_get_buffer(rgb, 0);
    auto receive = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, rgb->data,
                      rgb->linesize);
            QImage image(rgb->data[0], rgb->width, rgb->height, rgb->linesize[0],
                         QImage::Format_RGB32);
            facts.frames.push_back(image.copy());
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        ++facts.packets;
        avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        receive();
    }
    avcodec_send_packet(codec, nullptr);
    receive();
    av_frame_free(&rgb);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(toRgb);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return facts;
}

// The view after each of `steps` steps of the scene at `scene`, drawn by the
// core as the window draws it.
std::vector<MemorySurface> surfacesAfterSteps(const QString& scene, ViewSize view,
                                              std::uint32_t seed, int steps) {
    startCommand(view);
    MemorySurface surface(view.width, view.height);
    setViewSurface(&surface);
    gFiles.scenarioPath = scene.toStdString();
    EXPECT_TRUE(loadScenario().ok());
    seedRandom(seed);
    std::vector<MemorySurface> surfaces;
    for (int step = 0; step < steps; ++step) {
        stepSimulation();
        surfaces.push_back(surface);
    }
    setViewSurface(nullptr);
    return surfaces;
}

class RecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCli({"new", "-o", path("g.cvn"), "--seed", "5", "--view", "320x240"}).exitCode,
                  0);
    }
    QString path(const char* name) const { return dir.filePath(name); }
    QStringList entries(const char* folder = ".") const {
        return QDir(dir.filePath(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    std::string listing(const char* folder = ".") const {
        return entries(folder).join(' ').toStdString();
    }

    QTemporaryDir dir;
};

TEST_F(RecordTest, VideoHoldsExactlyTheFramesAsked) {
    struct Case {
        QStringList options;
        int frames, width, height, fps;
    };
    const Case cases[] = {
        {{"--steps", "10", "--view", "320x240"}, 10, 320, 240, 30},
        {{"--steps", "9", "--every", "2", "--fps", "25", "--view", "201x101"}, 4, 202, 102, 25},
        {{"--steps", "7", "--every", "3", "--fps", "7", "--zoom", "3", "--view", "160x90"},
         2,
         480,
         270,
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QFile::remove(path("v.mp4"));
        CliResult result = runCli(
            QStringList{"record", path("g.cvn"), "-o", path("v.mp4"), "--seed", "1"} + c.options);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "") << "no progress or encoder chatter off a terminal";
        VideoFacts facts = readVideo(path("v.mp4"));
        EXPECT_EQ(facts.codec, "h264");
        EXPECT_EQ(facts.pixelFormat, AV_PIX_FMT_YUV420P);
        EXPECT_EQ(facts.width, c.width);
        EXPECT_EQ(facts.height, c.height);
        EXPECT_EQ(facts.storedFrames, c.frames);
        EXPECT_EQ(facts.packets, c.frames);
        EXPECT_EQ(static_cast<int>(facts.frames.size()), c.frames);
        // Duration exactly frames / fps seconds.
        EXPECT_EQ(facts.durationTicks * facts.timeBase.num * c.fps,
                  std::int64_t{c.frames} * facts.timeBase.den);
        EXPECT_EQ(listing(), "g.cvn v.mp4") << "no temporary file is left";
    }
}

TEST_F(RecordTest, FramesShowTheSurfaceAfterTheirStep) {
    const ViewSize view{320, 240};
    constexpr int kEvery = 4;
    constexpr int kFrames = 10;
    std::vector<MemorySurface> surfaces = surfacesAfterSteps(path("g.cvn"), view, 9, 40);
    ASSERT_NE(surfaces[kEvery - 1].pixels(), surfaces[2 * kEvery - 1].pixels()) << "it moves";
    CliResult result =
        runCli({"record", path("g.cvn"), "-o", path("v.mp4"), "--frames", path("frames"), "--steps",
                "40", "--every", "4", "--zoom", "2", "--seed", "9", "--view", "320x240"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(entries("frames").size(), std::size_t{kFrames});
    EXPECT_EQ(entries("frames").back(), "frame-000010.png");
    VideoFacts video = readVideo(path("v.mp4"));
    ASSERT_EQ(video.frames.size(), std::size_t{kFrames});

    for (int frame = 0; frame < kFrames; ++frame) {
        SCOPED_TRACE(frame);
        const MemorySurface& surface = surfaces[(frame + 1) * kEvery - 1];
        QImage png(dir.filePath("frames/" + QString::fromStdString(frameFileName(frame + 1))));
        ASSERT_EQ(png.size(), QSize(640, 480));
        const QImage& decoded = video.frames[frame];
        int pngDifferences = 0;
        int yellowMismatches = 0;
        int yellowStars = 0;
        for (int y = 0; y < view.height; ++y) {
            for (int x = 0; x < view.width; ++x) {
                Colour c = surface.pixel(x, y);
                QRgb expected = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        pngDifferences += png.pixel(2 * x + dx, 2 * y + dy) != expected;
                    }
                }
                // The 2x2 block of a yellow star stays yellow through the
                // encoder; no other block turns yellow.
                int r = 0, g = 0, b = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        QRgb p = decoded.pixel(2 * x + dx, 2 * y + dy);
                        r += qRed(p), g += qGreen(p), b += qBlue(p);
                    }
                }
                bool looksYellow = r > 4 * 160 && g > 4 * 160 && b < 4 * 96;
                bool isYellow = c == kStarColour;
                yellowStars += isYellow;
                yellowMismatches += looksYellow != isYellow;
            }
        }
        EXPECT_EQ(pngDifferences, 0);
        EXPECT_GT(yellowStars, 10);
        EXPECT_EQ(yellowMismatches, 0);
    }
}

TEST_F(RecordTest, WrongUsageExitsTwo) {
    struct Case {
        QStringList args;
        const char* message;
    };
    QString scene = path("g.cvn");
    QString out = path("v.mp4");
    const Case cases[] = {
        {{scene, "-o", out}, "needs --steps"},
        {{scene, "--steps", "3"}, "needs -o OUT.mp4 or --frames DIR"},
        {{"-o", out, "--steps", "3"}, "needs an input"},
        {{scene, "-o", out, "--steps", "2", "--every", "3"}, "no frame"},
        {{scene, "-o", out, "--steps", "3", "--every", "0"}, "--every expects"},
        {{scene, "-o", out, "--steps", "3", "--fps", "0"}, "--fps expects a whole number from 1"},
        {{scene, "-o", out, "--steps", "3", "--fps", "241"}, "--fps"},
        {{scene, "-o", out, "--steps", "3", "--zoom", "17"}, "--zoom"},
        {{scene, "-o", out, "--steps", "3", "--zoom", "x"}, "--zoom"},
        {{scene, "-o", out, "--steps", "3", "--zoom", "2", "--view", "5000x3000"}, "10000x6000"},
        {{scene, "-o", out, "--steps", "3", "--depth", "0"}, "--depth"},
        {{scene, "-o", out, "--steps", "3", "--bogus"}, "unknown option --bogus"},
        {{scene, "-o"}, "-o needs a value"},
    };
    for (const Case& c : cases) {
        CliResult result = runCli(QStringList{"record"} + c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(contains(result.err, c.message)) << result.err;
    }
    EXPECT_EQ(listing(), "g.cvn");

    CliResult help = runCli({"record", "--help"});
    EXPECT_EQ(help.exitCode, 0);
}

TEST_F(RecordTest, FailedWritesExitOneAndLeaveNoPartialFile) {
    QDir(dir.path()).mkdir("folder");
    QFile old(path("old.mp4"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old video");
    old.close();
    struct Case {
        QStringList args;
        rlim_t fileSizeLimit;
        const char* message;
    };
    QString scene = path("g.cvn");
    QStringList common = {"record", scene, "--steps", "60", "--zoom", "2", "--seed", "3"};
    ASSERT_EQ(runCli(common + QStringList{"-o", path("whole.mp4")}).exitCode, 0);
    rlim_t halfVideo = static_cast<rlim_t>(QFile(path("whole.mp4")).size() / 2);
    QFile::remove(path("whole.mp4"));
    const Case cases[] = {
        {{"-o", path("none/v.mp4")}, 0, "No such file or directory"},
        {{"-o", path("folder")}, 0, "Is a directory"},
        {{"-o", "/dev/null"}, 0, "Not a regular file"},
        {{"--frames", path("g.cvn")}, 0, "Not a directory"},
        {{"--frames", path("none/deeper")}, 0, "No such file or directory"},
        // A disk that fills up: the video in the middle, a frame at once.
        {{"-o", path("old.mp4")}, halfVideo, "File too large"},
        {{"--frames", path("folder")}, 300, "File too large"},
    };
    for (const Case& c : cases) {
        CliResult result = runCli(common + c.args, c.fileSizeLimit);
        EXPECT_EQ(result.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(contains(result.err, "cannot write")) << result.err;
        EXPECT_TRUE(contains(result.err, c.message)) << result.err;
    }
    EXPECT_EQ(listing(), "folder g.cvn old.mp4");
    EXPECT_EQ(listing("folder"), "");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "the old video");

    CliResult missing =
        runCli({"record", path("missing.cvn"), "-o", path("v.mp4"), "--steps", "3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(contains(missing.err, "cannot read")) << missing.err;
}

TEST_F(RecordTest, InterruptedRecordingLeavesNoTemporaryFile) {
    QProcess process;
    process.start(CORVANE_CLI_PATH, {"record", path("g.cvn"), "-o", path("v.mp4"), "--steps",
                                     "1000000", "--zoom", "4", "--seed", "1"});
    auto writing = [&] {
        for (const QString& name : entries()) {
            if (name.startsWith(".v.mp4.")) return true;
        }
        return false;
    };
    for (int wait = 0; wait < 300 && !writing(); ++wait) QThread::msleep(50);
    ASSERT_TRUE(writing());
    QThread::msleep(300);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(listing(), "g.cvn");
}

// Without libx264 the encoder falls back to FFmpeg's MPEG-4 Part 2 encoder
// and says so; the file is just as exact.
TEST_F(RecordTest, EncoderFallsBackWhenTheAskedOneIsMissing) {
    VideoSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.fps = 10;
    settings.codec = "no-such-encoder";
    {
        VideoEncoder encoder(path("m.mp4").toStdString(), settings);
        EXPECT_EQ(encoder.codecName(), "mpeg4");
        EXPECT_TRUE(contains(encoder.fallbackNote(), "no-such-encoder")) << encoder.fallbackNote();
        std::vector<std::uint32_t> picture(64 * 48, 0);
        for (int frame = 0; frame < 5; ++frame) {
            picture[frame * 65] = kStarColour;
            encoder.addFrame(picture.data(), 64);
        }
        encoder.finish();
    }
    VideoFacts facts = readVideo(path("m.mp4"));
    EXPECT_EQ(facts.codec, "mpeg4");
    EXPECT_EQ(facts.storedFrames, 5);
    EXPECT_EQ(facts.frames.size(), 5u);
    EXPECT_EQ(facts.durationTicks * facts.timeBase.num * 10, 5 * facts.timeBase.den);
}

TEST(FrameZoom, EveryPixelBecomesABlock) {
    const Colour source[] = {1, 2, 3, 4, 5, 6};  // 3 x 2
    std::vector<Colour> target(8 * 5, 99);       // zoom 2 into rows of 8, one spare row
    zoomPixels(source, 3, 2, 2, target.data(), 8);
    const std::vector<Colour> expected = {
        1,  1,  2,  2,  3,  3,  99, 99,  //
        1,  1,  2,  2,  3,  3,  99, 99,  //
        4,  4,  5,  5,  6,  6,  99, 99,  //
        4,  4,  5,  5,  6,  6,  99, 99,  //
        99, 99, 99, 99, 99, 99, 99, 99,
    };
    EXPECT_EQ(target, expected);
    EXPECT_EQ(frameFileName(1), "frame-000001.png");
    EXPECT_EQ(frameFileName(1234567), "frame-1234567.png");
}

}  // namespace
}  // namespace corvane::cli
