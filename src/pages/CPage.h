#pragma once

// A page of the main window created from its dialog template. Pages whose own logic is not
// built yet are plain CPage objects: their template, their caption and the language texts.

#include "widgets/CBaseDialog.h"

namespace corvane {

class CPage : public CBaseDialog {
    Q_OBJECT
public:
    // `dialogId` names the template resources/dialogs/dialog<dialogId>.ui.
    CPage(int dialogId, QWidget* parent, Frame frame = Frame::Page);
};

// Sets up the template of dialog `dialogId` on `dialog`; false when there is none.
bool SetUpPageTemplate(QDialog* dialog, int dialogId);

} // namespace corvane
