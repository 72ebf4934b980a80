#pragma once

// An image button: its face is a PNG of the program's resources (standard, alternate for the
// checked state, hot while the cursor is over it), scaled to the button, with the caption on
// top. A toggle button flips its checked state on each press, a radio button sets it.
//
// In a dialog template the images and the kind can be given as dynamic properties:
// "images" = "136" or "153,154" or "136,150,137" (standard, alternate, hot), "kind" = "toggle"
// or "radio".

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace corvane {

class CGdipButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CGdipButton(QWidget* parent = nullptr);

    // Image numbers; 0 leaves that state without an image of its own.
    bool LoadStdImage(int id);
    bool LoadAltImage(int id);
    bool LoadHotImage(int id);
    void SetImages(int standard, int alternate = 0, int hot = 0);

    void SetToggle(bool toggle);
    void SetRadio(bool radio);
    bool IsToggle() const { return m_toggle; }
    bool IsRadio() const { return m_radio; }

    void SetTextColour(const QColor& colour);
    QColor TextColour() const { return m_textColour; }

    bool IsHot() const { return m_hot; }
    // The image number drawn in the current state.
    int CurrentImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void nextCheckState() override;
    bool event(QEvent* event) override;

private:
    void ReadTemplateProperty(const QByteArray& name);

    int m_std = 0;
    int m_alt = 0;
    int m_hotImage = 0;
    bool m_toggle = false;
    bool m_radio = false;
    bool m_hot = false;
    QColor m_textColour;
};

} // namespace corvane
