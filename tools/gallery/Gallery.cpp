// Renders every control, the message dialog in each mode and language, the main window's tabs
// and column in each language, the about box and the wait overlay to PNG files, offscreen:
//
//   QT_QPA_PLATFORM=offscreen build/<preset>/gallery/corvane_gallery [<output folder>]
//
// The pictures are for looking at the theme as a whole, after any change to a control or an
// image.

#include "dialogs/CAboutDlg.h"
#include "dialogs/CMessageboxDlg.h"
#include "platform/ui/DialogTemplate.h"
#include "shell/Language.h"
#include "shell/SerialAccessHelp.h"
#include "ui_dialog102.h"
#include "upgrade/CPictureEx.h"
#include "upgrade/CProgressDlg.h"
#include "upgrade/ExchangePacer.h"
#include "upgrade/UpgradeImage.h"
#include "widgets/CBaseDialog.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/CMyEdit.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QHoverEvent>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

using namespace corvane;

namespace {

// A control of kind W with a control id, a place and a text, made inside `parent` as a
// template would make it.
template <class W> W* Add(QWidget* parent, int id, const QRect& place, const QString& text = {}) {
    auto* w = new W(parent);
    SetControlId(w, id);
    w->setGeometry(place);
    if (!text.isEmpty())
        SetControlText(w, text);
    return w;
}

QString g_out;
int g_failures = 0;

void Settle(int ms = 0) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (timer.elapsed() < ms);
}

void Save(const QImage& image, const QString& name) {
    const QString path = g_out + "/" + name;
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void Save(QWidget& widget, const QString& name) {
    Settle();
    Save(widget.grab().toImage(), name);
}

void SetLanguage(const QString& folder, const char* name) {
    QFile config(folder + "/Config.ini");
    config.open(QIODevice::WriteOnly | QIODevice::Truncate);
    config.write(QByteArray("[Setting]\r\nLanguage=") + name + "\r\n");
    configFile = (folder + "/Config.ini").toStdString();
    // The language files the build put beside the executables.
    languageFile = (QApplication::applicationDirPath() + "/../bin/Language/" + name + ".ini").toStdString();
    ReloadMessageTable();
}

QString Message(int index) {
    return QString::fromStdString(MessageText(index));
}

void Hover(QWidget* w) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(w, &enter);
}

// ---- every image of the program

void ImageSheet() {
    const int ids[] = {128, 130, 131, 132, 134, 135, 136, 137, 138, 139,  140,  141,  142, 143, 144,
                       145, 147, 148, 149, 150, 153, 154, 156, 157, 158,  159,  160,  161, 162, 164,
                       167, 168, 173, 174, 175, 176, 184, 185, 186, 1202, 1203, 1700, 1701};
    const int cell = 132, columns = 9;
    const int count = static_cast<int>(std::size(ids)) + 3;
    QImage sheet(columns * cell, ((count + columns - 1) / columns) * cell, QImage::Format_RGB32);
    sheet.fill(QColor(theme::kBackground));
    QPainter p(&sheet);
    QFont f("Arial");
    f.setPixelSize(11);
    p.setFont(f);
    auto place = [&](int i, const QImage& image, const QString& name) {
        const QRect box((i % columns) * cell, (i / columns) * cell, cell, cell);
        p.fillRect(box.adjusted(2, 2, -2, -2), QColor(theme::kPanel));
        QSize size = image.size() * 2;
        if (size.width() > cell - 12 || size.height() > cell - 26)
            size.scale(cell - 12, cell - 26, Qt::KeepAspectRatio);
        p.drawImage(QRect(box.left() + (cell - size.width()) / 2,
                          box.top() + 6 + (cell - 26 - size.height()) / 2, size.width(), size.height()),
                    image);
        p.setPen(QColor(theme::kInactive));
        p.drawText(box.adjusted(0, 0, 0, -5), Qt::AlignHCenter | Qt::AlignBottom, name);
    };
    int i = 0;
    for (int id : ids)
        place(i++, ResourceImage(id).toImage(), QString::number(id));
    place(i++, ResourceImage(images::kBackground).toImage(), "129 (2560x1600)");
    CPictureEx gif;
    gif.Load(images::kWaitAnimation, "GIF");
    place(i++, gif.FrameAt(0).picture, "171.gif frame 1");
    QImage checks(40, 18, QImage::Format_ARGB32_Premultiplied);
    checks.fill(Qt::transparent);
    QPainter c(&checks);
    c.drawImage(0, 0, QImage(QApplication::applicationDirPath() + "/../bin/Image/checkin.png"));
    c.drawImage(22, 0, QImage(QApplication::applicationDirPath() + "/../bin/Image/checkout.png"));
    c.end();
    place(i++, checks, "Image/checkin, checkout");
    p.end();
    Save(sheet, "images.png");
}

