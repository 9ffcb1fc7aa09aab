#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

class QColor;
class QPixmap;

// Values of the host's text styles; custom ones lie from CustomTextBase on.
class DzStyleInterface {
public:
    enum TextStyle : unsigned int { DefaultText = 0, HeadingText = 1, CustomTextBase = 0xF0000000u };
};

// One interface style of the host: a name and a palette.
class DzStyle : public QObject {
    Q_OBJECT
public:
    DzStyle(QString const& definition, QPalette const& colors, QObject* parent = nullptr);
    ~DzStyle() override;

    // The style's name, as the user picks it.
    QString getStyleDefinition() const { return m_definition; }
    QPalette getColors() const { return m_colors; }
    // Emits interfaceColorsChanged() when the palette differs.
    void setColors(QPalette const& colors);

    // Tints the pixmap in place: every pixel takes the colour's hue and saturation, keeps its own alpha, and
    // its value is scaled by the colour's.
    void adjustHSV(QPixmap& pixmap, QColor const& color) const;

signals:
    void interfaceColorsChanged();

private:
    QString m_definition;
    QPalette m_colors;
};
