#include "widgets/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QPixmapCache>
#include <QStyleFactory>

namespace corvane {

QColor FromColorRef(std::uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

namespace theme {

QFont TitleFont() {
    QFont f("Arial");
    f.setPixelSize(18);
    f.setWeight(QFont::Bold);
    return f;
}

QFont SmallFont() {
    QFont f("Arial");
    f.setPixelSize(15);
    f.setWeight(QFont::Bold);
    return f;
}

QFont ControlFont() {
    QFont f("Arial");
    f.setPointSize(10);
    f.setWeight(QFont::Normal);
    return f;
}

} // namespace theme

QString ResourcePath(int id, const char* type) {
    const QString suffix = QString::fromLatin1(type).toLower();
    return QStringLiteral(":/images/%1.%2").arg(id).arg(suffix);
}

QPixmap ResourceImage(int id) {
    const QString key = QStringLiteral("corvane-image-%1").arg(id);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap.load(ResourcePath(id));
        if (!pixmap.isNull() && id != images::kBackground)
            QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QMargins StretchMargins(int id) {
    switch (id) {
    case images::kSmallButton:
    case images::kSmallButtonOn:
    case images::kSmallButtonHot:
    case images::kButton:
    case images::kButtonHot:
    case images::kButtonAlt:
    case images::kButtonAltHot:
    case images::kButtonOn:
    case images::kWideButton:
    case images::kWideButtonHot:
    case images::kLayerOff:
    case images::kLayerOn:
        return QMargins(6, 6, 6, 6);
    case images::kTab:
    case images::kTabOn:
        return QMargins(6, 6, 6, 2);
    case images::kChannel:
    case images::kChannelFilled:
        return QMargins(4, 0, 4, 0);
    case images::kChannelVertical:
    case images::kChannelVerticalFilled:
        return QMargins(0, 4, 0, 4);
    default:
        return QMargins();
    }
}

void ApplyApplicationTheme(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor background(theme::kBackground);
    const QColor text(theme::kStaticText);
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::AlternateBase, QColor(theme::kPanel));
    p.setColor(QPalette::Text, QColor(theme::kOrange));
    p.setColor(QPalette::Button, QColor(theme::kPanel));
    p.setColor(QPalette::ButtonText, QColor(theme::kInactive));
    p.setColor(QPalette::Highlight, QColor(theme::kOrange));
    p.setColor(QPalette::HighlightedText, background);
    p.setColor(QPalette::ToolTipBase, QColor(theme::kPanel));
    p.setColor(QPalette::ToolTipText, QColor(theme::kInactive));
    p.setColor(QPalette::PlaceholderText, QColor(theme::kDisabledText));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(theme::kDisabledText));
    app.setPalette(p);
    app.setFont(theme::ControlFont());
}

} // namespace corvane
