#include "widgets/CGdipButton.h"

#include "widgets/Accessible.h"
#include "widgets/Theme.h"

#include <QDynamicPropertyChangeEvent>
#include <QPainter>
#include <QStringList>
#include <qdrawutil.h>

namespace corvane {

namespace {

// Draws image `id` over `rect`: button faces keep their corners, pictures are scaled whole.
void DrawImage(QPainter& p, const QRect& rect, int id) {
    const QPixmap pixmap = ResourceImage(id);
    if (pixmap.isNull())
        return;
    const QMargins margins = StretchMargins(id);
    if (margins.isNull() || rect.width() < margins.left() + margins.right() ||
        rect.height() < margins.top() + margins.bottom())
        p.drawPixmap(rect, pixmap);
    else
        qDrawBorderPixmap(&p, rect, margins, pixmap);
}

} // namespace

CGdipButton::CGdipButton(QWidget* parent) : QAbstractButton(parent), m_textColour(theme::kInactive) {
    InstallAccessibleInterfaces();
    setCheckable(true); // pages set the checked state of every kind of image button
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    SetImages(images::kButton, images::kButtonOn, images::kButtonHot);
}

bool CGdipButton::LoadStdImage(int id) {
    m_std = id;
    update();
    return id == 0 || !ResourceImage(id).isNull();
}

bool CGdipButton::LoadAltImage(int id) {
    m_alt = id;
    update();
    return id == 0 || !ResourceImage(id).isNull();
}

bool CGdipButton::LoadHotImage(int id) {
    m_hotImage = id;
    update();
    return id == 0 || !ResourceImage(id).isNull();
}

void CGdipButton::SetImages(int standard, int alternate, int hot) {
    m_std = standard;
    m_alt = alternate;
    m_hotImage = hot;
    updateGeometry();
    update();
}

void CGdipButton::SetToggle(bool toggle) {
    m_toggle = toggle;
}
void CGdipButton::SetRadio(bool radio) {
    m_radio = radio;
}

void CGdipButton::SetTextColour(const QColor& colour) {
    m_textColour = colour;
    update();
}

int CGdipButton::CurrentImage() const {
    if (m_hot && m_hotImage)
        return m_hotImage;
    if (isChecked() && m_alt)
        return m_alt;
    return m_std;
}

QSize CGdipButton::sizeHint() const {
    const QPixmap image = ResourceImage(m_std);
    QSize size = image.isNull() ? QSize(100, 30) : image.size();
    const int textWidth = fontMetrics().horizontalAdvance(text()) + 16;
    return QSize(std::max(size.width(), textWidth), size.height());
}

void CGdipButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled())
        p.setOpacity(0.45);
    const int image = CurrentImage();
    DrawImage(p, rect(), image);
    // Hot without an image of its own: the face lights up a little.
    if (m_hot && !m_hotImage && isEnabled()) {
        p.setOpacity(0.18);
        DrawImage(p, rect(), image == m_alt ? m_alt : m_std);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.setOpacity(0.06);
        p.fillRect(rect().adjusted(2, 2, -2, -2), Qt::white);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(1);
    }
    if (!text().isEmpty()) {
        p.setOpacity(1);
        p.setFont(font());
        p.setPen(isEnabled() ? m_textColour : QColor(theme::kDisabledText));
        const QRect box = isDown() ? rect().translated(0, 1) : rect();
        p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
}

void CGdipButton::enterEvent(QEnterEvent* event) {
    m_hot = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CGdipButton::leaveEvent(QEvent* event) {
    m_hot = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CGdipButton::nextCheckState() {
    if (m_radio)
        setChecked(true);
    else if (m_toggle)
        setChecked(!isChecked());
}

bool CGdipButton::event(QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange)
        ReadTemplateProperty(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
    return QAbstractButton::event(event);
}

// Only the property that changed: other dynamic properties (the control id, the remembered
// texts) leave a kind set in code as it is.
void CGdipButton::ReadTemplateProperty(const QByteArray& name) {
    if (name == "images") {
        const QStringList ids = property("images").toString().split(',', Qt::SkipEmptyParts);
        SetImages(ids.value(0).trimmed().toInt(), ids.value(1).trimmed().toInt(),
                  ids.value(2).trimmed().toInt());
    } else if (name == "kind") {
        const QString kind = property("kind").toString();
        m_toggle = kind == QLatin1String("toggle");
        m_radio = kind == QLatin1String("radio");
    }
}

} // namespace corvane
