// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the pause picture and the program icons: a yellow smiling face on a
// light grey ground that brightens towards the middle, and the face alone at
// every size the icon theme wants, plus a scalable one, and the Windows icon
// made of those sizes. Run by hand when the pictures change; the results are
// committed beside this file.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <iterator>

namespace {

// The face's proportions, shared by the painted and the scalable drawing.
constexpr double outlineWidth = 0.06;
constexpr double eyeX = 0.36, eyeY = 0.28, eyeRadiusX = 0.11, eyeRadiusY = 0.16;
constexpr double mouthLeft = 0.55, mouthTop = 0.35, mouthWidth = 1.1, mouthHeight = 1.0;
constexpr double smileStart = 200, smileSweep = 140, smileWidth = 0.1;
constexpr int iconSizes[] = {TARVELIN_ICON_SIZES};

void drawFace(QPainter &painter, QPointF centre, double radius)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x8a, 0x6d, 0x00), radius * outlineWidth));
    painter.setBrush(QColor(0xff, 0xd7, 0x1f));
    painter.drawEllipse(centre, radius, radius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3a, 0x2a, 0x00));
    for (const double side : {-1.0, 1.0})
        painter.drawEllipse(centre + QPointF(side * eyeX * radius, -eyeY * radius), radius * eyeRadiusX,
                            radius * eyeRadiusY);

    QPainterPath smile;
    const QRectF mouth(centre.x() - radius * mouthLeft, centre.y() - radius * mouthTop, radius * mouthWidth,
                       radius * mouthHeight);
    smile.arcMoveTo(mouth, smileStart);
    smile.arcTo(mouth, smileStart, smileSweep);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x3a, 0x2a, 0x00), radius * smileWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(smile);
}

// The same face as SVG text, on a 256 by 256 canvas.
QString scalableFace()
{
    const double c = 128, r = 116;
    const QRectF mouth(c - r * mouthLeft, c - r * mouthTop, r * mouthWidth, r * mouthHeight);
    QPainterPath arc;
    arc.arcMoveTo(mouth, smileStart);
    const QPointF from = arc.currentPosition();
    arc.arcMoveTo(mouth, smileStart + smileSweep);
    const QPointF to = arc.currentPosition();
    const auto n = [](double v) { return QString::number(v, 'f', 2); };
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        << "  <circle cx=\"" << n(c) << "\" cy=\"" << n(c) << "\" r=\"" << n(r) << "\" fill=\"#ffd71f\" stroke=\"#8a6d00\""
        << " stroke-width=\"" << n(r * outlineWidth) << "\"/>\n";
    for (const double side : {-1.0, 1.0})
        out << "  <ellipse cx=\"" << n(c + side * eyeX * r) << "\" cy=\"" << n(c - eyeY * r) << "\" rx=\""
            << n(r * eyeRadiusX) << "\" ry=\"" << n(r * eyeRadiusY) << "\" fill=\"#3a2a00\"/>\n";
    // Left to right through the bottom: counter-clockwise on screen, so sweep flag 0.
    out << "  <path d=\"M " << n(from.x()) << ' ' << n(from.y()) << " A " << n(mouth.width() / 2) << ' '
        << n(mouth.height() / 2) << " 0 0 0 " << n(to.x()) << ' ' << n(to.y()) << "\" fill=\"none\""
        << " stroke=\"#3a2a00\" stroke-width=\"" << n(r * smileWidth) << "\" stroke-linecap=\"round\"/>\n"
        << "</svg>\n";
    return svg;
}

QImage pausePicture()
{
    QImage image(150, 112, QImage::Format_RGB32);
    QPainter painter(&image);
    QRadialGradient ground(QPointF(75, 56), 95);
    ground.setColorAt(0, QColor(0xf4, 0xf4, 0xf4));
    ground.setColorAt(1, QColor(0xb8, 0xb8, 0xb8));
    painter.fillRect(image.rect(), ground);
    drawFace(painter, QPointF(75, 56), 40);
    return image;
}

QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawFace(painter, QPointF(size / 2.0, size / 2.0), size * 116.0 / 256.0);
    return image;
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// A Windows icon file holding each size as PNG, as Windows has read them since Vista.
QByteArray windowsIcon(const QString &folder)
{
    QByteArray header;
    QByteArray images;
    const auto put16 = [&header](quint16 v) { header.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) { put16(quint16(v & 0xffff)); put16(quint16(v >> 16)); };
    put16(0); // reserved
    put16(1); // an icon, not a cursor
    put16(quint16(std::size(iconSizes)));
    const quint32 firstImage = 6 + 16 * quint32(std::size(iconSizes));
    for (const int size : iconSizes) {
        QFile png(folder + QStringLiteral("/icons/%1.png").arg(size));
        if (!png.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = png.readAll();
        header.append(char(size >= 256 ? 0 : size)).append(char(size >= 256 ? 0 : size)); // 0 stands for 256
        header.append(char(0)).append(char(0)); // no palette; reserved
        put16(1);  // colour planes
        put16(32); // bits per pixel
        put32(quint32(data.size()));
        put32(firstImage + quint32(images.size()));
        images.append(data);
    }
    return header + images;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = pausePicture().save(folder + QStringLiteral("/pause.jpg"), "JPEG", 60)
              && writeText(folder + QStringLiteral("/icons/scalable.svg"), scalableFace());
    for (const int size : iconSizes)
        ok = ok && icon(size).save(folder + QStringLiteral("/icons/%1.png").arg(size), "PNG");
    const QByteArray ico = ok ? windowsIcon(folder) : QByteArray();
    QFile icoFile(folder + QStringLiteral("/icons/tarvelin.ico"));
    ok = !ico.isEmpty() && icoFile.open(QIODevice::WriteOnly | QIODevice::Truncate) && icoFile.write(ico) == ico.size();
    if (!ok)
        std::fprintf(stderr, "could not write the pictures to %s\n", qPrintable(folder));
    return ok ? 0 : 1;
}
