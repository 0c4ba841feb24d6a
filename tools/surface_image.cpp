#include "surface_image.h"

#include <QFileInfo>
#include <QSaveFile>

namespace corvane::cli {

QImage surfaceImage(const MemorySurface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < surface.width(); ++x) {
            Colour c = surface.pixel(x, y);
            line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    return image;
}

QString writePng(const QImage& image, const QString& path) {
    if (QFileInfo(path).isDir()) return QStringLiteral("The target is a directory");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (!image.save(&file, "PNG")) {
        QString reason = file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("PNG encoding failed");
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace corvane::cli
