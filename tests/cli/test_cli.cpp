// corvane-cli as a user runs it without a display: options, commands, the
// files it writes (videos read back by FFmpeg's own decoder) and its failures.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <functional>

#include "cli_options.h"
#include "media/frame_pacer.h"
#include "media/frame_recorder.h"
#include "media/video_encoder.h"
#include "scenario/scenario.h"
#include "test_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace corvane::cli {
namespace {

using media::frameFileName;
using media::FramePacer;
using media::VideoEncoder;
using media::zoomPixels;

using Args = std::vector<std::string>;

struct CliResult {
    int exitCode;  // -1 when a signal ended it
    std::string out, err;
};

// When to send SIGTERM, asked every 10 ms with the time since the start.
using TerminateWhen = std::function<bool(int elapsedMs)>;
TerminateWhen afterMs(int ms) {
    return [ms](int elapsedMs) { return elapsedMs == ms; };
}

// corvane-cli run as a shell would, arguments as bytes; writes past `fileSizeLimit`
// fail as on a full disk; SIGTERM once `terminateWhen` says so, SIGKILL after 2 min;
// standard error a pipe, or a terminal.
CliResult runCli(const Args& args, const char* threads = "", rlim_t fileSizeLimit = RLIM_INFINITY,
                 const TerminateWhen& terminateWhen = {}, bool terminal = false) {
    for (const char* name : {"DISPLAY", "OMP_NUM_THREADS"}) unsetenv(name);
    if (*threads) setenv("OMP_NUM_THREADS", threads, 1);
    std::vector<char*> argv{const_cast<char*>(CORVANE_CLI_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe(out) != 0 ||
        (terminal ? openpty(&err[0], &err[1], nullptr, nullptr, nullptr) : pipe(err)) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(CORVANE_CLI_PATH, argv.data());
        _exit(127);
    }
    unsetenv("OMP_NUM_THREADS");
    close(out[1]);
    close(err[1]);
    int status = 0;
    for (int ms = 0; waitpid(child, &status, WNOHANG) == 0; ms += 10, usleep(10000)) {
        if (terminateWhen && ms < 120000 && terminateWhen(ms)) kill(child, SIGTERM);
        if (ms == 120000) ADD_FAILURE() << "no end: " << args.front(), kill(child, SIGKILL);
    }
    std::string errors;  // a terminal's end reads as EIO, after all it holds
    for (char c; read(err[0], &c, 1) == 1;) errors += c;
    CliResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                     readFile("/proc/self/fd/" + std::to_string(out[0])), errors};
    close(out[0]);
    close(err[0]);
    return result;
}

std::string runOk(const Args& args) {
    const CliResult result = runCli(args);
    EXPECT_EQ(result.exitCode, 0) << args.front() << ": " << result.err;
    return result.out;
}

// A video's size and duration, and each decoded frame's blue difference per 2x2 block.
struct VideoFacts {
    QSize size;
    double seconds;
    std::vector<std::vector<std::uint8_t>> blue;
};

VideoFacts readVideo(const std::string& file) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) return {};
    const AVStream* stream = format->streams[0];
    const AVCodecParameters* p = stream->codecpar;
    VideoFacts facts{{p->width, p->height}, stream->duration * av_q2d(stream->time_base), {}};
    const AVCodec* decoder = avcodec_find_decoder(p->codec_id);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, p);
    avcodec_open2(codec, decoder, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    for (bool more = true; more; av_packet_unref(packet)) {
        more = av_read_frame(format, packet) >= 0;
        avcodec_send_packet(codec, more ? packet : nullptr);
        while (avcodec_receive_frame(codec, frame) == 0) {
            std::vector<std::uint8_t>& blue = facts.blue.emplace_back();
            for (int y = 0; y < frame->height / 2; ++y) {
                const std::uint8_t* row = frame->data[1] + y * frame->linesize[1];
                blue.insert(blue.end(), row, row + frame->width / 2);
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return facts;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());  // then the galaxy the recordings film
        runOk({"new", "-o", path("g.cvn"), "--seed", "5", "--view", "320x240"});
    }
    std::string path(const char* name) const { return dir.path().toStdString() + '/' + name; }
    std::string listing(const char* folder = ".") const {
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        return QDir(dir.filePath(folder)).entryList(all).join(' ').toStdString();
    }

    QTemporaryDir dir;
};

// Exit 0 for help, 2 for wrong usage, 1 for failed reads and writes (old files kept).
TEST_F(CliTest, HelpWrongUsageAndFailedReadsAndWrites) {
    const std::string help = runOk({"--help"});
    for (const char* part : {"new", "run", "render", "record", "bench", "--layout", "sphere"})
        EXPECT_TRUE(contains(help, part)) << part;

    const std::string g = path("g.cvn"), out = path("scene.cvn");
    for (const char* old : {"scene.cvn", "old.png", "old.mp4"}) std::ofstream(path(old)) << "old";
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    ASSERT_EQ(mkfifo(path("pipe.cvn").c_str(), 0600), 0);  // no writer: opening could wait forever
    const Args record = {"record", g,        "--steps", "60", "--zoom",
                         "2",      "--seed", "3",       "-o", path("v.mp4")};
    runOk(record);
    const rlim_t halfVideo = readFile(path("v.mp4")).size() / 2;
    unlink(path("v.mp4").c_str());
    auto recordTo = [&](Args to) {
        return to.insert(to.begin(), record.begin(), record.end() - 2), to;
    };
    const rlim_t any = RLIM_INFINITY;
    const std::tuple<Args, rlim_t, int, const char*> cases[] = {
        {{}, any, 2, "Usage"},
        {{"frobnicate"}, any, 2, "unknown command frobnicate"},
        {{"new"}, any, 2, "needs -o"},
        {{"new", "-o", out, "--bogus", "1"}, any, 2, "--bogus"},
        {{"new", "-o", out, "--free"}, any, 2, "--free needs a value"},
        {{"new", "-o", out, "--hole", "7"}, any, 2, "--hole \"7\" selects nothing"},
        {{"new", "-o", out, "--view", "16385x10"}, any, 2, "--view"},
        {{"new", "-o", path("big.cvn"), "--view", "1X16384"}, any, 0, ""},
        {{"run", g, "-o", out}, any, 2, "needs --steps"},
        {{"run", "-o", out, "--steps", "3"}, any, 2, "needs an input"},
        {{"run", g, g, "-o", out, "--steps", "3"}, any, 2, "unexpected argument"},
        {{"record", g, "--steps", "3"}, any, 2, "needs -o OUT.mp4 or --frames DIR"},
        {recordTo({"-o", out, "--steps", "2", "--every", "3"}), any, 2, "no frame"},
        {recordTo({"-o", out, "--every", "0"}), any, 2, "--every expects"},
        {recordTo({"-o", out, "--fps", "241"}), any, 2, "--fps"},
        {recordTo({"-o", out, "--view", "5000x3000"}), any, 2, "10000x6000"},
        {recordTo({"-o", out, "--bogus"}), any, 2, "unknown option --bogus"},
        {{"run", path("missing.cvn"), "-o", out, "--steps", "3"}, any, 1, "cannot read"},
        {{"render", path("pipe.cvn"), "-o", path("x.png")}, any, 1, "Not a regular file"},
        {{"new", "-o", path("folder"), "--seed", "1"}, any, 1, "Is a directory"},
        {{"new", "--seed", "1", "--free", "5000", "-o", out}, 100000, 1, "File too large"},
        {{"run", g, "--steps", "1", "-o", out}, 0, 1, "File too large"},
        {{"render", g, "-o", path("old.png")}, 100, 1, "File too large"},
        {recordTo({"-o", path("none/v.mp4")}), any, 1, "No such file or directory"},
        {recordTo({"-o", path("folder")}), any, 1, "Is a directory"},
        {recordTo({"-o", "/dev/null"}), any, 1, "Not a regular file"},
        {recordTo({"--frames", g}), any, 1, "Not a directory"},
        {recordTo({"--frames", path("none/deeper")}), any, 1, "No such file or directory"},
        {recordTo({"-o", path("old.mp4")}), halfVideo, 1, "File too large"},  // in the middle
        {recordTo({"--frames", path("folder")}), 300, 1, "File too large"},   // at the first frame
        // A frames folder the recording made goes when it fails, first or midway.
        {recordTo({"--frames", path("made"), "-o", path("none/v.mp4")}), any, 1, "No such file"},
        {recordTo({"--frames", path("made"), "-o", path("v.mp4")}), halfVideo, 1, "too large"},
    };
    for (const auto& [args, fileSizeLimit, exitCode, message] : cases) {
        const CliResult result = runCli(args, "", fileSizeLimit);
        EXPECT_EQ(result.exitCode, exitCode) << message;
        EXPECT_TRUE(contains(result.err, message)) << message << " in " << result.err;
    }
    EXPECT_EQ(
        std::pair(listing(), listing("folder")),
        std::pair(std::string("big.cvn folder g.cvn old.mp4 old.png scene.cvn"), std::string()));
    for (const char* old : {"scene.cvn", "old.png", "old.mp4"})
        EXPECT_EQ(readFile(path(old)), "old");
}

// The rules of every command: its own --help, "--option=value", no "-o -", one
// message with the range per option, a line for each entry a prefix chose,
// --steps 0 copies the scene, a progress line only on a terminal and without -q.
TEST_F(CliTest, CommandLineRules) {
    const std::string g = path("g.cvn"), out = path("out.cvn"), v = path("v.mp4");
    const std::string prefixed = path("prefixed.cvn"), joined = path("joined.cvn");
    const char* const dash =
        "-o expects a file name; corvane-cli writes no file to standard output";
    const char* const depth = "--depth expects a whole number from 1 to 2147483647, not \"";
    const char* const threads = "--threads expects a whole number from 0 to 1024, not \"";
    const char* const quiet = "corvane-cli";  // nothing on standard error
    struct Rule {
        Args args;
        int exitCode;
        std::string said, notSaid = "";
        bool terminal = false;
    };
    const Rule rules[] = {
        {{"new", "--help"}, 0, "  corvane-cli new -o OUT.cvn", "--threads"},
        {{"run", "-h"}, 0, "-q, --quiet", "--layout"},
        {{"render", "--help"}, 0, "--depth N", "--steps"},
        {{"record", "-h"}, 0, "--preset NAME", "--kernel"},
        {{"bench", "--help"}, 0, "ceiling_fraction=", "--frames"},
        {{"new", "-o", "-"}, 2, dash},
        {{"run", g, "--steps", "1", "-o", "-"}, 2, dash},
        {{"render", g, "-o", "-"}, 2, std::string(dash) + " (\"-\")\n(corvane-cli render --help"},
        {{"record", g, "--steps", "1", "-o", "-"}, 2, dash},
        {{"render", g, "-o", out, "--depth", "4294967295"}, 2, depth},
        {{"render", g, "-o", out, "--depth=-1"}, 2, depth},
        {{"render", g, "-o", out, "--depth", "x"}, 2, depth},
        {{"bench", "--threads", "-1"}, 2, threads},
        {{"bench", "--threads=100000"}, 2, threads},
        {{"bench", "--simd", "sse"},
         2,
         "--simd expects avx512-newton, avx512, avx2 or scalar, not \"sse\""},
        {{"record", g, "-o", v, "--steps", "1", "--crf", "52"},
         2,
         "--crf expects a whole number from 0 to 51"},
        {{"record", g, "-o", v, "--steps", "1", "--preset=slowest"},
         2,
         "--preset expects one of ultrafast, superfast,"},
        {{"render", g, "-o", out, "--stereo=yes"}, 2, "--stereo takes no value"},
        {{"new", "-o", prefixed, "--seed", "7", "--free", "1", "--disk", "4", "--hole", "1",
          "--mass-mode", "オ", "--layout", "thin"},
         0,
         "corvane-cli: --free 1 chose 10\ncorvane-cli: --disk 4 chose 4000\ncorvane-cli: --hole 1 "
         "chose 1.0e5\ncorvane-cli: --mass-mode オ chose オリジナル (original)\n"},
        {{"new", "--seed=7", "-o", joined, "--free=10", "--disk=4000", "--hole=1.0E5",
          "--mass-mode=Original", "--layout=円盤薄"},
         0,
         "",
         quiet},
        {{"bench", "--free", "3", "--disk", "0", "--halo", "0", "--hole", "0", "--steps", "1",
          "--kernel", "reference"},
         0,
         "corvane-cli: --free 3 chose 30\n",
         "30\ncorvane-cli"},  // once, not per kernel
        {{"run", prefixed, "-o", path("copy.cvn"), "--steps", "0"}, 0, "", quiet},
        {{"run", g, "-o", out, "--steps", "3"}, 0, "", quiet},
        {{"run", g, "-o", out, "--steps", "3"}, 0, "\rcorvane-cli run: step 3 of 3, ", "", true},
        {{"run", g, "-o", out, "--steps", "3", "-q"}, 0, "", quiet, true},
        {{"record", g, "-o", v, "--steps", "2", "--quiet"}, 0, "", quiet, true},
        {{"record", g, "-o", v, "--steps", "2"},
         0,
         "\rcorvane-cli record: step 2 of 2, 2 frames written",
         "",
         true},
    };
    for (const Rule& rule : rules) {
        const CliResult result = runCli(rule.args, "", RLIM_INFINITY, {}, rule.terminal);
        const std::string said = result.out + result.err;
        EXPECT_EQ(result.exitCode, rule.exitCode) << rule.args.front() << ": " << said;
        EXPECT_TRUE(contains(said, rule.said)) << rule.said << " in " << said;
        EXPECT_TRUE(rule.notSaid.empty() || !contains(said, rule.notSaid))
            << rule.notSaid << " in " << said;
    }
    EXPECT_EQ(readFile(joined), readFile(prefixed));
    EXPECT_EQ(readFile(path("copy.cvn")), readFile(prefixed));
}

// Every selection option, English names, any case; Shift-JIS names. render: at
// 100 m per dot a star 10 dots right, 5 up and 15 deep, in stereo.
TEST_F(CliTest, NewRunAndRenderWithoutADisplay) {
    Args options = {"new",         "-o",          "",        "--seed",   "7",
                    "--view",      "400x300",     "--free",  "10",       "--disk",
                    "20",          "--halo",      "5",       "--hole",   "1.0E1",
                    "--star-mass", "1.0e5",       "--speed", "10000",    "--scale",
                    "1000",        "--mass-mode", "Uniform", "--layout", "thin"};
    const std::string a = path("\x83\x49.cvn"), b = path("\x83\x8A.cvn"), c = path("c.cvn");
    for (const std::string& name : {a, b, c}) {
        options[2] = name;
        options[4] = name == c ? "8" : "7";
        runOk(options);
    }
    const std::string made = readFile(a);
    EXPECT_EQ(made, readFile(b));
    EXPECT_NE(made, readFile(c));
    const std::string head =
        "Corvane V9.0\r\n10\r\n20\r\n5\r\n1.0e10\r\n1.0e5\r\n10000\r\n1000\r\n"
        "\x8B\xCF\x93\x99\r\n\x89\x7E\x94\xD5\x94\x96\r\n";  // 均等, 円盤薄
    ASSERT_EQ(made.substr(0, head.size()), head);
    EXPECT_EQ(std::count(made.begin(), made.end(), '\n'), 10 + 35);
    EXPECT_TRUE(made.ends_with(",100000.000000\r\n"));
    runOk({"run", a, "-o", b, "--steps", "1", "--seed", "9"});
    EXPECT_NE(readFile(b), made);
    unlink(a.c_str());  // Qt cannot name them
    unlink(b.c_str());

    std::string one = "Corvane V9.0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n\r\n\r\n";
    for (int i = 0; i < 5; ++i) one += "1000,-500,1500\r\n";
    writeFile(path("one.cvn"), one);
    runOk({"render", path("one.cvn"), "-o", path("one.png"), "--view", "200x100", "--stereo",
           "--depth", "5"});
    const QImage image(QString::fromStdString(path("one.png")));
    int lit = 0;
    for (int i = 0; i < 200 * 100; ++i) lit += image.pixel(i % 200, i / 200) != qRgb(0, 0, 0);
    EXPECT_EQ(lit, 2);
    EXPECT_EQ(image.pixel(73, 45), qRgb(255, 255, 0)) << "free stars are yellow";
    EXPECT_EQ(image.pixel(147, 45), qRgb(255, 255, 0));

    // A star far outside the box is placed anew, from the numbers of --seed.
    writeFile(path("far.cvn"), one.substr(0, one.size() - 16) + "100000000,0,0\r\n");
    for (const char* seed : {"1", "2"})
        runOk({"run", path("far.cvn"), "-o", path(seed), "--steps", "1", "--seed", seed});
    EXPECT_NE(readFile(path("1")), readFile(path("2")));
}

// One thread for a small galaxy, at most OMP_NUM_THREADS, else as --threads asks;
// kernels agree (two massless stars on one row once gave zeros of the other sign).
TEST(CliBench, ReportsThreadsCeilingAndIdenticalResults) {
    const std::tuple<Args, const char*, const char*> cases[] = {
        {{"--free", "5", "--star-mass", "0", "--view", "5x5", "--threads", "1"},
         "",
         "identical=yes"},
        {{"--free", "30", "--kernel", "fast"}, "", "kernel=fast threads=1 "},
        {{"--free", "30", "--kernel", "fast", "--threads", "3"}, "", " threads=3 "},
        {{"--free", "2000", "--kernel", "fast"}, "1", "kernel=fast threads=1 "},
        {{"--free", "30", "--kernel", "fast"}, "", " ceiling_fraction="},
        {{"--free", "30", "--simd", "scalar"}, "", " simd=scalar "},
        {{"--free", "30", "--simd=scalar"}, "", "identical=yes"}};
    for (auto [args, threads, expected] : cases) {
        args.insert(args.begin(), {"bench", "--disk", "0", "--halo", "0", "--hole", "0", "--steps",
                                   "1", "--seed", "5"});
        const std::string out = runCli(args, threads).out;
        EXPECT_TRUE(contains(out, expected)) << out;
    }
}

// The number after `key` in `out`, or -1 when the key is missing.
double valueAfter(const std::string& out, const std::string& key) {
    const std::size_t at = out.find(key);
    return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + key.size());
}