// ---- a settings page with every control

void ControlsPage() {
    CBaseDialog page(155, nullptr, CBaseDialog::Frame::FloatingWindow);
    page.setWindowTitle("Picture Setting");
    page.resize(460, 640);

    auto* outputs = Add<CGroupBox>(&page, 1304, {12, 36, 436, 66}, "Output");
    (void)outputs;
    const char* names[] = {"DVI-1", "DVI-2", "DVI-3", "DVI-4", "ALL"};
    for (int i = 0; i < 5; ++i) {
        auto* b = Add<CGdipButton>(&page, 1334 + i, {26 + 82 * i, 60, 76, 30}, names[i]);
        b->SetImages(images::kSmallButton, images::kSmallButtonOn, images::kSmallButtonHot);
        b->setChecked(i == 0);
        b->SetTextColour(i == 0 ? QColor(theme::kOrange) : QColor(theme::kInactive));
        if (i == 2)
            Hover(b);
    }

    Add<CGroupBox>(&page, 1323, {12, 112, 436, 196}, "Picture");
    const struct {
        const char* label;
        int value;
        bool enabled;
    } rows[] = {
        {"Brightness", 64, true}, {"Contrast", 50, true}, {"Gamma", 22, true}, {"Saturation", 80, false}};
    for (int i = 0; i < 4; ++i) {
        const int y = 140 + 40 * i;
        auto* label = Add<QLabel>(&page, 1310 + i, {26, y, 90, 26}, rows[i].label);
        label->setEnabled(rows[i].enabled);
        auto* slider = Add<oBitmapSlider>(&page, 1320 + i, {118, y, 200, 26});
        auto* box = Add<oSliderEdit>(&page, 1330 + i, {330, y + 1, 56, 24});
        box->Setup("%d", rows[i].enabled, 0, 100, static_cast<float>(rows[i].value));
        box->AttachSlider(slider);
        slider->setEnabled(rows[i].enabled);
    }
    auto* gamma = Add<CGdipButton>(&page, 1345, {392, 220, 50, 24});
    gamma->SetImages(images::kSwitchOff, images::kSwitchOn);
    gamma->SetToggle(true);
    gamma->setChecked(true);
    auto* gammaOff = Add<CGdipButton>(&page, 1346, {392, 260, 50, 24});
    gammaOff->SetImages(images::kSwitchOff, images::kSwitchOn);

    Add<CGroupBox>(&page, 1350, {12, 318, 300, 150}, "Colour temperature");
    Add<QLabel>(&page, 1351, {26, 344, 90, 24}, "Preset");
    auto* drop = Add<CDropButton>(&page, 1352, {118, 344, 180, 24});
    for (const char* item : {"Standard", "Low Light1", "Low Light2", "Low Light3", "User"})
        drop->AddString(item);
    drop->SetCurSel(0);
    Add<QLabel>(&page, 1353, {26, 380, 90, 24}, "Red gain");
    auto* red = Add<oRealEdit>(&page, 1354, {118, 380, 80, 24});
    red->Setup("%.1f", true, 0, 255, 128.5f);
    red->SetCharFlags(oValueEdit::kDigits | oValueEdit::kPoint);
    Add<QLabel>(&page, 1355, {26, 416, 90, 24}, "SSID");
    auto* ssid = Add<CMyEdit>(&page, 1356, {118, 416, 180, 24});
    ssid->setText("QLW_Z3_0");
    auto* off = Add<CMyEdit>(&page, 1357, {118, 444, 180, 20});
    off->setText("disabled box");
    off->setEnabled(false);

    auto* vertical = Add<oBitmapSlider>(&page, 1360, {330, 324, 26, 140});
    vertical->SetVertical(true);
    vertical->SetRange(0, 100);
    vertical->SetPos(70);
    Add<QLabel>(&page, 1200, {366, 330, 80, 20}, "Connected");
    Add<QLabel>(&page, 1361, {366, 356, 80, 20}, "Signal: none");
    auto* mark = Add<QLabel>(&page, 1362, {366, 390, 80, 22});
    mark->setPixmap(ResourceImage(images::kMarkOn));
    auto* markOff = Add<QLabel>(&page, 1363, {392, 390, 40, 22});
    markOff->setPixmap(ResourceImage(images::kMarkOff));

    const struct {
        int id, image, alternate, hot;
        QRect place;
        const char* text;
        bool checked;
    } buttons[] = {
        {1104, images::kButton, images::kButtonOn, images::kButtonHot, {12, 484, 100, 30}, "Apply", false},
        {1115, images::kButton, images::kButtonOn, images::kButtonHot, {122, 484, 100, 30}, "Reset", false},
        {1108, images::kButton, images::kButtonOn, images::kButtonHot, {232, 484, 100, 30}, "Advanced", true},
        {1021, images::kButtonAlt, 0, images::kButtonAltHot, {342, 484, 106, 30}, "Save", false},
        {1342,
         images::kWideButton,
         0,
         images::kWideButtonHot,
         {12, 524, 220, 30},
         "Reset Picture Settings",
         false},
        {1022, images::kButtonAlt, 0, images::kButtonAltHot, {242, 524, 100, 30}, "Load", false},
        {1023, images::kButtonAlt, 0, images::kButtonAltHot, {352, 524, 96, 30}, "Delete", false},
    };
    for (const auto& b : buttons) {
        auto* button = Add<CGdipButton>(&page, b.id, b.place, b.text);
        button->SetImages(b.image, b.alternate, b.hot);
        button->setChecked(b.checked);
        if (b.checked)
            button->SetTextColour(QColor(theme::kOrange));
    }
    auto* disabled = Add<CGdipButton>(&page, 1109, {12, 566, 100, 30}, "Disabled");
    disabled->setEnabled(false);
    const int layers[] = {images::kLayerOn, images::kLayerOff};
    for (int i = 0; i < 2; ++i) {
        auto* layer =
            Add<CGdipButton>(&page, 1024 + i, {122 + 96 * i, 566, 90, 28}, QString("Layer%1").arg(i + 1));
        layer->SetImages(layers[i]);
    }
    auto* hot = Add<CGdipButton>(&page, 1110, {318, 566, 130, 30}, "Hot");
    hot->SetImages(images::kButton, images::kButtonOn, images::kButtonHot);
    Hover(hot);
    Add<QLabel>(&page, 1364, {12, 604, 436, 24},
                QString::fromUtf8("中文界面：亮度 对比度 色温 应用全部 — Chinese texts render"));

    page.Create();
    page.show();
    Save(page, "controls.png");

    // The same page with the drop-down open: the list is a window of its own.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 12), drop->mapToGlobal(QPointF(20, 12)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(drop, &press);
    Settle(50);
    QImage shot = page.grab().toImage();
    if (CDropList* list = drop->DropList()) {
        // The cursor over the third item.
        QWidget* viewport = list->List()->viewport();
        const QPointF at = list->List()->visualItemRect(list->List()->item(2)).center();
        QHoverEvent hover(QEvent::HoverEnter, at, viewport->mapToGlobal(at), QPointF(-1, -1));
        QCoreApplication::sendEvent(viewport, &hover);
        QHoverEvent move(QEvent::HoverMove, at, viewport->mapToGlobal(at), at);
        QCoreApplication::sendEvent(viewport, &move);
        Settle(20);
        QPainter p(&shot);
        p.drawImage(page.mapFromGlobal(list->geometry().topLeft()), list->grab().toImage());
        list->hide();
    }
    Save(shot, "dropdown-open.png");
}

