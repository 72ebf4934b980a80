#include "GifWriter.h"
#include "WidgetTestSupport.h"
#include "shell/Language.h"
#include "upgrade/CPictureEx.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::imagegen::GifFrameData;
using corvane::test::Drain;
using corvane::test::RecordingPage;
using corvane::test::WaitFor;

namespace {

// A 4 x 4 GIF of one colour per frame: red, green, blue, ...
QByteArray MakeGif(const std::vector<int>& delays, int disposal = 1) {
    const QVector<QRgb> palette{qRgb(46, 46, 46), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    std::vector<GifFrameData> frames;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        GifFrameData f;
        f.indices.assign(16, static_cast<std::uint8_t>(1 + i % 3));
        f.delay = delays[i];
        f.disposal = disposal;
        frames.push_back(f);
    }
    return imagegen::WriteGif(4, 4, palette, frames);
}

bool Load(CPictureEx& picture, const QByteArray& data) {
    return picture.Load(reinterpret_cast<const std::uint8_t*>(data.constData()),
                        static_cast<std::size_t>(data.size()));
}

CPictureEx::Frame Solid(int left, int top, int width, int height, QColor colour, int disposal) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return CPictureEx::Frame{image, left, top, width, height, 10, static_cast<std::uint8_t>(disposal)};
}

} // namespace

TEST(PictureEx, FramesStayForTheirDelayAtLeastATenthOfASecondAndOneFrameIsNoAnimation) {
    CPictureEx picture;
    // The wait animation is a GIF of many frames; a resource that is not there loads nothing.
    ASSERT_TRUE(picture.Load(CProgressDlg::kAnimationId, "GIF"));
    EXPECT_TRUE(picture.IsGif());
    EXPECT_GE(picture.FrameCount(), 8);
    EXPECT_FALSE(picture.Load(9999, "GIF"));
    ASSERT_TRUE(Load(picture, MakeGif({0, 4, 10, 25})));
    ASSERT_EQ(picture.FrameCount(), 4);
    std::vector<long long> durations;
    for (int i = 0; i < 4; ++i)
        durations.push_back(picture.FrameDuration(i).count());
    EXPECT_EQ(durations, (std::vector<long long>{100, 100, 100, 250}));
    // A one-frame GIF is drawn once, without a thread.
    ASSERT_TRUE(Load(picture, MakeGif({10})));
    EXPECT_FALSE(picture.IsGif());
    EXPECT_TRUE(picture.Draw());
    EXPECT_FALSE(picture.IsAnimating());
}

TEST(PictureEx, TheAnimationRunsOnItsOwnThreadAndPaintsOnTheUserInterfaceThread) {
    RecordingPage page;
    auto* picture = new CPictureEx(&page);
    picture->setGeometry(10, 40, 48, 48);
    page.show();
    ASSERT_TRUE(Load(*picture, MakeGif({1, 1, 1})));
    EXPECT_FALSE(picture->Draw());
    EXPECT_TRUE(picture->IsAnimating());
    ASSERT_TRUE(WaitFor([&] { return picture->FramesDrawn() >= 4; }));
    Drain(); // the repaints it asked for
    picture->Stop();
    EXPECT_FALSE(picture->IsRunning());
    // Stopping during a minute-long delay does not wait for it (else the suite hits its
    // time-out), and it can start again afterwards.
    ASSERT_TRUE(Load(*picture, MakeGif({6000, 6000})));
    picture->Draw();
    ASSERT_TRUE(WaitFor([&] { return picture->FramesDrawn() >= 1; }));
    picture->Stop();
    EXPECT_FALSE(picture->IsAnimating());
    picture->Draw();
    EXPECT_TRUE(picture->IsAnimating());
}

TEST(PictureEx, DataThatIsNoPictureIsRefused) {
    CPictureEx picture;
    QByteArray gif = MakeGif({10, 10});
    for (const QByteArray& data : {QByteArray(), QByteArray("not a picture"), gif.left(13)}) {
        EXPECT_FALSE(Load(picture, data)) << data.size();
        EXPECT_FALSE(picture.Draw()) << data.size();
    }
    // Cut inside its second frame, the GIF still shows its first.
    EXPECT_TRUE(Load(picture, gif.left(gif.size() - 6)));
    EXPECT_EQ(picture.FrameCount(), 0);
    EXPECT_TRUE(picture.Draw());
}

TEST(GifCanvas, DisposalMethodsRestoreOrClearBeforeTheNextFrame) {
    const QColor background(46, 46, 46);
    GifCanvas canvas(8, 8, background);
    canvas.DrawFrame(Solid(0, 0, 8, 8, Qt::red, 1)); // kept
    canvas.DisposeLast();
    EXPECT_EQ(canvas.Image().pixelColor(4, 4), QColor(Qt::red));

    canvas.DrawFrame(Solid(2, 2, 2, 2, Qt::blue, 3)); // put back what lay under it
    EXPECT_EQ(canvas.Image().pixelColor(2, 2), QColor(Qt::blue));
    canvas.DisposeLast();
    EXPECT_EQ(canvas.Image().pixelColor(2, 2), QColor(Qt::red));

    canvas.DrawFrame(Solid(6, 6, 4, 4, Qt::green, 2)); // cleared to the background, clipped to the picture
    canvas.DisposeLast();
    EXPECT_EQ(canvas.Image().pixelColor(7, 7), background);
    EXPECT_EQ(canvas.Image().pixelColor(5, 5), QColor(Qt::red));
}

TEST(ProgressDlg, TheOverlayAnimatesFromItsCreationAndKeepsItsText) {
    RecordingPage main(nullptr, CBaseDialog::Frame::FloatingWindow, 102);
    main.resize(600, 400);
    auto* overlay = new CProgressDlg(&main);
    overlay->Create();
    EXPECT_TRUE(overlay->Picture()->IsAnimating());
    EXPECT_FALSE(overlay->Control<QProgressBar>(CProgressDlg::kProgressId)->isVisible());
    EXPECT_EQ(overlay->WaitText(), "Loading");
    overlay->SetWaitText("Getting Data From Desitination...");
    EXPECT_EQ(overlay->Control<QLabel>(CProgressDlg::kTextId)->text(), "Getting Data From Desitination...");
    main.show();
    overlay->ShowPage(true);
    delete overlay; // the animation thread ends with it (a hang times the suite out)
}