// --record adds one line of rates without changing the others; its video goes
// to a folder under TMPDIR that is gone afterwards, after a failed write, an
// interrupt or wrong usage too.
TEST_F(CliTest, BenchRecordingLeavesNoFileBehind) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("tmp"));
    const Args small = {"bench",  "--free", "30",     "--disk", "0",      "--halo", "0",
                        "--hole", "0",      "--seed", "5",      "--view", "64x48"};
    auto bench = [&](Args more) {
        Args args = small;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    struct Case {
        Args args;
        int exitCode;
        std::string said;
        rlim_t fileSizeLimit = RLIM_INFINITY;
        TerminateWhen terminateWhen = {};
    };
    // Once the filmed round's video is being written.
    const TerminateWhen whileFilming = [&](int) {
        for (const QFileInfo& folder :
             QDir(dir.filePath("tmp")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!QDir(folder.filePath()).isEmpty(QDir::Files | QDir::Hidden)) return true;
        return false;
    };
    // Steps enough for a filmed round of about two seconds on this build
    // (a sanitizer's build steps some thirty times slower).
    const double pace =
        valueAfter(runOk(bench({"--kernel", "fast", "--steps", "2000"})), " steps_per_s=");
    const std::string filmedForSeconds = std::to_string(std::max(2000L, std::lround(2 * pace)));
    const Case cases[] = {
        {bench({"--record", "--steps", "3"}), 0, "kernel=reference "},
        {bench({"--steps", "3", "--record", "--kernel", "fast", "--threads", "2"}), 0,
         "kernel=fast threads=2 "},
        {bench({"--record", "--kernel", "reference"}), 2, "--record times the fast kernel"},
        {bench({"--record=yes"}), 2, "--record takes no value"},
        {bench({"--record", "--steps", "30"}), 1, "File too large", 100},
        {bench({"--record", "--kernel", "fast", "--steps", filmedForSeconds}), -1, "",
         RLIM_INFINITY, whileFilming},
    };
    for (const Case& c : cases) {
        setenv("TMPDIR", path("tmp").c_str(), 1);
        const CliResult result = runCli(c.args, "", c.fileSizeLimit, c.terminateWhen);
        unsetenv("TMPDIR");
        const std::string said = result.out + result.err;
        EXPECT_EQ(result.exitCode, c.exitCode) << said;
        EXPECT_TRUE(contains(said, c.said)) << c.said << " in " << said;
        EXPECT_EQ(listing("tmp"), "") << said;
        if (c.exitCode != 0) continue;
        EXPECT_TRUE(contains(result.out, " ceiling_fraction=")) << result.out;
        const double recorded = valueAfter(result.out, "\nrecord_steps_per_s=");
        const double plain = valueAfter(result.out, " plain_steps_per_s=");
        const double fraction = valueAfter(result.out, " recording_speed_fraction=");
        EXPECT_GT(recorded, 0) << result.out;
        EXPECT_GT(plain, 0) << result.out;
        EXPECT_GT(fraction, 0) << result.out;
        EXPECT_NEAR(fraction, recorded / plain, 0.01) << result.out;
        EXPECT_TRUE(result.out.ends_with("\n")) << result.out;
    }
    setenv("TMPDIR", path("none").c_str(), 1);
    const CliResult noFolder = runCli(bench({"--record", "--steps", "1"}));
    unsetenv("TMPDIR");
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_TRUE(contains(noFolder.err, "cannot make a folder in " + path("none"))) << noFolder.err;
    EXPECT_EQ(noFolder.out, "") << "nothing timed before the folder is there";
}

// The types of a file's top-level boxes, in order ("ftyp moov ...").
std::string topLevelBoxes(const std::string& file) {
    const std::string bytes = readFile(file);
    std::string types;
    for (std::size_t at = 0, size = 0; at + 8 <= bytes.size(); at += size) {
        size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | static_cast<unsigned char>(bytes[at + i]);
        (types += types.empty() ? "" : " ") += bytes.substr(at + 4, 4);
        if (size < 8) break;
    }
    return types;
}

// Odd sizes padded; frames, rate, duration as asked; the index first; the quality
// settings reach the encoder; no temporary when interrupted; the encoder's fallback
// and the zoom.
TEST_F(CliTest, RecordedVideoHoldsExactlyTheFramesAskedWithAnyEncoder) {
    const CliResult result =
        runCli({"record", path("g.cvn"), "-o", path("v.mp4"), "--seed", "1", "--steps", "9",
                "--every", "2", "--fps", "25", "--zoom", "3", "--view", "67x33"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const VideoFacts facts = readVideo(path("v.mp4"));
    EXPECT_EQ(std::pair(facts.size, facts.blue.size()), std::pair(QSize(202, 100), size_t{4}));
    EXPECT_DOUBLE_EQ(facts.seconds, 4.0 / 25);
    EXPECT_TRUE(topLevelBoxes(path("v.mp4")).starts_with("ftyp moov "))
        << topLevelBoxes(path("v.mp4"));
    std::vector<std::size_t> sizes;
    for (const char* quality : {"--crf=0", "--crf=51", "--preset=veryslow"}) {
        runOk({"record", path("g.cvn"), "-o", path("q.mp4"), "--seed", "1", "--steps", "4",
               "--crf=51", quality});
        sizes.push_back(readFile(path("q.mp4")).size());
    }
    EXPECT_GT(sizes[0], sizes[1]) << "crf 0 is lossless";
    EXPECT_NE(sizes[1], sizes[2]);
    unlink(path("q.mp4").c_str());
    const Args endless = {"record", path("g.cvn"), "-o", path("w.mp4"), "--steps", "1000000"};
    EXPECT_EQ(runCli(endless, "", RLIM_INFINITY, afterMs(3000)).exitCode, -1) << "ended by SIGTERM";
    EXPECT_EQ(listing(), "g.cvn v.mp4") << "no temporary file, interrupted or not";

    // Without libx264, MPEG-4 Visual and a note; each pixel a zoom x zoom block.
    {
        VideoEncoder encoder(path("m.mp4"), {64, 48, 10, "no-such-encoder"});
        EXPECT_EQ(encoder.codecName(), "mpeg4");
        EXPECT_TRUE(contains(encoder.fallbackNote(), "no-such-encoder")) << encoder.fallbackNote();
        const std::vector<std::uint32_t> black(64 * 48, 0);
        for (int frame = 0; frame < 5; ++frame) encoder.addFrame(black.data(), 64);
        encoder.finish();
    }
    EXPECT_EQ(readVideo(path("m.mp4")).blue.size(), 5u);
    const Colour source[] = {1, 2};
    std::vector<Colour> target(5 * 3, 9);  // zoom 2 into rows of 5, one spare row
    zoomPixels(source, 2, 1, 2, target.data(), 5);
    EXPECT_EQ(target, (std::vector<Colour>{1, 1, 2, 2, 9, 1, 1, 2, 2, 9, 9, 9, 9, 9, 9}));
}

// Which steps of a live recording at 30 frames/s are frames, by the time each
// step ended (ms from the first).
TEST(FramePacer, AStepIsAFrameOnceTheVideosClockHasReachedIt) {
    struct Case {
        const char* name;
        std::vector<int> stepsMs;
        std::string frames;  // one mark per step: x a frame, . none
    };
    const Case cases[] = {
        {"faster than the video", {0, 10, 20, 30, 34, 40, 66, 67, 70}, "x...x..x."},
        {"slower than the video: every step", {0, 50, 100, 150, 400}, "xxxxx"},
        {"a late step starts the grid afresh: no burst", {0, 200, 210, 233, 234, 250}, "xx..x."},
    };
    for (const auto& [name, stepsMs, frames] : cases) {
        FramePacer pacer(30);
        std::string taken;
        for (int ms : stepsMs)
            taken += pacer.due(FramePacer::Clock::time_point(std::chrono::milliseconds(ms + 5)))
                         ? 'x'
                         : '.';
        EXPECT_EQ(taken, frames) << name;
        EXPECT_EQ(pacer.lastStepUnfilmed(), frames.back() == '.') << name;
    }
    FramePacer pacer(30);
    int framesInASecond = 0;
    for (int ms = 0; ms < 1000; ++ms)
        framesInASecond += pacer.due(FramePacer::Clock::time_point(std::chrono::milliseconds(ms)));
    EXPECT_EQ(framesInASecond, 30) << "the grid keeps whole periods from the first frame";
}

// Each frame is the view after its step: exactly in the PNG, and in the video
// only yellow stars' blocks have the blue difference 16 (black and grey 128).
TEST_F(CliTest, RecordedFramesShowTheViewAfterTheirStep) {
    runOk({"record", path("g.cvn"), "-o", path("v.mp4"), "--frames", path("frames"), "--steps",
           "40", "--every", "4", "--zoom", "2", "--seed", "9", "--view", "320x240"});
    const VideoFacts video = readVideo(path("v.mp4"));
    ASSERT_EQ(video.blue.size(), 10u);
    EXPECT_TRUE(listing("frames").ends_with("frame-000009.png frame-000010.png"));
    CommandState state({320, 240});
    const MemorySurface& view = state.surface;
    ASSERT_TRUE(loadScenario(state.simulation, state.view, state.selections, path("g.cvn")).ok());
    seedRandom(state.simulation.random, 9);
    for (int frame = 0; frame < 10; ++frame) {
        for (int step = 0; step < 4; ++step) stepSimulation(state.simulation, state.view);
        const QImage png(QString::fromStdString(path("frames/") + frameFileName(frame + 1)));
        ASSERT_EQ(png.size(), QSize(640, 480)) << frame;
        int pngDifferences = 0, yellowMismatches = 0, yellowStars = 0;
        for (int i = 0; i < 320 * 240; ++i) {
            const QPoint at(i % 320 * 2, i / 320 * 2);
            const Colour c = view.pixel(at.x() / 2, at.y() / 2);
            for (QPoint p : {at, at + QPoint(0, 1), at + QPoint(1, 0), at + QPoint(1, 1)})
                pngDifferences += png.pixel(p) != qRgb(c & 0xFF, (c >> 8) & 0xFF, c >> 16);
            yellowStars += c == kStarColour;
            yellowMismatches += (video.blue[frame][i] < 72) != (c == kStarColour);
        }
        EXPECT_EQ(pngDifferences, 0) << frame;
        EXPECT_GT(yellowStars, 10) << frame;
        EXPECT_EQ(yellowMismatches, 0) << frame;
    }
}

}  // namespace
}  // namespace corvane::cli
