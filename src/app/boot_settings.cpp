#include "app/boot_settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include "core/number_text.h"
#include "core/state.h"

namespace corvane {
namespace {

const QString kSection = QStringLiteral("BootData");

QString keyPath(const char* key) {
    return kSection + u'/' + QLatin1String(key);
}

// The value as the file holds it; "" when absent. QSettings splits a value
// with commas into a list; joined again it is the text as written.
QString readText(const char* key) {
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(key));
    if (value.userType() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

int textToInteger(const QString& text) {
    return parseInteger(text.toStdString());
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
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("left"), QString::number(outer.x()));
    settings.setValue(keyPath("top"), QString::number(outer.y()));
    settings.setValue(keyPath("right"), QString::number(outer.x() + outer.width()));
    settings.setValue(keyPath("bottom"), QString::number(outer.y() + outer.height()));
    settings.sync();
}

QRect startRect(const BootRect& saved) {
    const int x = saved.left > 0 ? saved.left : 0;
    const int y = saved.top > 0 ? saved.top : 0;
    // Sizes from the values as saved: a maximised window's negative left
    // edge moves it to 0 but keeps its width.
    const int width = saved.right - saved.left;
    const int height = saved.bottom - saved.top;
    if (width < 1 || height < 1) return QRect(x, y, kFirstStartWidth, kFirstStartHeight);
    return QRect(x, y, width, height);
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
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("taitolbar"), QString::number(mode));
    settings.sync();
}

int readDepthDivisorSetting() {
    const int divisor = textToInteger(readText("zsize"));
    if (divisor != 0) return divisor;
    // Absent, empty, or no usable number: the stereo shift divides by it, so
    // the default is stored instead.
    QSettings settings(bootSettingsPath(), QSettings::IniFormat);
    settings.setValue(keyPath("zsize"), QString::number(kDefaultDepthDivisor));
    settings.sync();
    return kDefaultDepthDivisor;
}

}  // namespace corvane
