#pragma once

// A slider drawn from images: a channel and a thumb (normal and active). It moves together with
// an attached value box (oSliderEdit), which tells the page of final changes: on release of a
// drag, or on each move while dragging when the slider reports while dragging, and on the
// release of a key.

#include <QPointer>
#include <QWidget>

namespace corvane {

class oSliderEdit;

class oBitmapSlider : public QWidget {
    Q_OBJECT
public:
    explicit oBitmapSlider(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    // Moves the thumb (clamped to the range) without telling anyone.
    void SetPos(int position);
    int GetPos() const { return m_pos; }
    void SetPageSize(int page) { m_page = page; }
    int GetPageSize() const { return m_page; }

    void SetVertical(bool vertical);
    bool IsVertical() const { return m_vertical; }
    // Report every move of a drag as a final change (otherwise only the release is final).
    void SetNotifyWhileDragging(bool report) { m_reportWhileDragging = report; }
    bool NotifiesWhileDragging() const { return m_reportWhileDragging; }

    // Images by number: the channel (empty and filled) and the thumb (normal and active).
    void SetBitmapChannel(int normal, int filled);
    void SetBitmapThumb(int normal, int active);
    // Room at the ends of the channel that the thumb's centre never enters.
    void SetMargin(int left, int top, int right, int bottom);

    // The pixel (along the slider) of the thumb's centre at `position`, and back (rounded).
    int PositionToPixel(int position) const;
    int PixelToPosition(int pixel) const;

    bool IsDragging() const { return m_dragging; }
    oSliderEdit* AttachedEdit() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class oSliderEdit;
    void SetAttachedEdit(oSliderEdit* edit);
    // Moves to `position` and updates the attached box, as a final change or not.
    void MoveTo(int position, bool final);
    void Report(bool final);
    int Along(const QPointF& point) const;
    QSize ThumbSize() const;
    int Length() const;
    int Clamp(int position) const;

    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_page = 20;
    bool m_vertical = false;
    bool m_reportWhileDragging = false;
    int m_channel;
    int m_channelFilled;
    int m_thumb;
    int m_thumbActive;
    int m_marginLeft = 0;
    int m_marginTop = 0;
    int m_marginRight = 0;
    int m_marginBottom = 0;
    QPointer<oSliderEdit> m_edit;
    bool m_dragging = false;
    bool m_hot = false;
    int m_dragOffset = 0;
};

} // namespace corvane
