#include "upgrade/CPictureEx.h"

#include "upgrade/GifFrames.h"
#include "widgets/Theme.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPainter>

namespace corvane {

namespace {

Q_LOGGING_CATEGORY(lcPicture, "corvane.upgrade.picture")

} // namespace

GifCanvas::GifCanvas(int width, int height, const QColor& background)
    : m_image(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32_Premultiplied),
      m_background(background) {
    m_image.fill(m_background);
}

void GifCanvas::DrawFrame(const CPictureEx::Frame& frame) {
    m_lastRect = QRect(frame.left, frame.top, frame.width, frame.height).intersected(m_image.rect());
    m_lastDisposal = frame.disposal;
    if (frame.disposal == kGifDisposalPrevious)
        m_saved = m_image.copy(m_lastRect);
    QPainter p(&m_image);
    p.drawImage(QPoint(frame.left, frame.top), frame.picture);
}

void GifCanvas::DisposeLast() {
    if (m_lastRect.isEmpty())
        return;
    QPainter p(&m_image);
    if (m_lastDisposal == kGifDisposalPrevious && !m_saved.isNull()) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(m_lastRect.topLeft(), m_saved);
    } else if (m_lastDisposal == kGifDisposalBackground) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(m_lastRect, m_background);
    }
    m_saved = QImage();
}

void GifCanvas::Clear() {
    m_image.fill(m_background);
    m_lastRect = QRect();
}

CPictureEx::CPictureEx(QWidget* parent) : QWidget(parent), m_background(theme::kPanel) {}

CPictureEx::~CPictureEx() {
    Stop();
}

bool CPictureEx::Load(int resourceId, const char* resourceType) {
    QFile file(ResourcePath(resourceId, resourceType));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPicture, "resource %d of type %s is missing", resourceId, resourceType);
        return false;
    }
    const QByteArray data = file.readAll();
    return Load(reinterpret_cast<const std::uint8_t*>(data.constData()),
                static_cast<std::size_t>(data.size()));
}

bool CPictureEx::Load(const std::uint8_t* data, std::size_t size) {
    UnLoad();
    if (!data || size == 0)
        return false;
    const auto asBytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::optional<GifInfo> gif;
    if (IsGifSignature(data, size))
        gif = WalkGif(data, size);
    if (gif && gif->frames.size() >= 2) {
        if (gif->width == 0 || gif->height == 0 || gif->width > kMaxSide || gif->height > kMaxSide)
            return false;
        for (std::size_t i = 0; i < gif->frames.size(); ++i) {
            const std::vector<std::uint8_t> one = SingleFrameGif(data, size, *gif, i);
            QImage picture = QImage::fromData(one.data(), static_cast<int>(one.size()), "GIF");
            if (picture.isNull())
                continue; // a frame the reader cannot decode is left out
            const GifFrame& g = gif->frames[i];
            m_frames.push_back(Frame{picture.convertToFormat(QImage::Format_ARGB32_Premultiplied), g.left,
                                     g.top, g.width, g.height, g.delay, g.disposal});
        }
        if (m_frames.size() >= 2) {
            m_isGif = true;
            m_width = gif->width;
            m_height = gif->height;
            return true;
        }
        m_frames.clear();
    }
    // A single frame, or any other picture: drawn once, as the reader makes it.
    QImage still = QImage::fromData(asBytes);
    if (still.isNull() || still.width() > kMaxSide || still.height() > kMaxSide)
        return false;
    m_still = still;
    m_width = still.width();
    m_height = still.height();
    return true;
}

void CPictureEx::UnLoad() {
    Stop();
    m_frames.clear();
    m_still = QImage();
    m_isGif = false;
    m_width = m_height = 0;
    m_currentFrame = 0;
    m_framesDrawn = 0;
    std::lock_guard lock(m_shownMutex);
    m_shown = QImage();
}

std::chrono::milliseconds CPictureEx::FrameDuration(int index) const {
    return FrameDelay(m_frames.at(static_cast<std::size_t>(index)).delay);
}

bool CPictureEx::Draw() {
    if (m_frames.size() >= 2) {
        if (!m_thread.joinable()) {
            m_exitFlag = false;
            m_threadDone = false;
            m_framesDrawn = 0;
            m_thread = std::thread([this, background = m_background] { Run(background); });
        }
        return false;
    }
    if (m_still.isNull())
        return false;
    Publish(m_still);
    return true;
}

void CPictureEx::Run(QColor background) {
    m_running = true;
    GifCanvas canvas(m_width, m_height, background);
    int current = m_currentFrame;
    for (;;) {
        const Frame& frame = m_frames[static_cast<std::size_t>(current)];
        canvas.DrawFrame(frame);
        Publish(canvas.Image());
        ++m_framesDrawn;
        if (m_exitFlag)
            break;
        {
            std::unique_lock lock(m_exitMutex);
            m_exitEvent.wait_for(lock, FrameDelay(frame.delay), [this] { return m_exitSignalled; });
        }
        if (m_exitFlag)
            break;
        canvas.DisposeLast();
        if (++current >= static_cast<int>(m_frames.size())) {
            current = 0;
            canvas.Clear();
        }
        m_currentFrame = current;
    }
    m_running = false;
    {
        std::lock_guard lock(m_exitMutex);
        m_threadDone = true;
    }
    m_exitEvent.notify_all();
}

void CPictureEx::Stop() {
    m_running = false;
    m_exitFlag = true;
    {
        std::lock_guard lock(m_exitMutex);
        m_exitSignalled = true;
    }
    m_exitEvent.notify_all();
    if (m_thread.joinable()) {
        {
            std::unique_lock lock(m_exitMutex);
            if (!m_exitEvent.wait_for(lock, kStopWaitMs, [this] { return m_threadDone; }))
                qCWarning(lcPicture, "the animation thread did not end within %lld ms",
                          static_cast<long long>(kStopWaitMs.count()));
        }
        m_thread.join(); // it only ever waits on the exit event, so this returns
    }
    {
        std::lock_guard lock(m_exitMutex);
        m_exitSignalled = false;
    }
    m_exitFlag = false;
}

// From the animation thread: the picture is copied for the user-interface thread, which is
// asked to repaint.
void CPictureEx::Publish(const QImage& image) {
    {
        std::lock_guard lock(m_shownMutex);
        m_shown = image.copy();
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage CPictureEx::Shown() const {
    std::lock_guard lock(m_shownMutex);
    return m_shown;
}

QSize CPictureEx::sizeHint() const {
    return m_width > 0 ? QSize(m_width, m_height) : QSize(48, 48);
}

void CPictureEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_background);
    const QImage image = Shown();
    if (image.isNull())
        return;
    QSize size = image.size();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image);
}

} // namespace corvane
