#include "ui/qt/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace rotopal::qt {

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QRectF wheel(0.5, 0.5, size - 1.0, size - 1.0);
        for (int i = 0; i < 16; ++i) {
            painter.setBrush(QColor::fromHsv(i * 360 / 16, 220, 255));
            painter.drawPie(wheel, i * 360, 360);  // sixteenths of a turn, in 1/16 degrees
        }
        painter.setBrush(QColor(20, 30, 90));
        painter.drawEllipse(wheel.center(), size / 5.0, size / 5.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace rotopal::qt