// ---- a main window with an embedded page and a floating dialog

void Windows() {
    CBaseDialog main(102, nullptr, CBaseDialog::Frame::FloatingWindow);
    main.setWindowTitle("Corvane");
    main.resize(900, 520);
    main.SetMaximizeBox(true);
    auto* page = new CBaseDialog(183, &main);
    page->setWindowTitle("Quick Setting");
    page->setGeometry(560, 30, 330, 480);
    auto* group = Add<CGroupBox>(page, 1042, {12, 40, 306, 340}, "Quick setting");
    (void)group;
    const int pictures[] = {images::kGridArrangement, images::kLineArrangement, images::kRowsArrangement};
    for (int i = 0; i < 3; ++i) {
        auto* picture = Add<QLabel>(page, 1710 + i, {30, 64 + 100 * i, 120, 68});
        picture->setPixmap(ResourceImage(pictures[i]));
        auto* mark = Add<QLabel>(page, 1720 + i, {170, 88 + 100 * i, 20, 20});
        mark->setPixmap(ResourceImage(i == 1 ? images::kMarkOn : images::kMarkOff));
    }
    auto* send = Add<CGdipButton>(page, 1043, {115, 400, 100, 30}, "Send");
    send->SetImages(images::kButton, images::kButtonOn, images::kButtonHot);
    auto* logo = Add<QLabel>(&main, 1000, {12, 34, 124, 40});
    logo->setPixmap(ResourceImage(images::kLogo));
    const int inputs[] = {images::kInputCurrent, images::kInputSignal, images::kInputIdle,
                          images::kInputIdle};
    const char* inputNames[] = {"HDMI-1", "HDMI-2", "DP-1", "DP-2"};
    for (int i = 0; i < 4; ++i) {
        auto* icon = Add<QLabel>(&main, 1060 + i, {160 + 96 * i, 34, 48, 36});
        icon->setPixmap(ResourceImage(inputs[i]));
        Add<QLabel>(&main, i == 0 ? 1206 : 1070 + i, {152 + 96 * i, 72, 80, 18}, inputNames[i])
            ->setAlignment(Qt::AlignHCenter);
    }
    const char* tabs[] = {"Quick", "Output", "Layer", "Picture"};
    for (int i = 0; i < 4; ++i) {
        auto* tab = Add<CGdipButton>(&main, 1001 + i, {150 + 100 * i, 100, 98, 28}, tabs[i]);
        tab->SetImages(i == 0 ? images::kTabOn : images::kTab);
        tab->SetTextColour(i == 0 ? QColor(theme::kOrange) : QColor(theme::kInactive));
    }
    for (int i = 0; i < 4; ++i) {
        auto* layer =
            Add<CGdipButton>(&main, 1024 + i, {12, 150 + 36 * i, 100, 28}, QString("Layer%1").arg(i + 1));
        layer->SetImages(i < 2 ? images::kLayerOn : images::kLayerOff);
    }
    auto* floating = new CBaseDialog(163, &main, CBaseDialog::Frame::FloatingChild);
    floating->setWindowTitle("Connection Setting");
    floating->setGeometry(150, 170, 360, 220);
    Add<CGroupBox>(floating, 1370, {12, 36, 336, 126}, "Com Connection");
    Add<QLabel>(floating, 1371, {26, 64, 80, 24}, "Port");
    auto* port = Add<CDropButton>(floating, 1372, {110, 64, 160, 24});
    port->AddString("/dev/ttyUSB0");
    port->SetCurSel(0);
    Add<QLabel>(floating, 1373, {26, 100, 80, 24}, "Baud rate");
    auto* baud = Add<CDropButton>(floating, 1374, {110, 100, 160, 24});
    baud->AddString("115200");
    baud->SetCurSel(0);
    auto* open = Add<CGdipButton>(floating, 1375, {70, 176, 100, 30}, "Open");
    open->SetImages(images::kButton, images::kButtonOn, images::kButtonHot);
    auto* close = Add<CGdipButton>(floating, 1376, {190, 176, 100, 30}, "Close");
    close->SetImages(images::kButton, images::kButtonOn, images::kButtonHot);
    main.Create();
    page->Create();
    floating->Create();
    main.show();
    Save(main, "windows.png");
}

