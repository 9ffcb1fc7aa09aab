#include "pf_falloff_pictures.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "pf_falloff.h"

namespace {

QColor const kBackground(0x3c, 0x3c, 0x3c);
QColor const kShapeTop(0xdc, 0xdc, 0xdc);
QColor const kShapeBottom(0x9a, 0x9a, 0x9a);
QColor const kEdge(0xf2, 0xf2, 0xf2);
QColor const kRadiusMark(0x5a, 0x5a, 0x5a);

// The picture spans this many radii on each side of the centre, so that the drop to zero at the radius shows.
double const kReach = 1.15;
// Weight 1 sits this far below the top edge, weight 0 this far above the bottom edge.
double const kMarginTop = 10.0;
double const kMarginBottom = 8.0;
// The random curve gets one value per run of this many pixels on each side: one per pixel would read as a
// grey blur at the size the pane shows.
int const kRandomRun = 9;
unsigned const kRandomSeed = 20200914u;

}  // namespace

QString PfFalloffPictureFileName(PfFalloffMode mode) {
    switch (mode) {
        case PfFalloffMode::SmoothCurve:
            return QStringLiteral("01-smooth-curve.png");
        case PfFalloffMode::Sphere:
            return QStringLiteral("02-sphere.png");
        case PfFalloffMode::InverseSquare:
            return QStringLiteral("03-inverse-square.png");
        case PfFalloffMode::Sharp:
            return QStringLiteral("04-sharp.png");
        case PfFalloffMode::Linear:
            return QStringLiteral("05-linear.png");
        case PfFalloffMode::Constant:
            return QStringLiteral("06-constant.png");
        case PfFalloffMode::Random:
            return QStringLiteral("07-random.png");
    }
    return QString();
}

QImage PfDrawFalloffPicture(PfFalloffMode mode) {
    // The random curve seeds the C generator on its first draw unless told it is seeded; seeding here makes
    // the picture reproducible.
    bool seeded = true;
    PfFalloffCurve const curve = PfGetFalloffCurve(mode, &seeded);
    if (!curve)
        return QImage();
    if (mode == PfFalloffMode::Random)
        std::srand(kRandomSeed);

    int const width = PF_FALLOFF_PICTURE_WIDTH;
    int const height = PF_FALLOFF_PICTURE_HEIGHT;
    double const centre = width / 2.0;
    double const baseline = height - kMarginBottom;
    double const scale = baseline - kMarginTop;

    // One weight per pixel column of the right half, distance measured at the column's centre; the left half
    // is its mirror image.
    int const half = width / 2;
    std::vector<double> weights(size_t(half), 0.0);
    double runWeight = 0.0;
    for (int column = 0; column < half; ++column) {
        double const x = (column + 0.5) / half * kReach;
        if (x >= 1.0)
            break;
        if (mode == PfFalloffMode::Random) {
            if (column % kRandomRun == 0)
                runWeight = curve(x);
            weights[size_t(column)] = runWeight;
        } else {
            weights[size_t(column)] = curve(x);
        }
    }

    // Left edge, the mirrored half, the right half, right edge: one point at each column's centre.
    QPolygonF outline;
    outline << QPointF(0.0, baseline);
    for (int column = half - 1; column >= 0; --column)
        outline << QPointF(centre - column - 0.5, baseline - scale * weights[size_t(column)]);
    for (int column = 0; column < half; ++column)
        outline << QPointF(centre + column + 0.5, baseline - scale * weights[size_t(column)]);
    outline << QPointF(width, baseline);

    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Where the radius ends, on both sides.
    double const radiusOffset = half / kReach;
    painter.setPen(QPen(kRadiusMark, 2.0, Qt::DashLine));
    painter.drawLine(QPointF(centre - radiusOffset, kMarginTop), QPointF(centre - radiusOffset, baseline));
    painter.drawLine(QPointF(centre + radiusOffset, kMarginTop), QPointF(centre + radiusOffset, baseline));

    QLinearGradient shade(0.0, kMarginTop, 0.0, baseline);
    shade.setColorAt(0.0, kShapeTop);
    shade.setColorAt(1.0, kShapeBottom);
    QPainterPath shape;
    shape.addPolygon(outline);
    shape.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.fillPath(shape, shade);

    // The curve itself, brighter, without the baseline and the sides.
    painter.setPen(QPen(kEdge, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(outline.mid(1, outline.size() - 2));
    painter.end();
    return image;
}

QImage PfDrawCogIcon() {
    int const size = 32;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(size / 2.0, size / 2.0);

    int const teeth = 8;
    double const outer = 15.0;
    double const inner = 11.0;
    double const toothHalf = M_PI / teeth * 0.5;  // half a tooth's angular width at its tip
    QPainterPath cog;
    for (int tooth = 0; tooth < teeth; ++tooth) {
        double const mid = 2.0 * M_PI * tooth / teeth;
        double const gapHalf = M_PI / teeth - toothHalf;
        QPointF const points[] = {
            QPointF(inner * std::cos(mid - toothHalf - gapHalf * 0.6),
                    inner * std::sin(mid - toothHalf - gapHalf * 0.6)),
            QPointF(outer * std::cos(mid - toothHalf), outer * std::sin(mid - toothHalf)),
            QPointF(outer * std::cos(mid + toothHalf), outer * std::sin(mid + toothHalf)),
            QPointF(inner * std::cos(mid + toothHalf + gapHalf * 0.6),
                    inner * std::sin(mid + toothHalf + gapHalf * 0.6)),
        };
        if (tooth == 0)
            cog.moveTo(points[0]);
        else
            cog.lineTo(points[0]);
        for (int i = 1; i < 4; ++i) cog.lineTo(points[i]);
    }
    cog.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(0.0, 0.0), 4.5, 4.5);
    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.0));
    painter.setBrush(QColor(0xd0, 0xd0, 0xd0));
    painter.drawPath(cog.subtracted(hole));
    painter.end();
    return image;
}

void PfInitImageResources() {
    // Pulls the resource object out of the static library and registers it; Qt counts repeated calls.
    static bool const registered = [] {
        Q_INIT_RESOURCE(pf_images);
        return true;
    }();
    (void)registered;
}
