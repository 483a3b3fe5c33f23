// Draws the program icon and the four suit icons as vector art and writes
// them as PNGs (and the program icon once more as SVG) into one folder:
//
//   tw_icon_renderer <folder>
//
// program-<N>.png for every desktop size, program.svg, and heart.png,
// club.png, diamond.png and spade.png at 32 pixels.
//
// The icon is two fanned cards, a blue back and a heart face, with an orange
// arrow falling onto them. From 32 pixels up it is one drawing scaled to fit;
// at 16 and 24 pixels tilted edges and lattice lines only turn to mush, so
// those sizes get their own upright, pixel-aligned drawing of the same idea.
//
// Everything is reduced to filled outlines before it is painted, so the same
// shapes can be written to a PNG through QPainter or to an SVG as paths.
// No fonts are used, so the output is the same on every machine.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QString>
#include <QTextStream>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cards32/CardMetrics.h"
#include "cards32/linux/Palette.h"
#include "cards32/linux/SuitShapes.h"

namespace {

using cards32::Suit;
using cards32::SuitShapes;

// A fill is either one colour or a two-stop linear gradient between two
// points in the drawing's own coordinates.
struct Fill {
    QColor from;
    QColor to;
    QPointF start;
    QPointF end;

    static Fill Solid(QColor colour) { return {colour, colour, {}, {}}; }
    static Fill Gradient(QColor from, QColor to, QPointF start, QPointF end) { return {from, to, start, end}; }
    bool IsSolid() const { return from == to; }
};

struct Shape {
    QPainterPath path;
    Fill fill;
};

// A drawing: filled outlines in painting order, in a square coordinate
// space of `extent` units.
struct Drawing {
    double extent = 32.0;
    std::vector<Shape> shapes;

