#pragma once
// The picture control of the series windows: shows a bitmap at its own size
// (a bitmap drawn on, then Repeindre, shows the marks) and hands the mouse to
// its window. Size 0 x 0 shows nothing.
#include <QImage>
#include <QWidget>
#include <functional>

class TImageControle : public QWidget {
    Q_OBJECT
public:
    explicit TImageControle(QWidget* parent = nullptr);

    QImage Picture;
    // Mouse handlers of the window: button (Qt::MouseButton), x, y in the
    // control's pixels. Moves carry Qt::NoButton.
    std::function<void(Qt::MouseButton, int, int)> SourisEnfoncee;
    std::function<void(int, int)> SourisDeplacee;
    std::function<void(Qt::MouseButton, int, int)> SourisRelachee;

    // Shows the bitmap and takes its size.
    void FixerImage(const QImage& image);
    // Empties the picture: size 0 x 0.
    void Vider();
    // Repaints a part of the picture that was drawn on.
    void Repeindre(const QRect& zone);
    // Paint events received so far (the drag benchmark waits on it).
    long NombrePeintures() const { return FPeintures; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    long FPeintures = 0;
};
