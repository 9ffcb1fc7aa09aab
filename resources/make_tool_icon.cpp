// Draws the tool's icon: a surface pulled up into a soft bump, with the arrow of the pull. White on
// transparent, because the host tints every pixel to a colour of its interface style and keeps the alpha.
//
//   make_tool_icon OUTPUT.png [SIZE]
#include <QBrush>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <cmath>
#include <cstdio>

namespace {

// Height of the pulled surface over x in [0, 1]: a bell, highest in the middle.
double bump(double x) {
    double const d = (x - 0.5) / 0.21;
    return std::exp(-0.5 * d * d);
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // The surface seen slightly from above: three rows of the mesh, the front one strongest.
    double const rows[] = {20.0, 24.5, 29.0};
    double const heights[] = {5.0, 7.0, 9.0};
    double const alphas[] = {0.5, 0.75, 1.0};
    for (int r = 0; r < 3; ++r) {
        QPainterPath path;
        for (int i = 0; i <= 40; ++i) {
            double const x = i / 40.0;
            QPointF const pt(2.0 + 28.0 * x, rows[r] - heights[r] * bump(x));
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        QColor c(Qt::white);
        c.setAlphaF(alphas[r]);
        p.setPen(QPen(c, r == 2 ? 2.4 : 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    // Lines across the rows, so the bump reads as a mesh.
    QColor across(Qt::white);
    across.setAlphaF(0.55);
    p.setPen(QPen(across, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (double x : {0.2, 0.38, 0.5, 0.62, 0.8}) {
        QPainterPath path;
        for (int r = 0; r < 3; ++r) {
            QPointF const pt(2.0 + 28.0 * x, rows[r] - heights[r] * bump(x));
            r == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        p.drawPath(path);
    }
    // The pull: a solid arrow up from the top of the bump.
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16.0, 16.5), QPointF(16.0, 7.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(16.0, 1.5), QPointF(21.5, 9.0), QPointF(10.5, 9.0)}));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_tool_icon OUTPUT.png [SIZE]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    int const size = argc > 2 ? std::atoi(argv[2]) : 32;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "make_tool_icon: size must lie between 16 and 1024\n");
        return 2;
    }
    if (!drawIcon(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "make_tool_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
