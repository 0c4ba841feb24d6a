#include "app/desktop_identity.h"

#include <QGuiApplication>
#include <QIcon>

#include "corvane_version.h"

namespace corvane {

void applyDesktopIdentity() {
    const QString id = QStringLiteral(CORVANE_APP_ID);
    QGuiApplication::setDesktopFileName(id);
    QGuiApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    // The icon theme's copy follows the desktop; the built-in one serves a
    // program that is not installed, or a theme that lacks the icon.
    const QIcon builtIn(QStringLiteral(":/icons/") + id + QStringLiteral(".png"));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(id, builtIn));
}

}  // namespace corvane
