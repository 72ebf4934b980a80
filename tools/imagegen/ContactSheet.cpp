#include "Drawing.h"
#include "ImageSets.h"

#include <QDir>
#include <QFont>
#include <QPainter>

namespace corvane::imagegen {

// A contact sheet of every image in `dir`, enlarged `scale` times on the dialog background, with
// its name under it: for looking at the set as a whole.
void Sheet(const QString& dir, const QString& out, int scale) {
    QDir folder(dir);
    const QStringList names = folder.entryList({"*.png", "*.gif"}, QDir::Files, QDir::Name);
    const int cell = 150, columns = 8;
    const int rows = (static_cast<int>(names.size()) + columns - 1) / columns;
    QImage sheet(columns * cell, rows * cell, QImage::Format_RGB32);
    sheet.fill(kBase);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QFont f("Arial");
    f.setPixelSize(11);
    p.setFont(f);
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == "129.png")
            continue;
        QImage image(folder.filePath(names[i]));
        const QRect box((i % columns) * cell, (i / columns) * cell, cell, cell);
        p.fillRect(box.adjusted(2, 2, -2, -2), kPanel);
        QSize size = image.size() * scale;
        if (size.width() > cell - 10 || size.height() > cell - 24)
            size.scale(cell - 10, cell - 24, Qt::KeepAspectRatio);
        const QRect target(box.left() + (cell - size.width()) / 2,
                           box.top() + 6 + (cell - 24 - size.height()) / 2, size.width(), size.height());
        p.drawImage(target, image);
        p.setPen(kLight);
        p.drawText(box.adjusted(0, 0, 0, -4), Qt::AlignHCenter | Qt::AlignBottom,
                   names[i] + QString(" %1x%2").arg(image.width()).arg(image.height()));
    }
    p.end();
    sheet.save(out);
}

} // namespace corvane::imagegen
