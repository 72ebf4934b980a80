#include "mainwindow/CInputBoxes.h"

#include "device/DeviceState.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

namespace corvane {

namespace {

QColor Rgb(QRgb c) {
    return QColor::fromRgb(c);
}

} // namespace

CInputBoxes::CInputBoxes(const DeviceState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    setAttribute(Qt::WA_TranslucentBackground);
}

QRect CInputBoxes::BoxRect(int input) const {
    const int boxWidth = (width() - 3 * kGap) / 4;
    return QRect(input * (boxWidth + kGap), 0, boxWidth, height());
}

QString CInputBoxes::ResolutionText(const DeviceState& state, int input) {
    const InputInfo& in = state.inputs[static_cast<std::size_t>(input & 3)];
    if (in.signal == 0)
        return {};
    char text[40];
    std::snprintf(text, sizeof text, "%dx%d %dHz", in.width, in.height, in.refreshX10 / 10);
    return QString::fromLatin1(text);
}

void CInputBoxes::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < kInputCount; ++i) {
        const QRect r = BoxRect(i);
        const InputInfo& in = m_state.inputs[static_cast<std::size_t>(i)];
        const bool current = m_state.currentInput == static_cast<std::uint32_t>(i);
        const bool signal = in.signal != 0;
        p.setPen(QPen(Rgb(current ? theme::kOrange : theme::kFrameLine), current ? 1.5 : 1));
        p.setBrush(Rgb(theme::kBackground));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        const int icon = current ? (signal ? 142 : 143) : (signal ? 141 : 140);
        const QRect iconRect(r.left() + 6, r.top() + (r.height() - 36) / 2, 48, 36);
        p.drawPixmap(iconRect, ResourceImage(icon));
        const QRect text(iconRect.right() + 8, r.top() + 6, r.right() - iconRect.right() - 12,
                         r.height() - 12);
        p.setFont(theme::SmallFont());
        p.setPen(Rgb(current ? theme::kOrange : theme::kInactive));
        p.drawText(text, Qt::AlignLeft | (signal ? Qt::AlignTop : Qt::AlignVCenter),
                   QString::fromStdString(in.name));
        if (signal) {
            p.setFont(theme::ControlFont());
            p.setPen(Rgb(theme::kStaticText));
            p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, ResolutionText(m_state, i));
        }
    }
}

void CInputBoxes::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < kInputCount; ++i)
        if (BoxRect(i).contains(event->position().toPoint())) {
            emit inputClicked(i);
            return;
        }
}

} // namespace corvane
