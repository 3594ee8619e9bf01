#include "platform/qt/pngfile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "files/savefile.h"

namespace vantrel {

int writepng(const Surface& hdc, const std::string& path) {
    SaveFile file;
    if (file.open(path) != 0) return 1;
    // The surface's pixels are 0xFFRRGGBB already, which is Qt's RGB32.
    const QImage image(reinterpret_cast<const uchar*>(hdc.row(0)), hdc.width(), hdc.height(),
                       hdc.width() * static_cast<int>(sizeof(Rgb)), QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return 3;
    if (!file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()))) return 3;
    return file.commit();
}

}  // namespace vantrel
