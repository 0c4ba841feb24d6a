#include "app/boot_settings.h"

#include <sys/stat.h>

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <climits>

#include "core/number_text.h"
#include "core/view.h"

namespace corvane {
namespace {

const QString kSection = QStringLiteral("BootData");

QString keyPath(const char* key) {
    return kSection + u'/' + QLatin1String(key);
}

// A settings file is a few hundred bytes.
constexpr qint64 kMaxSettingsFileBytes = qint64{1} << 20;

// QSettings reads the whole file, and waits on a FIFO: anything but a missing
// file or a small regular one is left alone, read as empty and never written.
bool settingsFileUsable() {
    struct stat info {};
    const QByteArray path = QFile::encodeName(bootSettingsPath());
    if (::stat(path.constData(), &info) != 0) return errno == ENOENT;
    return S_ISREG(info.st_mode) && info.st_size <= kMaxSettingsFileBytes;
}

// The value as the file holds it; "" when absent. QSettings splits a value
// with commas into a list; joined again it is the text as written.
QString readText(const char* key) {
    if (!settingsFileUsable()) return {};
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(key));
    if (value.userType() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

int textToInteger(const QString& text) {
    return parseInteger(text.toStdString());
}

// A side the window may have on a desktop `desktopSide` pixels across: twice
// that, so a maximised window's rectangle (larger than the screen by its
// frame) keeps its size, and never beyond kMaxWindowSide.
qint64 sideLimit(int desktopSide) {
    if (desktopSide <= 0) return kMaxWindowSide;
    return std::min<qint64>(2 * qint64{desktopSide}, kMaxWindowSide);
}

bool overlapsAny(qint64 x, qint64 y, qint64 width, qint64 height, const QList<QRect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&](const QRect& s) {
        return x < qint64{s.x()} + s.width() && qint64{s.x()} < x + width &&
               y < qint64{s.y()} + s.height() && qint64{s.y()} < y + height;
    });
}

}  // namespace

QString bootSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Corvane.ini");
}

BootRect readBootRect() {
    BootRect rect;
    rect.left = textToInteger(readText("left"));
    rect.top = textToInteger(readText("top"));
    rect.right = textToInteger(readText("right"));
    rect.bottom = textToInteger(readText("bottom"));
    return rect;
}

void writeBootRect(const QRect& outer) {
    if (!settingsFileUsable()) return;
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("left"), QString::number(outer.x()));
    settings.setValue(keyPath("top"), QString::number(outer.y()));
    // Exclusive edges, counted wide: the right edge of a rectangle that ends
    // at the largest int is one past it.
    settings.setValue(keyPath("right"), QString::number(qint64{outer.right()} + 1));
    settings.setValue(keyPath("bottom"), QString::number(qint64{outer.bottom()} + 1));
    settings.sync();
}

QRect startRect(const BootRect& saved, const QList<QRect>& screens) {
    qint64 x = saved.left > 0 ? saved.left : 0;
    qint64 y = saved.top > 0 ? saved.top : 0;
    // Sizes from the values as saved: a maximised window's negative left
    // edge moves it to 0 but keeps its width.
    qint64 width = qint64{saved.right} - saved.left;
    qint64 height = qint64{saved.bottom} - saved.top;
    if (width < 1 || height < 1) {
        width = kFirstStartWidth;
        height = kFirstStartHeight;
    }
    QRect desktop;
    for (const QRect& screen : screens) desktop |= screen;
    width = std::min(width, sideLimit(desktop.width()));
    height = std::min(height, sideLimit(desktop.height()));
    const bool representable = x + width <= INT_MAX && y + height <= INT_MAX;
    if (!representable || (!screens.isEmpty() && !overlapsAny(x, y, width, height, screens))) {
        x = 0;
        y = 0;
    }
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                 static_cast<int>(height));
}

QRect startRect(const BootRect& saved) {
    QList<QRect> screens;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->geometry());
    }
    return startRect(saved, screens);
}

int readFrameModeSetting() {
    const QString text = readText("taitolbar");
    if (text.isEmpty()) {
        writeFrameModeSetting(0);
        return 0;
    }
    return textToInteger(text);
}

void writeFrameModeSetting(int mode) {
    if (!settingsFileUsable()) return;
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("taitolbar"), QString::number(mode));
    settings.sync();
}

int readDepthDivisorSetting() {
    const int divisor = textToInteger(readText("zsize"));
    if (divisor != 0) return divisor;
    // Absent, empty, or no usable number: the stereo shift divides by it, so
    // the default is stored instead.
    if (!settingsFileUsable()) return kDefaultDepthDivisor;
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("zsize"), QString::number(kDefaultDepthDivisor));
    settings.sync();
    return kDefaultDepthDivisor;
}

}  // namespace corvane
