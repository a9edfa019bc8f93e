#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdlib>
#include <set>

// What the X server really shows, for window tests, the demonstration and
// the benchmarks: grabs of the root window (so the engine's own video
// window is in them) and two coarse measures of a picture.

// The whole screen.
inline QImage GrabScreen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// The part of the screen a widget covers.
inline QImage GrabArea(const QWidget* widget) {
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The number of distinct colours in a coarse sample: a black or idle video
// area has a handful, a film frame many.
inline int DistinctColours(const QImage& image) {
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 8)
        for (int x = 0; x < image.width(); x += 8) seen.insert(image.pixel(x, y) & 0xF0F0F0);
    return static_cast<int>(seen.size());
}

// Sampled pixels that differ clearly between two pictures of one size.
inline int ChangedPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height() && y < b.height(); y += 2) {
        for (int x = 0; x < a.width() && x < b.width(); x += 2) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 60) {
                ++count;
            }
        }
    }
    return count;
}
