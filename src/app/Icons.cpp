#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>

namespace zort {
namespace {

const QColor kDevice(0x40, 0x7D, 0xA1);
const QColor kDeviceDark(0x2C, 0x5A, 0x76);
const QColor kDeviceWindow(0xD6, 0xE7, 0xF1);
const QColor kGreen(0x2E, 0x9E, 0x48);
const QColor kOrange(0xE3, 0x8B, 0x1C);
const QColor kOutline(0x55, 0x55, 0x58);

using Drawing = std::function<void(QPainter&)>;

// Draws on a 32 x 32 canvas, rendered at each size the buttons use so that no copy is
// blurred by scaling, plus larger ones for dense screens.
QIcon Render(const Drawing& draw) {
    QIcon icon;
    for (const int size : {24, 28, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The tracker: a rounded case with a display window and a status light.
void DrawDevice(QPainter& p, const QRectF& body) {
    p.setPen(QPen(kDeviceDark, 1.2));
    p.setBrush(kDevice);
    p.drawRoundedRect(body, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kDeviceWindow);
    p.drawRoundedRect(body.adjusted(3.5, 3.5, -9, -3.5), 1.5, 1.5);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(body.right() - 4.5, body.center().y()), 1.8, 1.8);
}

// A thick arrow along x = `x` from `fromY` to `toY`, head at `toY`.
void DrawVerticalArrow(QPainter& p, double x, double fromY, double toY, const QColor& colour) {
    const double dir = toY > fromY ? 1.0 : -1.0;
    const double headStart = toY - dir * 7.0;
    QPainterPath path;
    path.moveTo(x - 2.5, fromY);
    path.lineTo(x + 2.5, fromY);
    path.lineTo(x + 2.5, headStart);
    path.lineTo(x + 7.0, headStart);
    path.lineTo(x, toY);
    path.lineTo(x - 7.0, headStart);
    path.lineTo(x - 2.5, headStart);
    path.closeSubpath();
    p.setPen(QPen(colour.darker(130), 1.0));
    p.setBrush(colour);
    p.drawPath(path);
}

void DrawDocument(QPainter& p, const QRectF& page) {
    const double fold = 6.0;
    QPainterPath path;
    path.moveTo(page.topLeft());
    path.lineTo(page.right() - fold, page.top());
    path.lineTo(page.right(), page.top() + fold);
    path.lineTo(page.bottomRight());
    path.lineTo(page.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    p.setBrush(QColor(0xE4, 0xE4, 0xE4));
    p.drawPath(corner);
}

}  // namespace

QIcon WriteToDeviceIcon() {
    return Render([](QPainter& p) {
        DrawDevice(p, QRectF(3, 17, 26, 13));
        DrawVerticalArrow(p, 16, 1, 15, kGreen);
    });
}

QIcon ReadFromDeviceIcon() {
    return Render([](QPainter& p) {
        DrawDevice(p, QRectF(3, 17, 26, 13));
        DrawVerticalArrow(p, 16, 15, 1, kOrange);
    });
}

QIcon RestoreDefaultsIcon() {
    return Render([](QPainter& p) {
        // Most of a circle, running anticlockwise into an arrowhead: back to the start.
        p.setPen(QPen(kDevice, 4.0, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(5, 5, 22, 22);
        p.drawArc(ring, 100 * 16, 290 * 16);
        const double angle = 100.0 * M_PI / 180.0;
        const QPointF end(ring.center().x() + 11 * std::cos(angle), ring.center().y() - 11 * std::sin(angle));
        QPainterPath head;
        head.moveTo(end + QPointF(-1.5, -6.0));
        head.lineTo(end + QPointF(-1.5, 6.0));
        head.lineTo(end + QPointF(-8.5, 0.0));
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kDevice);
        p.drawPath(head);
        p.setBrush(kOrange);
        p.drawEllipse(ring.center(), 3.2, 3.2);
    });
}

QIcon HistoryIcon() {
    return Render([](QPainter& p) {
        // A settings sheet with a clock over its corner: the settings as they once were.
        DrawDocument(p, QRectF(3, 2, 18, 24));
        p.setPen(QPen(kOutline, 1.2));
        for (const double y : {9.0, 13.0, 17.0}) p.drawLine(QPointF(6.5, y), QPointF(15.0, y));
        const QPointF centre(21.5, 21.5);
        p.setPen(QPen(kDeviceDark, 1.4));
        p.setBrush(Qt::white);
        p.drawEllipse(centre, 8.5, 8.5);
        p.setPen(QPen(kDevice, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre, centre + QPointF(0, -5.5));
        p.drawLine(centre, centre + QPointF(-4.0, 2.0));
    });
}

QIcon FleetIcon() {
    return Render([](QPainter& p) {
        // Three trackers in a stack, the front one getting its settings.
        DrawDevice(p, QRectF(9, 3, 20, 10));
        DrawDevice(p, QRectF(6, 10, 20, 10));
        DrawDevice(p, QRectF(3, 18, 20, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(26.5, 25.5), 4.5, 4.5);
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24.3, 25.6), QPointF(26.0, 27.3));
        p.drawLine(QPointF(26.0, 27.3), QPointF(28.8, 23.8));
    });
}

QIcon StatusIcon() {
    return Render([](QPainter& p) {
        // A sky plot with satellites in it, and the signal bars beside it.
        p.setPen(QPen(kDeviceDark, 1.4));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(13, 13), 11, 11);
        p.setPen(QPen(kOutline, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(13, 13), 5.5, 5.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kDevice);
        p.drawEllipse(QPointF(9, 8), 2.6, 2.6);
        p.drawEllipse(QPointF(18, 15), 2.6, 2.6);
        p.setBrush(kOrange);
        p.drawEllipse(QPointF(11, 19), 2.6, 2.6);
        p.setBrush(kGreen);
        for (int i = 0; i < 3; ++i) p.drawRect(QRectF(21 + i * 3.6, 29 - (i + 1) * 3.6, 2.6, (i + 1) * 3.6));
    });
}

QIcon OpenFileIcon() {
    return Render([](QPainter& p) {
        p.setPen(QPen(QColor(0xB0, 0x84, 0x1A), 1.2));
        p.setBrush(QColor(0xE9, 0xB9, 0x3A));
        QPainterPath back;
        back.moveTo(2, 8);
        back.lineTo(11, 8);
        back.lineTo(13, 11);
        back.lineTo(27, 11);
        back.lineTo(27, 27);
        back.lineTo(2, 27);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(0xF6, 0xD3, 0x6B));
        QPainterPath front;
        front.moveTo(6, 15);
        front.lineTo(31, 15);
        front.lineTo(27, 27);
        front.lineTo(2, 27);
        front.closeSubpath();
        p.drawPath(front);
    });
}

QIcon SaveFileIcon() {
    return Render([](QPainter& p) {
        QPainterPath disk;
        disk.moveTo(3, 3);
        disk.lineTo(25, 3);
        disk.lineTo(29, 7);
        disk.lineTo(29, 29);
        disk.lineTo(3, 29);
        disk.closeSubpath();
        p.setPen(QPen(kDeviceDark, 1.2));
        p.setBrush(kDevice);
        p.drawPath(disk);
        p.setPen(Qt::NoPen);
        p.setBrush(kDeviceWindow);
        p.drawRect(QRectF(8, 3.6, 15, 9));  // shutter
        p.setBrush(kDeviceDark);
        p.drawRect(QRectF(18, 5, 3, 6));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(7, 17, 18, 11), 1, 1);  // label
        p.setPen(QPen(QColor(0xA8, 0xB8, 0xC4), 1.0));
        p.drawLine(QPointF(10, 21), QPointF(22, 21));
        p.drawLine(QPointF(10, 24.5), QPointF(22, 24.5));
    });
}

QIcon CommandFileIcon() {
    return Render([](QPainter& p) {
        DrawDocument(p, QRectF(5, 2, 20, 27));
        p.setPen(QPen(QColor(0xA0, 0xA0, 0xA4), 1.2));
        for (const double y : {10.0, 14.0, 18.0}) p.drawLine(QPointF(9, y), QPointF(20, y));
        // A "play" mark: the file tells the tracker to switch its mode.
        QPainterPath play;
        play.moveTo(17, 19);
        play.lineTo(30, 25.5);
        play.lineTo(17, 32);
        play.closeSubpath();
        p.setPen(QPen(kGreen.darker(130), 1.0));
        p.setBrush(kGreen);
        p.drawPath(play);
    });
}

QIcon ServiceIcon() {
    return Render([](QPainter& p) {
        // A gear: eight teeth around a wheel with a hole.
        const QPointF centre(16, 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kOutline);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(centre);
            p.rotate(i * 45.0);
            p.drawRoundedRect(QRectF(-3.2, -14.5, 6.4, 8), 1.2, 1.2);
            p.restore();
        }
        p.drawEllipse(centre, 10.5, 10.5);
        p.setBrush(Qt::white);
        p.drawEllipse(centre, 4.2, 4.2);
    });
}

QIcon FirmwareIcon() {
    return Render([](QPainter& p) {
        // A chip with pins on every side and an arrow bringing in the new program.
        p.setPen(QPen(kOutline, 1.6, Qt::SolidLine, Qt::FlatCap));
        for (double t = 9.5; t <= 22.5; t += 4.33) {
            p.drawLine(QPointF(t, 4), QPointF(t, 8));
            p.drawLine(QPointF(t, 24), QPointF(t, 28));
            p.drawLine(QPointF(4, t), QPointF(8, t));
            p.drawLine(QPointF(24, t), QPointF(28, t));
        }
        p.setPen(QPen(QColor(0x22, 0x22, 0x24), 1.0));
        p.setBrush(QColor(0x3A, 0x3A, 0x3E));
        p.drawRoundedRect(QRectF(7.5, 7.5, 17, 17), 2, 2);
        DrawVerticalArrow(p, 16, 9, 23, kGreen);
    });
}

}  // namespace zort
