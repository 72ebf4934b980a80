#pragma once

// The picture control of the wait overlay: plays an animated GIF from a thread of its own. The
// GIF's frame list comes from the block walk (GifFrames.h); each frame is decoded alone by Qt's
// image reader. The thread composes the frames with their delays and disposal methods on an
// image of its own and hands each result to the user-interface thread, which paints it. A GIF
// with one frame, or any other picture, is drawn once without a thread.

#include <QColor>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

class CPictureEx : public QWidget {
    Q_OBJECT
public:
    struct Frame {
        QImage picture;
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::uint16_t delay = 0;   // hundredths of a second
        std::uint8_t disposal = 0; // GIF disposal method
    };

    // Pictures larger than this on either side are refused.
    static constexpr int kMaxSide = 4096;
    // Stop() waits this long for the thread before it reports it late.
    static constexpr std::chrono::milliseconds kStopWaitMs{5000};

    explicit CPictureEx(QWidget* parent = nullptr);
    ~CPictureEx() override;

    // Loads resource `resourceId` of `resourceType` ("GIF") from the program's resources.
    bool Load(int resourceId, const char* resourceType);
    // Unloads what was loaded, then decodes `data`. True when there is something to draw.
    bool Load(const std::uint8_t* data, std::size_t size);
    void UnLoad();
    // Starts the animation when there are two frames or more; otherwise shows the single
    // picture and returns true.
    bool Draw();
    // Stops the animation thread and waits for it (it ends at once: its waits end on the exit
    // event).
    void Stop();

    // The colour behind the picture and of disposed areas; the animation takes it when it starts.
    void SetBkColor(const QColor& colour) { m_background = colour; }
    QColor GetBkColor() const { return m_background; }

    bool IsGif() const { return m_isGif; }
    QSize PictureSize() const { return QSize(m_width, m_height); }
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    const Frame& FrameAt(int index) const { return m_frames[static_cast<std::size_t>(index)]; }
    // How long frame `index` stays.
    std::chrono::milliseconds FrameDuration(int index) const;
    // True while an animation thread exists.
    bool IsAnimating() const { return m_thread.joinable(); }
    bool IsRunning() const { return m_running.load(); }
    // Number of frames the thread has drawn since the animation started.
    int FramesDrawn() const { return m_framesDrawn.load(); }
    // The picture as it is shown now.
    QImage Shown() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Run(QColor background);
    void Publish(const QImage& image);

    bool m_isGif = false;
    int m_width = 0;
    int m_height = 0;
    std::vector<Frame> m_frames; // written before the thread starts, read-only while it runs
    QImage m_still;
    QColor m_background;

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_exitFlag{false};
    std::atomic<int> m_currentFrame{0};
    std::atomic<int> m_framesDrawn{0};
    // The exit event: manual reset.
    std::mutex m_exitMutex;
    std::condition_variable m_exitEvent;
    bool m_exitSignalled = false;
    bool m_threadDone = false;

    mutable std::mutex m_shownMutex;
    QImage m_shown;
};

// What the animation does to the picture, one frame after the other, as the thread runs it.
class GifCanvas {
public:
    GifCanvas(int width, int height, const QColor& background);
    // Draws `frame` at its place (saving what lies under it when its disposal asks for that).
    void DrawFrame(const CPictureEx::Frame& frame);
    // Before the next frame: puts back what lay under the last frame (disposal 3) or clears its
    // rectangle to the background (disposal 2).
    void DisposeLast();
    // The whole picture back to the background (after the last frame).
    void Clear();
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    QColor m_background;
    QImage m_saved;
    QRect m_lastRect;
    std::uint8_t m_lastDisposal = 0;
};

} // namespace corvane
