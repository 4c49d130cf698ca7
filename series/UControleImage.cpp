#include "UControleImage.h"

#include "PApplication.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

TImageControle::TImageControle(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void TImageControle::FixerImage(const QImage& image)
{
    Picture = image;
    if (size() != image.size())
        resize(image.size());
    update();
}

void TImageControle::Vider()
{
    Picture = QImage();
    resize(0, 0);
    update();
}

void TImageControle::Repeindre(const QRect& zone)
{
    if (zone.isValid())
        update(zone);
}

void TImageControle::paintEvent(QPaintEvent* e)
{
    ++FPeintures;
    QPainter p(this);
    const QRect zone = e->rect();
    p.fillRect(zone, palette().window());
    if (!Picture.isNull())
        p.drawImage(zone.topLeft(), Picture, zone);
}

void TImageControle::mousePressEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    if (SourisEnfoncee)
        ExecuterCommande([&] { SourisEnfoncee(e->button(), pt.x(), pt.y()); });
}

void TImageControle::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    if (SourisDeplacee)
        ExecuterCommande([&] { SourisDeplacee(pt.x(), pt.y()); });
}

void TImageControle::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    if (SourisRelachee)
        ExecuterCommande([&] { SourisRelachee(e->button(), pt.x(), pt.y()); });
}
