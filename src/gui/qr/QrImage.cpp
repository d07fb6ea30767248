#include "gui/qr/QrImage.h"

namespace tessarin::gui {

QImage QrImage(const QrViewBitmap& picture, int scale) {
    const int side = picture.width * scale;
    QImage image(side, side, QImage::Format_Mono);
    if (side == 0) return image;
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) image.setPixel(x, y, picture.Black(x / scale, y / scale) ? 0 : 1);
    return image;
}

}  // namespace tessarin::gui
