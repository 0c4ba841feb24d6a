#pragma once
// Common ground for the program's tests: start-up state, a fresh body
// table, no boot-settings file, and helpers to read and write that file.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QString>
#include <QWidget>

#include "app/boot_settings.h"
#include "core/state.h"
#include "core/surface.h"
#include "render/plot.h"
#include "scenario/process_state.h"
#include "sim/bodies.h"
#include "sim/display.h"

namespace corvane::testing {

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetProcessState();
        setBodyProjection(&plotBody);
        setViewSurface(nullptr);
        QFile::remove(bootSettingsPath());
        ASSERT_TRUE(createBodyTable());
    }
    void TearDown() override {
        setViewSurface(nullptr);
        releaseBodyTable();
    }

    static void writeSettingsFile(const QByteArray& text) {
        QFile file(bootSettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    static QByteArray settingsFile() {
        QFile file(bootSettingsPath());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll();
    }
    // The value of one key as stored, or "<absent>".
    static QString stored(const QString& key) {
        QSettings settings(bootSettingsPath(), QSettings::IniFormat);
        return settings.value(key, QStringLiteral("<absent>")).toString();
    }
    static QRect storedRect() {
        const BootRect r = readBootRect();
        return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
};

// Delivers a mouse event the way the window system would.
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF position, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, position, widget.mapToGlobal(position), button, buttons, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace corvane::testing
