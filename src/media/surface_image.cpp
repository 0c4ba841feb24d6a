#include "surface_image.h"

#include <QBuffer>

#include "io_error.h"
#include "replacing_file.h"
#include "sim/simulation.h"

namespace corvane::media {

namespace {
// The resolution a picture states: 100 dots per inch, Qt's own default
// without a screen, whatever the screen of the program that writes it.
constexpr int kDotsPerMetre = 3937;
}  // namespace

QImage surfaceImage(const MemorySurface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < surface.width(); ++x) {
            line[x] = argbOf(surface.pixel(x, y));
        }
    }
    return image;
}

QImage viewPicture(const Simulation& sim, const View& view) {
    MemorySurface surface(view.viewWidth, view.viewHeight);
    redrawAll(sim, view, surface);
    return surfaceImage(surface);
}

void writePng(const QImage& image, const std::string& path) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw IoError("cannot write " + path + ": PNG encoding failed");
    ReplacingFile file(path);
    file.write(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    file.commit();
}

}  // namespace corvane::media
