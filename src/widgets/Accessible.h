#pragma once

// What screen readers are told of the program's own controls. Qt describes its standard
// widgets itself; these interfaces describe
//   - the image button CGdipButton: a button, a check box when it toggles, a radio button when
//     it is a radio kind, with its checked state (also a plain button's, which a page checks to
//     mark what it shows, as the main window's tabs do);
//   - the hot spot CHotSpot: a button, a check box or a radio button by its kind;
//   - the drop-down CDropButton: a combo box whose value is the item picked.
// Each is named by its accessible name, else its own text (without the '&' of a shortcut), else
// the label whose buddy it is.

namespace corvane {

// Installs the interfaces once; the controls call it when they are made.
void InstallAccessibleInterfaces();

} // namespace corvane
