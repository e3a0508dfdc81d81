#include "app/widgets/icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace kerfolio {
namespace {

// Paints on a 16 x 16 grid scaled to the requested size.
using Drawing = std::function<void(QPainter&)>;

class PaintedIcon : public QIconEngine {
  public:
    explicit PaintedIcon(Drawing drawing) : drawing_(std::move(drawing)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled) painter->setOpacity(0.4);
        drawing_(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PaintedIcon(drawing_); }

  private:
    Drawing drawing_;
};

QIcon Painted(Drawing drawing) {
    return QIcon(new PaintedIcon(std::move(drawing)));
}

}  // namespace

QIcon EstimateIcon() {
    return Painted([](QPainter& p) {
        p.setPen(QPen(QColor(0x1F, 0x4E, 0x8C), 1.4));
        p.setBrush(QColor(0xF4, 0xF8, 0xFF));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 10));
    });
}

QIcon CancelIcon() {
    return Painted([](QPainter& p) {
        p.setPen(QPen(QColor(0xC6, 0x28, 0x28), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
}

QIcon PropertiesIcon() {
    return Painted([](QPainter& p) {
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
        p.setBrush(QColor(0xFF, 0xFB, 0xE8));
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 1.2));
        for (const double y : {4.5, 7.5, 10.5})
            p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    });
}

QIcon WindowIcon() {
    return Painted([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1F, 0x3A, 0x5F));
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        // The contour already cut, and the wire standing in it.
        QPainterPath contour;
        contour.moveTo(3, 12);
        contour.lineTo(3, 6);
        contour.lineTo(6, 4);
        contour.lineTo(9, 6);
        p.setPen(QPen(QColor(0xFF, 0xC1, 0x07), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(contour);
        p.setPen(QPen(Qt::white, 1));
        p.drawLine(QPointF(9, 2), QPointF(9, 14));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(9, 6), 1.3, 1.3);
    });
}

}  // namespace kerfolio
