#include "mainwindow/CStatusArea.h"

#include "device/DeviceState.h"
#include "device/LinkMembers.h"
#include "shell/Language.h"
#include "widgets/LampPainter.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace corvane {

namespace {

constexpr int kLabelLeft = 12;
constexpr int kLabelTop = 8;
constexpr int kLampGap = 8;
constexpr int kTextGap = 14;

QString PortFormat() {
    const std::string format = GetLangString("IDD102_StatusPort");
    return format.empty() ? QStringLiteral("COM%1  %2 baud") : QString::fromStdString(format);
}

} // namespace

CStatusArea::CStatusArea(const DeviceState& state, const LinkMembers& link, QWidget* parent)
    : QWidget(parent), m_state(state), m_link(link), m_blink(new QTimer(this)) {
    m_blink->setSingleShot(true);
    m_blink->setInterval(static_cast<int>(kBlinkPeriodMs.count()));
    connect(m_blink, &QTimer::timeout, this, [this] {
        // The whole area: the port and its rate beside the lamp change with the link, and a
        // system that keeps a window's pixels (Windows) shows only what was painted again.
        update();
        emit blinked();
    });
    setAttribute(Qt::WA_TranslucentBackground);
}

void CStatusArea::SetLabelWidth(int width) {
    m_labelWidth = width;
    update();
}

QRect CStatusArea::LampRect() const {
    return QRect(kLabelLeft + m_labelWidth + kLampGap, kLabelTop + 2, kLampSize, kLampSize);
}

QString CStatusArea::PortText() const {
    if (m_state.linkState == kLinkClosed || m_link.lastPort <= 0)
        return {};
    return PortFormat().arg(m_link.lastPort).arg(m_link.baudRate);
}

void CStatusArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor::fromRgb(theme::kFrameLine), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (m_link.connected) {
        PaintLamp(p, LampRect(), LampPhase::Green, LampStyle::Framed);
    } else {
        m_red = !m_red;
        PaintLamp(p, LampRect(), m_red ? LampPhase::Red : LampPhase::Dark, LampStyle::Framed);
        m_blink->start();
    }
    const QString where = PortText();
    if (!where.isEmpty()) {
        p.setFont(theme::ControlFont());
        p.setPen(QColor::fromRgb(m_link.connected ? theme::kOrange : theme::kStaticText));
        const QRect lampRect = LampRect();
        p.drawText(
            QRect(lampRect.right() + kTextGap, lampRect.top() - 2, width() - lampRect.right() - kTextGap, 20),
            Qt::AlignLeft | Qt::AlignVCenter, where);
    }
}

void CStatusArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void CStatusArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace corvane