// ---- the message dialog in each mode and language, and the about box

void MessageDialogs(const QString& folder) {
    // Titles and messages from the message table of each language.
    const struct {
        std::uint32_t mode;
        const char* name;
        int title;
        int message;
    } modes[] = {
        {0, "info", 11, 33},     // "Tips", "Set up success!"
        {1, "question", 17, 18}, // "Select input source", "Change Input source?"
        {0x55, "apply", 1, 43},  // "Output Setting", "Please select apply to output mode!"
        {0, "long", 11, 52},     // "Output synchronization issue may occur because of input FPS difference!"
    };
    for (const char* language : {"English", "Chinese"}) {
        SetLanguage(folder, language);
        for (const auto& m : modes) {
            CMessageboxDlg dialog(Message(m.title), Message(m.message), m.mode);
            dialog.Create();
            dialog.show();
            Save(dialog, QString("message-%1-%2.png").arg(m.name, QString(language).toLower()));
        }
        // The help when the user may not open the serial ports, with its command.
        CMessageboxDlg help(Message(11), QString::fromStdString(SerialAccessHelpText("dialout", "operator")),
                            0);
        help.Create();
        help.show();
        Save(help, QString("message-serial-access-%1.png").arg(QString(language).toLower()));
        // A packet that could not go out, and a read-back that ended at a refused block.
        const bool chinese = std::string(language) == "Chinese";
        ExchangeFailure stuck;
        stuck.kind = ExchangeFailure::Kind::NotLeft;
        stuck.packet = true;
        stuck.number = 15;
        stuck.count = 300;
        CMessageboxDlg failed(Message(11),
                              QString::fromStdString("Upgrade failed," + MessageText(kMsgRestartMachine) +
                                                     "\n" + DescribeFailure(stuck, chinese)),
                              0);
        failed.Create();
        failed.show();
        Save(failed, QString("message-upgrade-packet-%1.png").arg(QString(language).toLower()));
        CMessageboxDlg refused(
            QString::fromStdString(MessageText(kMsgUpgradeMachine)),
            QString::fromStdString(std::string(chinese ? "校验码错误！" : "Checksum is Error !") + "\n" +
                                   RefusedBlockText(BlockVerdict::BadChecksum, 63, 62, chinese) + "\n" +
                                   (chinese ? "读回不完整: 未保存任何内容。"
                                            : "The read-back is incomplete: nothing of it was kept.")),
            0);
        refused.Create();
        refused.show();
        Save(refused, QString("message-readback-refused-%1.png").arg(QString(language).toLower()));
    }
    SetLanguage(folder, "English");

    CAboutDlg about;
    about.Create();
    about.show();
    Save(about, "about.png");
}

