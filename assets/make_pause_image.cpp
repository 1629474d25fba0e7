// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the pause picture and the program icon: a yellow smiling face on a
// light grey ground that brightens towards the middle. Run by hand when the
// pictures change; the results are committed beside this file.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <cstdio>

namespace {

void drawFace(QPainter &painter, QPointF centre, double radius)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x8a, 0x6d, 0x00), radius * 0.06));
    painter.setBrush(QColor(0xff, 0xd7, 0x1f));
    painter.drawEllipse(centre, radius, radius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3a, 0x2a, 0x00));
    const double eyeX = radius * 0.36;
    const double eyeY = radius * 0.28;
    painter.drawEllipse(centre + QPointF(-eyeX, -eyeY), radius * 0.11, radius * 0.16);
    painter.drawEllipse(centre + QPointF(eyeX, -eyeY), radius * 0.11, radius * 0.16);

    QPainterPath smile;
    const QRectF mouth(centre.x() - radius * 0.55, centre.y() - radius * 0.35, radius * 1.1, radius * 1.0);
    smile.arcMoveTo(mouth, 200);
    smile.arcTo(mouth, 200, 140);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x3a, 0x2a, 0x00), radius * 0.1, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(smile);
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

QImage icon()
{
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawFace(painter, QPointF(128, 128), 116);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = pausePicture().save(folder + QStringLiteral("/pause.jpg"), "JPEG", 60)
                    && icon().save(folder + QStringLiteral("/tarvelin.png"), "PNG");
    if (!ok)
        std::fprintf(stderr, "could not write the pictures to %s\n", qPrintable(folder));
    return ok ? 0 : 1;
}
