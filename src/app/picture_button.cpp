#include "app/picture_button.h"

#include <QPainter>
#include <QPainterPath>

#include "app/win_color.h"

namespace lumo::app {

PictureButton::PictureButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), glyph_(glyph) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::SetGlyph(Glyph glyph) {
    glyph_ = glyph;
    update();
}

void PictureButton::SetGlyphForCaption(const QString& caption) {
    if (caption == QStringLiteral("播放")) {
        SetGlyph(Glyph::Play);
    } else if (caption == QStringLiteral("暂停")) {
        SetGlyph(Glyph::Pause);
    }
}

void PictureButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink = hover_ ? QColor(255, 255, 255) : WinColor(0xC0C0C0);
    if (isDown()) ink = QColor(150, 190, 255);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal s = std::min(r.width(), r.height());
    const QPointF c = r.center();
    // Glyphs are drawn in a square of side g around the centre.
    const qreal g = s * 0.55;
    const QRectF box(c.x() - g / 2, c.y() - g / 2, g, g);
    p.setPen(QPen(ink, std::max<qreal>(1.5, s / 14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink);

    auto triangle = [&](QPointF a, QPointF b, QPointF d) {
        QPainterPath path;
        path.moveTo(a);
        path.lineTo(b);
        path.lineTo(d);
        path.closeSubpath();
        p.drawPath(path);
    };

    switch (glyph_) {
    case Glyph::Play:
        triangle(box.topLeft() + QPointF(g * 0.15, 0), box.bottomLeft() + QPointF(g * 0.15, 0),
                 QPointF(box.right(), c.y()));
        break;
    case Glyph::Pause:
        p.drawRect(QRectF(box.left() + g * 0.1, box.top(), g * 0.25, g));
        p.drawRect(QRectF(box.right() - g * 0.35, box.top(), g * 0.25, g));
        break;
    case Glyph::Stop:
        p.drawRect(box.adjusted(g * 0.1, g * 0.1, -g * 0.1, -g * 0.1));
        break;
    case Glyph::Back:
        triangle(QPointF(box.left(), c.y()), QPointF(c.x(), box.top()), QPointF(c.x(), box.bottom()));
        triangle(QPointF(c.x(), c.y()), QPointF(box.right(), box.top()), QPointF(box.right(), box.bottom()));
        break;
    case Glyph::Forward:
        triangle(QPointF(box.right(), c.y()), QPointF(c.x(), box.top()), QPointF(c.x(), box.bottom()));
        triangle(QPointF(c.x(), c.y()), QPointF(box.left(), box.top()), QPointF(box.left(), box.bottom()));
        break;
    case Glyph::Volume: {
        QPainterPath path;
        path.moveTo(box.left(), c.y() - g * 0.18);
        path.lineTo(box.left() + g * 0.3, c.y() - g * 0.18);
        path.lineTo(box.left() + g * 0.6, box.top());
        path.lineTo(box.left() + g * 0.6, box.bottom());
        path.lineTo(box.left() + g * 0.3, c.y() + g * 0.18);
        path.lineTo(box.left(), c.y() + g * 0.18);
        path.closeSubpath();
        p.drawPath(path);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - g * 0.2, c.y() - g * 0.35, g * 0.7, g * 0.7), -50 * 16, 100 * 16);
        break;
    }
    case Glyph::Fullscreen: {
        p.setBrush(Qt::NoBrush);
        const qreal k = g * 0.35;
        p.drawPolyline(QPolygonF({box.topLeft() + QPointF(0, k), box.topLeft(), box.topLeft() + QPointF(k, 0)}));
        p.drawPolyline(
            QPolygonF({box.topRight() - QPointF(k, 0), box.topRight(), box.topRight() + QPointF(0, k)}));
        p.drawPolyline(
            QPolygonF({box.bottomLeft() - QPointF(0, k), box.bottomLeft(), box.bottomLeft() + QPointF(k, 0)}));
        p.drawPolyline(QPolygonF(
            {box.bottomRight() - QPointF(k, 0), box.bottomRight(), box.bottomRight() - QPointF(0, k)}));
        break;
    }
    case Glyph::Queue:
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
            qreal y = box.top() + g * (0.15 + 0.35 * i);
            p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
        }
        break;
    case Glyph::OpenFile: {
        // A folder with the caption beside it.
        QRectF folder(r.left() + 12, c.y() - 8, 22, 16);
        p.setBrush(Qt::NoBrush);
        p.drawRect(folder);
        p.drawLine(folder.topLeft() + QPointF(0, 4), folder.topRight() + QPointF(0, 4));
        p.setPen(ink);
        p.drawText(r.adjusted(40, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("打开文件"));
        break;
    }
    case Glyph::DropDown:
        triangle(QPointF(box.left(), c.y() - g * 0.2), QPointF(box.right(), c.y() - g * 0.2),
                 QPointF(c.x(), c.y() + g * 0.3));
        break;
    case Glyph::Close:
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomLeft());
        break;
    }
    if (glyph_ == Glyph::OpenFile || glyph_ == Glyph::DropDown) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1));
        p.drawRoundedRect(r, 3, 3);
    }
}

}  // namespace lumo::app