// ---- the main window's column, tabs and status text in each language

void MainWindowTexts(const QString& folder) {
    for (const char* language : {"English", "Chinese"}) {
        SetLanguage(folder, language);
        CBaseDialog main(102, nullptr, CBaseDialog::Frame::FloatingWindow);
        Ui::Dialog102 ui;
        ui.setupUi(&main);
        main.SetHasTitleBand(false);
        main.SetCloseBox(false);
        main.resize(1030, 390);
        int index = 0;
        for (CGdipButton* tab :
             {ui.tab0, ui.tab1, ui.tab2, ui.tab3, ui.tab4, ui.tab5, ui.tab6, ui.tab7, ui.tab8}) {
            const bool shown = index++ == 3;
            tab->setChecked(shown);
            tab->SetTextColour(QColor(shown ? theme::kOrange : theme::kInactive));
        }
        ui.layer0->setChecked(true);
        ui.layerMode->setChecked(true);
        for (QWidget* mode : {static_cast<QWidget*>(ui.layerMode), static_cast<QWidget*>(ui.outputMode)}) {
            QFont f = theme::ControlFont(); // as the main window sets it
            f.setPointSizeF(f.pointSizeF() - 1.5);
            f.setBold(true);
            mode->setFont(f);
        }
        // The port and baud rate beside the status label, as the status area shows them.
        const QRect status = ui.status->geometry();
        auto* port = new QLabel(&main);
        port->setGeometry(status.right() + 30, status.y(), 200, status.height());
        main.Create();
        main.ApplyLanguage();
        port->setText(QString::fromStdString(GetLangString("IDD102_StatusPort")).arg(3).arg(115200));
        port->setPalette(ui.status->palette());
        main.show();
        Save(main, QString("main-texts-%1.png").arg(QString(language).toLower()));
    }
    SetLanguage(folder, "English");
}

// ---- the wait overlay over the main window

void WaitOverlay() {
    CBaseDialog main(102, nullptr, CBaseDialog::Frame::FloatingWindow);
    main.setWindowTitle("Corvane");
    main.resize(520, 320);
    auto* overlay = new CProgressDlg(&main);
    overlay->Create();
    overlay->SetWaitText("Getting Data From Desitination...");
    overlay->move((main.width() - overlay->width()) / 2, (main.height() - overlay->height()) / 2);
    main.Create();
    main.show();
    overlay->ShowPage(true);
    Settle(350); // a few frames of the animation
    Save(main, "wait-overlay.png");
    Save(*overlay, "wait-overlay-close.png");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ApplyApplicationTheme(app);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(g_out);
    QTemporaryDir folder;
    SetLanguage(folder.path(), "English");

    ImageSheet();
    ControlsPage();
    Windows();
    MessageDialogs(folder.path());
    MainWindowTexts(folder.path());
    WaitOverlay();
    return g_failures == 0 ? 0 : 1;
}
