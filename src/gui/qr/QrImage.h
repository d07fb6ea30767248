#pragma once
// The QR view's picture as a Qt image: each pixel `scale` x `scale`.

#include <QImage>

#include "qr/QrBitmap.h"

namespace tessarin::gui {

QImage QrImage(const QrViewBitmap& picture, int scale);

}  // namespace tessarin::gui
