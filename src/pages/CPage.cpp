#include "pages/CPage.h"

#include "ui_dialog146.h"
#include "ui_dialog152.h"
#include "ui_dialog155.h"
#include "ui_dialog165.h"
#include "ui_dialog166.h"
#include "ui_dialog172.h"
#include "ui_dialog183.h"
#include "ui_dialog187.h"
#include "ui_dialog189.h"
#include "ui_dialog191.h"

namespace corvane {

namespace {

template <class Ui> bool SetUp(QDialog* dialog) {
    Ui ui;
    ui.setupUi(dialog);
    return true;
}

} // namespace

bool SetUpPageTemplate(QDialog* d, int id) {
    switch (id) {
    case 146:
        return SetUp<Ui::Dialog146>(d);
    case 152:
        return SetUp<Ui::Dialog152>(d);
    case 155:
        return SetUp<Ui::Dialog155>(d);
    case 165:
        return SetUp<Ui::Dialog165>(d);
    case 166:
        return SetUp<Ui::Dialog166>(d);
    case 172:
        return SetUp<Ui::Dialog172>(d);
    case 183:
        return SetUp<Ui::Dialog183>(d);
    case 187:
        return SetUp<Ui::Dialog187>(d);
    case 189:
        return SetUp<Ui::Dialog189>(d);
    case 191:
        return SetUp<Ui::Dialog191>(d);
    default:
        return false;
    }
}

CPage::CPage(int dialogId, QWidget* parent, Frame frame) : CBaseDialog(dialogId, parent, frame) {
    SetUpPageTemplate(this, dialogId);
}

} // namespace corvane
