#pragma once
// Failing writes for tests, as a user meets them: a file-size limit (writes
// past it fail with EFBIG, as on a full disk) and, for the superuser, a
// really full file system on a small tmpfs.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>

namespace corvane::testing {

// While it lives, this process writes no file beyond `bytes`; SIGXFSZ is
// ignored, so the write reports the failure instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
        previous_ = signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

// A tmpfs of `kilobytes` mounted on a temporary folder; mounted() is false
// when the process may not mount (not the superuser, or in a container).
class SmallTmpfs {
  public:
    explicit SmallTmpfs(int kilobytes) {
        if (geteuid() != 0 || !dir_.isValid()) return;
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = mount("tmpfs", path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallTmpfs() {
        if (mounted_) umount2(path().c_str(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    std::string path() const { return dir_.path().toStdString(); }

    // Writes a filler file until the file system is full.
    void fill() const {
        FILE* filler = fopen((path() + "/filler").c_str(), "wb");
        if (!filler) return;
        static const char block[4096] = {};
        while (fwrite(block, 1, sizeof block, filler) == sizeof block) {
        }
        fclose(filler);
    }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

}  // namespace corvane::testing
