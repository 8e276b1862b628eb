// A Wayland window painted with a pattern every pixel of which is known, for capture tests:
//   colourwindow TITLE BLUE
// The pixel at (x, y) of the window's surface is (x mod 256, y mod 256, BLUE).
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

class PatternWidget final : public QWidget {
public:
    explicit PatternWidget(int blue) : m_blue(blue) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal ratio = devicePixelRatioF();
        QImage image((size() * ratio), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb(x & 255, y & 255, m_blue);
        }
        image.setDevicePixelRatio(ratio);
        QPainter(this).drawImage(QPoint(0, 0), image);
    }

private:
    int m_blue;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    PatternWidget window(arguments.value(2).toInt());
    window.setWindowTitle(arguments.value(1));
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
