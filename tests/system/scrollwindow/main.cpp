// A Qt Widgets window that scrolls a tall document of known pixels (see
// harness/ScrollPattern.h) and repaints on every scroll, as Qt programs do:
// scrollwindow X Y VIEWPORT_WIDTH VIEWPORT_HEIGHT DOCUMENT_HEIGHT TITLE
#include "harness/ScrollPattern.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 7) {
        std::fprintf(stderr, "usage: scrollwindow X Y WIDTH HEIGHT DOCUMENT_HEIGHT TITLE\n");
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int width = std::atoi(argv[3]);
    const int height = std::atoi(argv[4]);
    const int documentHeight = std::atoi(argv[5]);

    QImage document(width, documentHeight, QImage::Format_RGB32);
    for (int row = 0; row < documentHeight; ++row) {
        auto* line = reinterpret_cast<QRgb*>(document.scanLine(row));
        for (int column = 0; column < width; ++column)
            line[column] = 0xff000000 | vistrel::test::scrollPatternColour(column, row);
    }
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(document));
    label->setFixedSize(document.size());
    label->setContentsMargins(0, 0, 0, 0);

    QScrollArea area;
    area.setWindowTitle(QString::fromLocal8Bit(argv[6]));
    area.setFrameShape(QFrame::NoFrame);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area.setWidget(label);
    area.resize(width + area.verticalScrollBar()->sizeHint().width(), height);
    area.move(x, y);
    area.show();
    return app.exec();
}
