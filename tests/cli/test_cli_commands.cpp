#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "file_faults.h"

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built corvane-cli with no display at all, and OMP_NUM_THREADS as
// given (unset when empty).
CliResult runCli(const QStringList& args, const QString& threadLimit = QString()) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "OMP_NUM_THREADS"})
        env.remove(name);
    if (!threadLimit.isEmpty()) env.insert("OMP_NUM_THREADS", threadLimit);
    process.setProcessEnvironment(env);
    process.start(CORVANE_CLI_PATH, args);
    EXPECT_TRUE(process.waitForFinished(120000)) << args.join(' ').toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

// Runs the built corvane-cli with arguments passed as their bytes, as a
// shell passes them, and with writes limited to `fileSizeLimit` bytes
// (SIGXFSZ ignored: a write past it fails with EFBIG). A run that takes
// longer than 30 s is a failure and is killed.
CliResult runCliBytes(const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::vector<char*> argv{const_cast<char*>(CORVANE_CLI_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int errors[2];
    if (pipe(errors) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        dup2(errors[1], STDERR_FILENO);
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDIN_FILENO);
        execv(CORVANE_CLI_PATH, argv.data());
        _exit(127);
    }
    close(errors[1]);
    int status = 0;
    for (int tenths = 0; waitpid(child, &status, WNOHANG) == 0; ++tenths) {
        if (tenths == 300) {
            ADD_FAILURE() << "corvane-cli did not end within 30 s: " << args.front();
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        usleep(100000);
    }
    CliResult result;
    char buffer[4096];
    for (ssize_t got; (got = read(errors[0], buffer, sizeof buffer)) > 0;)
        result.err.append(buffer, got);
    close(errors[0]);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::string kMassOriginal = "\x83\x49\x83\x8A\x83\x57\x83\x69\x83\x8B";  // オリジナル
const std::string kLayoutGalaxy = "\x8B\xE2\x89\xCD\x8F\xF3";                  // 銀河状

// Five free stars, no black hole and no star mass: nothing pulls anything.
// Fewer lines given are filled up with copies of the last one.
std::string stillScene(std::vector<std::string> bodyLines) {
    EXPECT_LE(bodyLines.size(), 5u);
    bodyLines.resize(5, bodyLines.back());
    std::string text = "Corvane V9.0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n1.0e5\r\n100\r\n" + kMassOriginal +
                       "\r\n" + kLayoutGalaxy + "\r\n";
    for (const auto& line : bodyLines) text += line + "\r\n";
    return text;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const char* name) const { return dir.filePath(name); }
    std::string read(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    }
    void write(const QString& file, const std::string& bytes) const {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), bytes.size());
    }

    QTemporaryDir dir;
};

