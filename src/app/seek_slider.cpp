#include "app/seek_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace lumo::app {

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    connect(this, &QSlider::sliderMoved, this, &SeekSlider::UserSeek);
}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() <= minimum()) {
        QSlider::mousePressEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (handle.contains(event->position().toPoint())) {
        // A press on the handle starts a drag.
        QSlider::mousePressEvent(event);
        return;
    }
    const int span = width() - handle.width();
    const int x = static_cast<int>(event->position().x()) - handle.width() / 2;
    const int value = QStyle::sliderValueFromPosition(minimum(), maximum(), x, span > 0 ? span : 1);
    setValue(value);
    emit UserSeek(value);
    event->accept();
}

}  // namespace lumo::app
