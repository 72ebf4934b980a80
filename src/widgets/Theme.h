#pragma once

// The application's look: its colours, fonts and numbered images.

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPixmap>
#include <cstdint>

class QApplication;

namespace corvane {

// A colour given as the system's COLORREF (0x00BBGGRR): 0x009CEF is orange RGB(239,156,0).
QColor FromColorRef(std::uint32_t colorRef);

namespace theme {

inline constexpr QRgb kBackground = 0xFF101010;   // RGB(16,16,16): dialogs and controls
inline constexpr QRgb kPanel = 0xFF2E2E2E;        // RGB(46,46,46): the wait overlay and the main window
inline constexpr QRgb kOrange = 0xFFEF9C00;       // RGB(239,156,0): text, highlights, what is chosen
inline constexpr QRgb kInactive = 0xFFEBEBEB;     // RGB(235,235,235): items not chosen
inline constexpr QRgb kStaticText = 0xFFD5D5D5;   // light grey of ordinary static texts
inline constexpr QRgb kDisabledText = 0xFF6E6E6E; // texts of disabled controls
inline constexpr QRgb kFrameLine = 0xFF4A4A4A;    // group frames and window borders
inline constexpr QRgb kHotItem = 0xFFF7F7EF;      // COLORREF 0xEFF7F7: the hot item of a drop-down list

// The title band of every dialog: the top 26 pixels.
inline constexpr int kTitleBandHeight = 26;

QFont TitleFont();   // Arial, 18 pixels, bold: dialog captions
QFont SmallFont();   // Arial, 15 pixels, bold
QFont ControlFont(); // Arial, 10 points: every control

} // namespace theme

// Numbers of the program's images (PNG unless said otherwise).
namespace images {
inline constexpr int kAppIcon = 128;
inline constexpr int kBackground = 129;       // 2560 x 1600, stretched behind every dialog
inline constexpr int kSmallButton = 130;      // 55 x 30 selector (outputs, inputs, layers)
inline constexpr int kSmallButtonOn = 131;    //   chosen
inline constexpr int kSmallButtonHot = 132;   //   under the cursor
inline constexpr int kPresetEmpty = 134;      // preset slot without a file
inline constexpr int kPresetStored = 135;     // preset slot with a file
inline constexpr int kButton = 136;           // 100 x 30 action button
inline constexpr int kButtonHot = 137;        //   under the cursor
inline constexpr int kButtonAlt = 138;        // outlined action button (presets page)
inline constexpr int kButtonAltHot = 139;     //   under the cursor
inline constexpr int kInputIdle = 140;        // input without signal
inline constexpr int kInputSignal = 141;      // input with signal
inline constexpr int kInputCurrent = 142;     // current input with signal
inline constexpr int kInputCurrentIdle = 143; // current input without signal
inline constexpr int kLogo = 144;
inline constexpr int kLayerOff = 145; // layer switch of the main window
inline constexpr int kLayerOn = 147;
inline constexpr int kTab = 148;       // page tab
inline constexpr int kTabOn = 149;     //   of the page shown
inline constexpr int kButtonOn = 150;  // action button, checked
inline constexpr int kSwitchOff = 153; // on/off switch
inline constexpr int kSwitchOn = 154;
inline constexpr int kChannel = 156; // slider channel, horizontal
inline constexpr int kChannelFilled = 157;
inline constexpr int kWideButton = 158; // 220 x 30 action button
inline constexpr int kThumb = 159;      // slider thumb
inline constexpr int kThumbActive = 160;
inline constexpr int kChannelVertical = 161;
inline constexpr int kChannelVerticalFilled = 162;
inline constexpr int kDropArrow = 164;
inline constexpr int kDropArrowHot = 167;
inline constexpr int kWideButtonHot = 168;
inline constexpr int kCloseHot = 173;
inline constexpr int kMaximizeHot = 174;
inline constexpr int kRestore = 175;
inline constexpr int kRestoreHot = 176;
inline constexpr int kRowsArrangement = 184; // quick set: four full-width rows
inline constexpr int kGridArrangement = 185; // quick set: 2 x 2
inline constexpr int kLineArrangement = 186; // quick set: one row across the middle
inline constexpr int kClose = 1202;
inline constexpr int kMaximize = 1203;
inline constexpr int kMarkOff = 1700;
inline constexpr int kMarkOn = 1701;
inline constexpr int kWaitAnimation = 171; // GIF
} // namespace images

// The image `id` of the program's resources; a null pixmap when there is none.
QPixmap ResourceImage(int id);
// Path of resource `id` of `type` ("PNG" or "GIF") inside the program, e.g. ":/images/136.png".
QString ResourcePath(int id, const char* type = "PNG");
// The corners kept unscaled when image `id` is stretched over a button of another size (none
// for pictures, which are scaled whole).
QMargins StretchMargins(int id);

// Style, palette and font of the whole application. Called once at start.
void ApplyApplicationTheme(QApplication& app);

} // namespace corvane