    void Add(const QPainterPath& path, const Fill& fill) { shapes.push_back({path, fill}); }
    void Add(const QPainterPath& path, QColor colour) { Add(path, Fill::Solid(colour)); }
    // Strokes become outlines too, which keeps both writers to one primitive.
    void Stroke(const QPainterPath& path, QColor colour, double width)
    {
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setCapStyle(Qt::FlatCap);
        Add(stroker.createStroke(path), colour);
    }
};

// The colours are the cards' own, so the icon matches the back and the
// hearts the player sees in the game.
const QColor kBackLight{0x3C, 0x6C, 0xD8};
const QColor kBack = cards32::palette::kBlue;
const QColor kBackDark{0x12, 0x26, 0x62};
const QColor kLattice{0x8C, 0xAE, 0xF2};
const QColor kFace{0xFF, 0xFF, 0xFF};
const QColor kFaceShade{0xE2, 0xE6, 0xEE};
const QColor kFaceEdge{0x30, 0x34, 0x3C};
const QColor kHeart = cards32::palette::kRed;
const QColor kHeartDark{0x84, 0x08, 0x1C};
const QColor kArrowLight{0xFF, 0xB4, 0x3C};
const QColor kArrow{0xF2, 0x7A, 0x0A};
const QColor kArrowDark{0x8C, 0x38, 0x00};
const QColor kShadow{0x00, 0x00, 0x00, 0x40};

QPainterPath RoundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The falling arrow, pointing down, its tip at (x, tip).
QPainterPath Arrow(double x, double top, double tip, double shaftWidth, double headWidth, double headHeight)
{
    const double neck = tip - headHeight;
    QPainterPath path;
    path.moveTo(x - shaftWidth / 2, top);
    path.lineTo(x + shaftWidth / 2, top);
    path.lineTo(x + shaftWidth / 2, neck);
    path.lineTo(x + headWidth / 2, neck);
    path.lineTo(x, tip);
    path.lineTo(x - headWidth / 2, neck);
    path.lineTo(x - shaftWidth / 2, neck);
    path.closeSubpath();
    return path;
}

// The drawing for 32 pixels and up, in 32 units. `pixel` is the size of one
// device pixel in units, so that edges stay one or more real pixels wide and
// detail appears only where there is room for it.
Drawing LargeProgramIcon(double pixel)
{
    Drawing d;
    d.extent = 32.0;
    const bool roomy = pixel <= 0.5; // 64 pixels and up
    const double edge = std::max(pixel, 0.75);
    const QRectF card(-7.25, -10.25, 14.5, 20.5);
    const double radius = 1.9;

    QTransform backPlace;
    backPlace.translate(11.0, 20.0).rotate(-13.0);
    QTransform facePlace;
    facePlace.translate(19.6, 20.6).rotate(9.0);

    if (roomy) {
        const QTransform nudge = QTransform::fromTranslate(0.5, 0.7);
        d.Add((backPlace * nudge).map(RoundedRect(card, radius)), kShadow);
        d.Add((facePlace * nudge).map(RoundedRect(card, radius)), kShadow);
    }

    // The back: a blue card with a light frame and, where it shows, a lattice.
    const QPainterPath back = backPlace.map(RoundedRect(card, radius));
    d.Add(back, Fill::Gradient(kBackLight, kBack, backPlace.map(QPointF(0, -10)), backPlace.map(QPointF(0, 10))));
    const QRectF inner = card.adjusted(2.0, 2.0, -2.0, -2.0);
    if (pixel <= 1.0) {
        QPainterPath lattice;
        const double step = roomy ? 2.4 : 3.2;
        for (double t = -30.0; t <= 30.0; t += step) {
            lattice.moveTo(inner.left() + t, inner.top());
            lattice.lineTo(inner.left() + t + inner.height(), inner.bottom());
            lattice.moveTo(inner.right() - t, inner.top());
            lattice.lineTo(inner.right() - t - inner.height(), inner.bottom());
        }
        QPainterPathStroker stroker;
        stroker.setWidth(roomy ? 0.35 : 0.5);
        QPainterPath lines = stroker.createStroke(lattice).intersected(RoundedRect(inner, 0.6));
        d.Add(backPlace.map(lines), QColor(kLattice.red(), kLattice.green(), kLattice.blue(), 0xB0));
    }
    d.Stroke(backPlace.map(RoundedRect(inner, 0.6)), kLattice, std::max(pixel, 0.5));
    d.Stroke(back, kBackDark, edge);

    // The face: a white card with a heart in its middle and, where there is
    // room, small hearts in two corners.
    const QPainterPath face = facePlace.map(RoundedRect(card, radius));
    d.Add(face, Fill::Gradient(kFace, kFaceShade, facePlace.map(QPointF(-7, -10)), facePlace.map(QPointF(7, 10))));
    const QPainterPath heart = SuitShapes::path(Suit::Hearts, QRectF(-4.6, -3.6, 9.2, 8.6));
    d.Add(facePlace.map(heart), Fill::Gradient(QColor(0xF0, 0x30, 0x40), kHeart, facePlace.map(QPointF(-3, -3)),
                                               facePlace.map(QPointF(3, 4))));
    if (roomy) {
        d.Stroke(facePlace.map(heart), kHeartDark, pixel);
        const QPainterPath pip = SuitShapes::path(Suit::Hearts, QRectF(-5.9, -8.9, 2.6, 2.6));
        d.Add(facePlace.map(pip), kHeart);
        d.Add(facePlace.map(QTransform().rotate(180).map(pip)), kHeart);
    }
    d.Stroke(face, kFaceEdge, edge);

    // The arrow falls onto the face card from the top edge of the icon.
    const QPainterPath arrow = Arrow(23.0, 0.6, 12.4, 4.2, 10.4, 5.6);
    if (roomy) {
        d.Add(QTransform::fromTranslate(0.4, 0.6).map(arrow), kShadow);
    }
    d.Add(arrow, Fill::Gradient(kArrowLight, kArrow, QPointF(20, 0), QPointF(26, 12)));
    d.Stroke(arrow, kArrowDark, edge);
    return d;
}

// The drawing for 16 and 24 pixels, in pixels: upright cards, every edge on
// a pixel boundary, and a heart made of whole pixels.
Drawing SmallProgramIcon(int size)
{
    Drawing d;
    d.extent = size;
    const bool sixteen = size < 20;

    // Rectangles from their top left to their bottom right pixel edge.
    const QRectF back = sixteen ? QRectF(QPointF(0, 3), QPointF(10, 15)) : QRectF(QPointF(1, 5), QPointF(14, 22));
    const QRectF face = sixteen ? QRectF(QPointF(6, 5), QPointF(16, 16)) : QRectF(QPointF(10, 7), QPointF(23, 24));

    auto box = [](const QRectF& rect) {
        QPainterPath path;
        path.addRect(rect);
        return path;
    };
    auto frame = [&](const QRectF& rect, QColor edge) {
        d.Add(box(rect).subtracted(box(rect.adjusted(1, 1, -1, -1))), edge);
    };

    d.Add(box(back), Fill::Gradient(kBackLight, kBack, back.topLeft(), back.bottomLeft()));
    // A light frame a pixel in from the edge reads as a card back where no
    // lattice fits; at 24 pixels a cross inside it hints at one.
    d.Add(box(back.adjusted(2, 2, -2, -2)).subtracted(box(back.adjusted(3, 3, -3, -3))), kLattice);
    if (!sixteen) {
        const QRectF in = back.adjusted(3, 3, -3, -3);
        QPainterPath cross;
        cross.moveTo(in.topLeft());
        cross.lineTo(in.bottomRight());
        cross.moveTo(in.topRight());
        cross.lineTo(in.bottomLeft());
        QPainterPathStroker stroker;
        stroker.setWidth(1.0);
        d.Add(stroker.createStroke(cross).intersected(box(in)),
              QColor(kLattice.red(), kLattice.green(), kLattice.blue(), 0x90));
    }
    frame(back, kBackDark);

    d.Add(box(face), kFace);
    frame(face, kFaceEdge);

    // The heart and the arrow, pixel by pixel, centred on the face card.
    const std::vector<const char*> heart = sixteen ? std::vector<const char*>{
        "XX..XX",
        "XXXXXX",
        "XXXXXX",
        ".XXXX.",
        "..XX..",
    } : std::vector<const char*>{
        ".XXX.XXX.",
        "XXXXXXXXX",
        "XXXXXXXXX",
        "XXXXXXXXX",
        ".XXXXXXX.",
        "..XXXXX..",
        "...XXX...",
        "....X....",
    };
    // O is the arrow's orange, D its darker edge.
    const std::vector<const char*> arrow = sixteen ? std::vector<const char*>{
        "..OO..",
        "..OO..",
        "..OO..",
        "DOOOOD",
        ".DOOD.",
        "..DD..",
    } : std::vector<const char*>{
        "...DOD...",
        "...DOD...",
        "...DOD...",
        "...DOD...",
        "DDDDODDDD",
        ".DOOOOOD.",
        "..DOOOD..",
        "...DOD...",
        "....D....",
    };
    auto pixels = [](const std::vector<const char*>& rows, double left, double top, char which) {
        QPainterPath path;
        for (std::size_t y = 0; y < rows.size(); ++y) {
            for (std::size_t x = 0; rows[y][x] != '\0'; ++x) {
                if (rows[y][x] == which) {
                    path.addRect(left + x, top + y, 1, 1);
                }
            }
        }
        return path.simplified();
    };
    auto centred = [&face](const std::vector<const char*>& rows) {
        return face.left() + std::floor((face.width() - static_cast<double>(std::strlen(rows[0]))) / 2);
    };
    const double heartTop = face.top() + std::floor((face.height() - static_cast<double>(heart.size())) / 2) + 1;
    d.Add(pixels(heart, centred(heart), heartTop, 'X'), kHeart);
    const double arrowTop = 0;
    const double arrowBottom = arrowTop + static_cast<double>(arrow.size());
    d.Add(pixels(arrow, centred(arrow), arrowTop, 'O'),
          Fill::Gradient(kArrowLight, kArrow, QPointF(0, arrowTop), QPointF(0, arrowBottom)));
    d.Add(pixels(arrow, centred(arrow), arrowTop, 'D'), kArrowDark);
    return d;
}

Drawing ProgramIcon(int size)
{
    return size < 32 ? SmallProgramIcon(size) : LargeProgramIcon(32.0 / size);
}

Drawing SuitIcon(Suit suit)
{
    Drawing d;
    d.extent = 32.0;
    d.Add(SuitShapes::path(suit, QRectF(3.0, 2.5, 26.0, 27.0)), cards32::suitColor(suit));
    return d;
}

QImage Render(const Drawing& drawing, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / drawing.extent, size / drawing.extent);
    painter.setPen(Qt::NoPen);
    for (const Shape& shape : drawing.shapes) {
        if (shape.fill.IsSolid()) {
            painter.setBrush(shape.fill.from);
        } else {
            QLinearGradient gradient(shape.fill.start, shape.fill.end);
            gradient.setColorAt(0.0, shape.fill.from);
            gradient.setColorAt(1.0, shape.fill.to);
            painter.setBrush(gradient);
        }
        painter.drawPath(shape.path);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString SvgColour(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

QString SvgPath(const QPainterPath& path)
{
    QString d;
    QTextStream out(&d);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement: out << (i > 0 ? "Z" : "") << 'M' << e.x << ' ' << e.y; break;
        case QPainterPath::LineToElement: out << 'L' << e.x << ' ' << e.y; break;
        case QPainterPath::CurveToElement: out << 'C' << e.x << ' ' << e.y; break;
        case QPainterPath::CurveToDataElement: out << ' ' << e.x << ' ' << e.y; break;
        }
    }
    out << 'Z';
    out.flush();
    return d;
}

QString Svg(const Drawing& drawing)
{
    QString defs;
    QTextStream gradients(&defs);
    QString paths;
    QTextStream out(&paths);
    for (QTextStream* stream : {&gradients, &out}) {
        stream->setRealNumberPrecision(5);
    }
    int count = 0;
    for (const Shape& shape : drawing.shapes) {
        QString fill;
        QString opacity;
        if (shape.fill.IsSolid()) {
            fill = SvgColour(shape.fill.from);
            if (shape.fill.from.alpha() != 255) {
                opacity = QStringLiteral(" fill-opacity=\"%1\"").arg(shape.fill.from.alphaF(), 0, 'g', 3);
            }
        } else {
            const QString id = QStringLiteral("g%1").arg(++count);
            gradients << "<linearGradient id=\"" << id << "\" gradientUnits=\"userSpaceOnUse\" x1=\""
                      << shape.fill.start.x() << "\" y1=\"" << shape.fill.start.y() << "\" x2=\"" << shape.fill.end.x()
                      << "\" y2=\"" << shape.fill.end.y() << "\">\n<stop offset=\"0\" stop-color=\""
                      << SvgColour(shape.fill.from) << "\"/>\n<stop offset=\"1\" stop-color=\""
                      << SvgColour(shape.fill.to) << "\"/>\n</linearGradient>\n";
            fill = QStringLiteral("url(#%1)").arg(id);
        }
        const char* rule = shape.path.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd";
        out << "<path fill=\"" << fill << "\"" << opacity << " fill-rule=\"" << rule << "\" d=\""
            << SvgPath(shape.path) << "\"/>\n";
    }
    gradients.flush();
    out.flush();
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                          "viewBox=\"0 0 %1 %1\">\n<defs>\n%2</defs>\n%3</svg>\n")
        .arg(drawing.extent)
        .arg(defs, paths);
}

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "tw_icon_renderer: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tw_icon_renderer <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        ok = Save(Render(ProgramIcon(size), size), QStringLiteral("%1/program-%2.png").arg(folder).arg(size)) && ok;
    }
    QFile svg(folder + QStringLiteral("/program.svg"));
    if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        svg.write(Svg(LargeProgramIcon(0.125)).toUtf8());
    } else {
        std::fprintf(stderr, "tw_icon_renderer: cannot write %s\n", qPrintable(svg.fileName()));
        ok = false;
    }
    const struct {
        Suit suit;
        const char* name;
    } suits[] = {{Suit::Hearts, "heart"}, {Suit::Clubs, "club"}, {Suit::Diamonds, "diamond"}, {Suit::Spades, "spade"}};
    for (const auto& [suit, name] : suits) {
        ok = Save(Render(SuitIcon(suit), 32), QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name))) && ok;
    }
    return ok ? 0 : 1;
}