TEST_F(CliTest, HelpAndWrongUsage) {
    CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* part :
         {"new -o OUT.cvn", "run IN.cvn -o OUT.cvn --steps N", "render IN.cvn -o OUT.png", "bench",
          "--mass-mode", "uniform", "--layout", "sphere"}) {
        EXPECT_TRUE(contains(help.out, part)) << part;
    }
    EXPECT_EQ(runCli({"new", "--help"}).exitCode, 0);

    CliResult none = runCli({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(contains(none.err, "Usage"));

    QString out = path("never.cvn");
    QString in = path("in.cvn");
    write(in, stillScene({"0,0,0,0,0,0,0"}));
    struct Case {
        QStringList args;
        const char* message;
    };
    std::vector<Case> cases = {
        {{"frobnicate"}, "unknown command frobnicate"},
        {{"new"}, "needs -o"},
        {{"new", "-o", out, "--bogus", "1"}, "--bogus"},
        {{"new", "-o", out, "--free"}, "--free needs a value"},
        {{"new", "-o", out, "--hole", "7"}, "--hole \"7\" selects nothing"},
        {{"new", "-o", out, "--layout", "spiral"}, "selects nothing"},
        {{"new", "-o", out, "--view", "0x600"}, "--view"},
        {{"new", "-o", out, "--seed", "-3"}, "--seed"},
        {{"run", in, "-o", out}, "needs --steps"},
        {{"run", "-o", out, "--steps", "3"}, "needs an input"},
        {{"run", in, in, "-o", out, "--steps", "3"}, "unexpected argument"},
        {{"run", in, "-o", out, "--steps", "3", "--stereo"}, "--stereo"},
        {{"render", in, "-o", out, "--depth", "0"}, "--depth"},
        {{"render", in}, "needs -o"},
        {{"bench", "--threads", "100000"}, "--threads"},
        {{"bench", "--threads", "1025"}, "--threads"},
        {{"bench", "--threads", "4294967295"}, "--threads"},
        {{"bench", "--threads", "4294967296"}, "--threads"},
        {{"bench", "--steps", "99999999999"}, "--steps"},
    };
    for (const Case& c : cases) {
        CliResult result = runCli(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(contains(result.err, c.message)) << result.err;
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliTest, NewMakesTheSelectedGalaxyDeterministically) {
    QStringList options = {"--seed",      "7",       "--view",   "400x300", "--free",  "10",
                           "--disk",      "20",      "--halo",   "5",       "--hole",  "1.0e1",
                           "--star-mass", "1.0e5",   "--speed",  "10000",   "--scale", "1000",
                           "--mass-mode", "uniform", "--layout", "thin"};
    ASSERT_EQ(runCli(QStringList{"new", "-o", path("a.cvn")} + options).exitCode, 0);
    ASSERT_EQ(runCli(QStringList{"new", "-o", path("b.cvn")} + options).exitCode, 0);
    options[1] = "8";
    ASSERT_EQ(runCli(QStringList{"new", "-o", path("c.cvn")} + options).exitCode, 0);
    std::string a = read(path("a.cvn"));
    EXPECT_EQ(a, read(path("b.cvn")));
    EXPECT_NE(a, read(path("c.cvn")));

    std::string head =
        "Corvane V9.0\r\n10\r\n20\r\n5\r\n1.0e10\r\n1.0e5\r\n10000\r\n1000\r\n"
        "\x8B\xCF\x93\x99\r\n\x89\x7E\x94\xD5\x94\x96\r\n";  // 均等, 円盤薄
    ASSERT_EQ(a.substr(0, head.size()), head);
    size_t lines = 0;
    for (size_t at = 0; (at = a.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 10u + 35u);
    EXPECT_TRUE(a.ends_with(",100000.000000\r\n"));
}

TEST_F(CliTest, UnreadableInputAndUnwritableOutputExitOne) {
    QString out = path("out.cvn");
    write(out, "the old scene\r\n");
    CliResult missing = runCli({"run", path("missing.cvn"), "-o", out, "--steps", "3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(contains(missing.err, "cannot read")) << missing.err;
    EXPECT_TRUE(contains(missing.err, "missing.cvn"));
    EXPECT_EQ(read(out), "the old scene\r\n");

    QDir(dir.path()).mkdir("folder");
    CliResult toFolder = runCli({"new", "-o", path("folder"), "--seed", "1"});
    EXPECT_EQ(toFolder.exitCode, 1);
    EXPECT_TRUE(contains(toFolder.err, "cannot write")) << toFolder.err;

    write(path("in.cvn"), stillScene({"0,0,0,0,0,0,0"}));
    CliResult picture = runCli({"render", path("in.cvn"), "-o", path("folder")});
    EXPECT_EQ(picture.exitCode, 1);
    EXPECT_TRUE(contains(picture.err, "cannot write")) << picture.err;
    CliResult noFolder = runCli({"render", path("in.cvn"), "-o", path("none/x.png")});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_TRUE(QDir(path("folder")).isEmpty());
}

TEST_F(CliTest, RunLeavesAStillSceneWhereItWas) {
    std::string scene =
        stillScene({"1000.000000,-500.000000,0.000000,0.000000,0.000000,0.000000,0.000000",
                    "-12345.678711,9999.000000,1500.000000,0.000000,0.000000,0.000000,0.000000",
                    "0.500000,0.250000,-3.000000,0.000000,0.000000,0.000000,0.000000"});
    write(path("still.cvn"), scene);
    CliResult run =
        runCli({"run", path("still.cvn"), "-o", path("after.cvn"), "--steps", "50", "--seed", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(read(path("after.cvn")), scene);
}

TEST_F(CliTest, RenderDrawsWhatTheViewShows) {
    // At 100 m per dot: 10 dots right and 5 up, with a depth of 15 dots.
    write(path("one.cvn"), stillScene({"1000,-500,1500,0,0,0,0"}));
    auto render = [&](QStringList extra) {
        CliResult result = runCli(
            QStringList{"render", path("one.cvn"), "-o", path("one.png"), "--view", "200x100"} +
            extra);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return QImage(path("one.png"));
    };
    auto litPixels = [](const QImage& image) {
        std::vector<std::pair<int, int>> lit;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != qRgb(0, 0, 0)) lit.emplace_back(x, y);
            }
        }
        return lit;
    };
    QImage mono = render({});
    ASSERT_EQ(mono.size(), QSize(200, 100));
    EXPECT_EQ(litPixels(mono), (std::vector<std::pair<int, int>>{{110, 45}}));
    EXPECT_EQ(mono.pixel(110, 45), qRgb(255, 255, 0)) << "free stars are yellow";

    EXPECT_EQ(litPixels(render({"--stereo"})),
              (std::vector<std::pair<int, int>>{{71, 45}, {149, 45}}));
    EXPECT_EQ(litPixels(render({"--stereo", "--depth", "5"})),
              (std::vector<std::pair<int, int>>{{73, 45}, {147, 45}}));
}

TEST_F(CliTest, NewRunRenderChainWithoutADisplay) {
    ASSERT_EQ(runCli({"new", "-o", path("a.cvn"), "--seed", "7"}).exitCode, 0);
    ASSERT_EQ(runCli({"run", path("a.cvn"), "-o", path("b.cvn"), "--steps", "100", "--seed", "7"})
                  .exitCode,
              0);
    ASSERT_EQ(runCli({"render", path("b.cvn"), "-o", path("b.png")}).exitCode, 0);
    EXPECT_NE(read(path("a.cvn")), read(path("b.cvn")));
    QImage image(path("b.png"));
    ASSERT_EQ(image.size(), QSize(800, 600));
    int lit = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) lit += image.pixel(x, y) != qRgb(0, 0, 0);
    }
    EXPECT_GT(lit, 20);
    EXPECT_LE(lit, 30);
}

TEST_F(CliTest, FailedWritesKeepTheOldSceneAndPicture) {
    const std::string in = path("in.cvn").toStdString();
    write(path("in.cvn"), stillScene({"0,0,0,0,0,0,0"}));
    struct Case {
        std::vector<std::string> args;  // the output is the file named last
        rlim_t fileSizeLimit;
    };
    const std::string scene = path("scene.cvn").toStdString();
    const std::string picture = path("picture.png").toStdString();
    const std::vector<Case> cases = {
        {{"new", "--seed", "1", "-o", scene}, 1000},  // 30 bodies: well inside a write buffer
        {{"new", "--seed", "1", "--free", "5000", "-o", scene}, 100000},
        {{"run", in, "--steps", "1", "-o", scene}, 0},
        {{"render", in, "-o", picture}, 100},
    };
    for (const Case& c : cases) {
        const QString target = QString::fromStdString(c.args.back());
        write(target, "the old file\r\n");
        CliResult result = runCliBytes(c.args, c.fileSizeLimit);
        EXPECT_EQ(result.exitCode, 1) << c.args.front();
        EXPECT_TRUE(contains(result.err, std::strerror(EFBIG))) << result.err;
        EXPECT_EQ(read(target), "the old file\r\n") << c.args.front();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3)
        << "no unfinished file is left";

    corvane::testing::SmallTmpfs disk(64);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs the superuser";
    const QString onDisk = QString::fromStdString(disk.path() + "/scene.cvn");
    write(onDisk, "the old file\r\n");
    disk.fill();
    CliResult full = runCliBytes({"new", "--seed", "1", "-o", onDisk.toStdString()});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(contains(full.err, std::strerror(ENOSPC))) << full.err;
    EXPECT_EQ(read(onDisk), "the old file\r\n");
}

TEST_F(CliTest, InputsThatAreNoSceneFileFailAtOnce) {
    const std::string fifo = path("pipe.cvn").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = path("out.png").toStdString();
    for (const std::string& input : {std::string("/dev/zero"), std::string("/dev/urandom"), fifo}) {
        CliResult result = runCliBytes({"render", input, "-o", out});
        EXPECT_EQ(result.exitCode, 1) << input;
        EXPECT_TRUE(contains(result.err, "Not a regular file")) << result.err;
    }
    CliResult folder = runCliBytes({"run", dir.path().toStdString(), "-o", out, "--steps", "1"});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(contains(folder.err, std::strerror(EISDIR))) << folder.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

TEST_F(CliTest, FileNamesAreTakenAsTheirBytes) {
    // Shift-JIS names, which are not UTF-8.
    const std::string scene = dir.path().toStdString() + "/\x83\x49\x83\x8A.cvn";
    const std::string picture = dir.path().toStdString() + "/\x8B\xE2.png";
    ASSERT_EQ(runCliBytes({"new", "-o", scene, "--seed", "1"}).exitCode, 0);
    EXPECT_EQ(access(scene.c_str(), F_OK), 0);
    CliResult run = runCliBytes({"run", scene, "-o", scene, "--steps", "1", "--seed", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(runCliBytes({"render", scene, "-o", picture}).exitCode, 0);
    EXPECT_EQ(access(picture.c_str(), F_OK), 0);
    // Qt's own folder removal cannot name them.
    unlink(scene.c_str());
    unlink(picture.c_str());
}

// The bench's figures, and the threads a step is given: none beyond the
// first for a small galaxy, never more than OMP_NUM_THREADS, and exactly as
// many as --threads asks. Two stars on one row with no mass once gave
// zeros of the other sign.
TEST_F(CliTest, BenchReportsThreadsCeilingAndIdenticalResults) {
    const QStringList still = {
        "bench", "--free",  "5", "--disk", "0", "--halo", "0",   "--hole",   "0",   "--star-mass",
        "0",     "--steps", "1", "--seed", "5", "--view", "5x5", "--kernel", "both"};
    const CliResult same = runCli(still + QStringList{"--threads", "1"});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_TRUE(contains(same.out, "identical=yes")) << same.out;
    for (const char* field : {"cpu_per_wall=", "threads_taking_part=",
                              "ceiling_interactions_per_s=", "ceiling_fraction="}) {
        EXPECT_TRUE(contains(same.out, field)) << field;
    }

    const QStringList small = {"bench",  "--free", "30",      "--disk", "0",        "--halo", "0",
                               "--hole", "0",      "--steps", "1",      "--kernel", "fast"};
    EXPECT_TRUE(contains(runCli(small).out, "kernel=fast threads=1 "));
    EXPECT_TRUE(contains(runCli(small + QStringList{"--threads", "3"}).out, " threads=3 "));
    const QStringList large = {"bench",  "--free", "2000",    "--disk", "0",        "--halo", "0",
                               "--hole", "0",      "--steps", "1",      "--kernel", "fast"};
    EXPECT_TRUE(contains(runCli(large, "1").out, "kernel=fast threads=1 "));
}

}  // namespace
