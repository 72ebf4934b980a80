#pragma once

// The sets of images the generator draws, each written to g_dir under the numbers of the
// program's resources.

#include <QString>

namespace corvane::imagegen {

// Controls.cpp: button faces, page tabs and layer switches, switches and check boxes,
// title-band buttons, the slider's parts.
void Buttons();
void Tabs();
void Switches();
void TitleButtons();
void SliderParts();

// PanelImages.cpp: preset slots, input boxes, quick set arrangements, the dialogs' background.
void PresetSlots();
void InputIcons();
void Arrangements();
void Background();

// Logo.cpp: the logo and the application icon, also in the sizes desktops use.
void Logo();
void DesktopIcons();

// Spinner.cpp: the wait overlay's animation (171.gif), checked by reading it back.
void Spinner();

// ContactSheet.cpp: a contact sheet of every image in `dir`, enlarged `scale` times.
void Sheet(const QString& dir, const QString& out, int scale);

} // namespace corvane::imagegen
