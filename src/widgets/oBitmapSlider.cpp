#include "widgets/oBitmapSlider.h"

#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <qdrawutil.h>

namespace corvane {

namespace {

constexpr int kChannelThickness = 8;

void DrawStretched(QPainter& p, const QRect& rect, int id) {
    const QPixmap pixmap = ResourceImage(id);
    if (pixmap.isNull() || rect.isEmpty())
        return;
    const QMargins m = StretchMargins(id);
    if (m.isNull() || rect.width() < m.left() + m.right() || rect.height() < m.top() + m.bottom())
        p.drawPixmap(rect, pixmap);
    else
        qDrawBorderPixmap(&p, rect, m, pixmap);
}

} // namespace

oBitmapSlider::oBitmapSlider(QWidget* parent)
    : QWidget(parent), m_channel(images::kChannel), m_channelFilled(images::kChannelFilled),
      m_thumb(images::kThumb), m_thumbActive(images::kThumbActive) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

oSliderEdit* oBitmapSlider::AttachedEdit() const {
    return m_edit.data();
}

void oBitmapSlider::SetAttachedEdit(oSliderEdit* edit) {
    m_edit = edit;
}

void oBitmapSlider::SetRange(int minimum, int maximum) {
    if (minimum > maximum)
        std::swap(minimum, maximum);
    m_min = minimum;
    m_max = maximum;
    m_pos = Clamp(m_pos);
    update();
}

void oBitmapSlider::SetPos(int position) {
    m_pos = Clamp(position);
    update();
}

void oBitmapSlider::SetVertical(bool vertical) {
    m_vertical = vertical;
    if (vertical && m_channel == images::kChannel) {
        m_channel = images::kChannelVertical;
        m_channelFilled = images::kChannelVerticalFilled;
    } else if (!vertical && m_channel == images::kChannelVertical) {
        m_channel = images::kChannel;
        m_channelFilled = images::kChannelFilled;
    }
    updateGeometry();
    update();
}

void oBitmapSlider::SetBitmapChannel(int normal, int filled) {
    m_channel = normal;
    m_channelFilled = filled;
    update();
}

void oBitmapSlider::SetBitmapThumb(int normal, int active) {
    m_thumb = normal;
    m_thumbActive = active;
    update();
}

void oBitmapSlider::SetMargin(int left, int top, int right, int bottom) {
    m_marginLeft = left;
    m_marginTop = top;
    m_marginRight = right;
    m_marginBottom = bottom;
    update();
}

int oBitmapSlider::Clamp(int position) const {
    return std::clamp(position, m_min, m_max);
}

int oBitmapSlider::Length() const {
    return m_vertical ? height() : width();
}

// The thumb as drawn: upright on a horizontal slider, turned on a vertical one.
QSize oBitmapSlider::ThumbSize() const {
    QSize size = ResourceImage(m_thumb).size();
    if (size.isEmpty())
        size = QSize(16, 22);
    return m_vertical ? size.transposed() : size;
}

int oBitmapSlider::PositionToPixel(int position) const {
    const int half = (m_vertical ? ThumbSize().height() : ThumbSize().width()) / 2;
    const int lo = (m_vertical ? m_marginTop : m_marginLeft) + half;
    const int hi = Length() - (m_vertical ? m_marginBottom : m_marginRight) - half;
    if (m_max == m_min || hi <= lo)
        return m_vertical ? hi : lo;
    const double t = double(Clamp(position) - m_min) / double(m_max - m_min);
    const double pixel = m_vertical ? hi - t * (hi - lo) : lo + t * (hi - lo);
    return static_cast<int>(std::lround(pixel));
}

int oBitmapSlider::PixelToPosition(int pixel) const {
    const int half = (m_vertical ? ThumbSize().height() : ThumbSize().width()) / 2;
    const int lo = (m_vertical ? m_marginTop : m_marginLeft) + half;
    const int hi = Length() - (m_vertical ? m_marginBottom : m_marginRight) - half;
    if (hi <= lo)
        return m_min;
    const double t = m_vertical ? double(hi - pixel) / (hi - lo) : double(pixel - lo) / (hi - lo);
    return Clamp(m_min + static_cast<int>(std::lround(t * (m_max - m_min))));
}

int oBitmapSlider::Along(const QPointF& point) const {
    return static_cast<int>(std::lround(m_vertical ? point.y() : point.x()));
}

void oBitmapSlider::MoveTo(int position, bool final) {
    position = Clamp(position);
    if (position != m_pos) {
        m_pos = position;
        update();
    }
    Report(final);
}

void oBitmapSlider::Report(bool final) {
    if (m_edit)
        m_edit->SliderMoved(m_pos, final);
}

QSize oBitmapSlider::sizeHint() const {
    const QSize thumb = ThumbSize();
    return m_vertical ? QSize(thumb.width() + 4, 160) : QSize(160, thumb.height() + 4);
}

void oBitmapSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled())
        p.setOpacity(0.4);
    const int centre = PositionToPixel(m_pos);
    QRect channel;
    QRect filled;
    if (m_vertical) {
        const int x = (width() - kChannelThickness) / 2;
        channel = QRect(x, m_marginTop, kChannelThickness, height() - m_marginTop - m_marginBottom);
        filled = QRect(x, centre, kChannelThickness, channel.bottom() - centre + 1);
    } else {
        const int y = (height() - kChannelThickness) / 2;
        channel = QRect(m_marginLeft, y, width() - m_marginLeft - m_marginRight, kChannelThickness);
        filled = QRect(channel.left(), y, centre - channel.left(), kChannelThickness);
    }
    DrawStretched(p, channel, m_channel);
    if (isEnabled() && !filled.isEmpty()) {
        // The filled part keeps the channel's rounded ends: drawn whole, clipped to its share.
        p.save();
        p.setClipRect(filled);
        DrawStretched(p, channel, m_channelFilled);
        p.restore();
    }
    const bool active = isEnabled() && (m_dragging || m_hot);
    QPixmap thumb = ResourceImage(active ? m_thumbActive : m_thumb);
    if (m_vertical)
        thumb = thumb.transformed(QTransform().rotate(90), Qt::SmoothTransformation);
    const QSize size = thumb.size();
    const QPoint at = m_vertical ? QPoint((width() - size.width()) / 2, centre - size.height() / 2)
                                 : QPoint(centre - size.width() / 2, (height() - size.height()) / 2);
    p.drawPixmap(at, thumb);
    if (hasFocus() && isEnabled()) {
        p.setPen(QPen(QColor(theme::kOrange), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(at, size).adjusted(-2, -2, 1, 1));
    }
}

void oBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int pixel = Along(event->position());
    const int centre = PositionToPixel(m_pos);
    const int half = (m_vertical ? ThumbSize().height() : ThumbSize().width()) / 2;
    if (std::abs(pixel - centre) <= half) {
        m_dragOffset = pixel - centre; // caught the thumb: it keeps its place under the cursor
        update();
    } else {
        m_dragOffset = 0; // the thumb's centre jumps to the press
        MoveTo(PixelToPosition(pixel), m_reportWhileDragging);
    }
}

void oBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int position = PixelToPosition(Along(event->position()) - m_dragOffset);
    if (position != m_pos)
        MoveTo(position, m_reportWhileDragging);
}

void oBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    update();
    Report(!m_reportWhileDragging);
}

namespace {

bool IsSliderKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

void oBitmapSlider::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled() || !IsSliderKey(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    int position = m_pos;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        position -= 1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        position += 1;
        break;
    case Qt::Key_PageUp:
        position -= m_page;
        break;
    case Qt::Key_PageDown:
        position += m_page;
        break;
    case Qt::Key_Home:
        position = m_min;
        break;
    case Qt::Key_End:
        position = m_max;
        break;
    default:
        break;
    }
    MoveTo(position, false);
}

void oBitmapSlider::keyReleaseEvent(QKeyEvent* event) {
    // The end of a key press (not its repeats) makes the position final.
    if (isEnabled() && IsSliderKey(event->key()) && !event->isAutoRepeat()) {
        Report(true);
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void oBitmapSlider::enterEvent(QEnterEvent* event) {
    m_hot = true;
    update();
    QWidget::enterEvent(event);
}

void oBitmapSlider::leaveEvent(QEvent* event) {
    m_hot = false;
    update();
    QWidget::leaveEvent(event);
}

} // namespace corvane
