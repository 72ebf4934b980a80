// Draws the application's images: the background, the button faces, switches, marks, icons and
// pictures numbered as the program's resources, the two check-box images that lie beside the
// executable, and the wait overlay's animation (GIF). The output is committed under
// resources/images; run this again after changing a drawing:
//
//   corvane-imagegen <repository>/resources/images

#include "Drawing.h"
#include "ImageSets.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace corvane::imagegen;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && QString(argv[1]) == "--sheet") {
        Sheet(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 3);
        return 0;
    }
    if (argc == 3 && QString(argv[1]) == "--icons") {
        g_dir = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(g_dir);
        DesktopIcons();
        return 0;
    }
    if (argc != 2) {
        std::fprintf(
            stderr,
            "usage: %s <output folder> | --icons <output folder> | --sheet <image folder> <sheet.png>\n",
            argv[0]);
        return 2;
    }
    g_dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_dir);
    Buttons();
    Tabs();
    PresetSlots();
    InputIcons();
    Logo();
    Switches();
    TitleButtons();
    SliderParts();
    Arrangements();
    Background();
    Spinner();
    return g_failures == 0 ? 0 : 1;
}
