#include "ui/inbox_icons.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>

namespace tarvox {

QIcon InboxStateIcon(int index) {
    if (index < 1 || index > 7) {
        return {};
    }
    const bool read = (index & 1) != 0;
    const bool attachment = (index & 2) != 0;
    const bool replied = (index & 4) != 0;
    QPixmap pixmap(21, 13);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // The envelope: closed and yellow while unread, open and white once read.
    painter.setPen(Qt::black);
    painter.setBrush(read ? QColor(Qt::white) : QColor(0xff, 0xe0, 0x60));
    painter.drawRect(0, 3, 12, 9);
    if (read) {
        painter.drawLine(0, 3, 6, 0);
        painter.drawLine(6, 0, 12, 3);
    }
    painter.drawLine(0, 3, 6, 8);
    painter.drawLine(6, 8, 12, 3);
    if (attachment) {
        // A paper clip.
        painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(14, 1, 3, 10, 1, 1);
    }
    if (replied) {
        // A red arrow pointing back.
        painter.setPen(QPen(Qt::red, 2));
        painter.drawLine(11, 10, 20, 10);
        painter.drawLine(11, 10, 14, 7);
    }
    painter.end();
    return QIcon(pixmap);
}

QPixmap InboxLockPixmap() {
    QPixmap pixmap(15, 15);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::darkGray, 2));
    painter.drawArc(4, 1, 7, 9, 0, 180 * 16);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(0xd4, 0xa0, 0x17));
    painter.drawRect(2, 6, 10, 8);
    return pixmap;
}

}  // namespace tarvox
