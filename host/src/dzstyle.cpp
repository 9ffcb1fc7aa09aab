#include "dzstyle.h"

#include "dzapp.h"

#include <QColor>
#include <QImage>
#include <QPixmap>

DzStyle::DzStyle(QString const& definition, QPalette const& colors, QObject* parent)
    : QObject(parent), m_definition(definition), m_colors(colors) {}

DzStyle::~DzStyle() = default;

void DzStyle::setColors(QPalette const& colors) {
    if (colors == m_colors)
        return;
    m_colors = colors;
    emit interfaceColorsChanged();
}

void DzStyle::adjustHSV(QPixmap& pixmap, QColor const& color) const {
    if (pixmap.isNull())
        return;
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int const hue = color.hsvHue() < 0 ? 0 : color.hsvHue();
    int const sat = color.hsvSaturation();
    int const val = color.value();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QColor c = QColor::fromRgba(line[x]);
            QColor tinted = QColor::fromHsv(hue, sat, c.value() * val / 255, c.alpha());
            line[x] = tinted.rgba();
        }
    }
    pixmap = QPixmap::fromImage(image);
}

void DzApp::addStyle(DzStyle* style) {
    if (!style || m_styles.contains(style))
        return;
    m_styles.append(style);
    connect(style, &QObject::destroyed, this, [this, style] {
        m_styles.removeOne(style);
        if (m_style != style)
            return;
        m_style = m_styles.value(0);
        if (m_style)
            emit styleChanged(m_style);
    });
}
