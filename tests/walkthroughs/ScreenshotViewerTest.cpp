#include "walkthroughs/ScreenshotImage.h"
#include "walkthroughs/Unit2.h"

#include "catalogue/Error.h"
#include "platform/jpeg/JpegPicture.h"
#include "support/JpegEncode.h"
#include "support/Thrown.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <jerror.h>

using namespace kodrix;
using kodrix::test::thrown;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QRgb kWindow = qRgb(10, 200, 10);
const QRgb kPicture = qRgb(220, 20, 20);

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
           std::abs(qBlue(a) - qBlue(b)) <= 8;
}

// A viewer shown offscreen (no frame there: the client area is the outer size).
struct Viewer : testing::Test {
    TForm2 form;
    Viewer() {
        form.setViewerColor(kWindow);
        form.showOrRaise();
    }
    QImage shot() { return form.Image1->grab().toImage(); }
};

}  // namespace

TEST(ScreenshotPlacement, NaturalSizeCentredLargerReducedNeverEnlarged) {
    struct Case {
        QSize picture;
        QRect expected;
    };
    const Case cases[] = {
        {{100, 50}, {298, 215, 100, 50}},
        {{696, 480}, {0, 0, 696, 480}},     // fits exactly
        {{697, 480}, {0, 0, 696, 479}},     // one pixel too wide
        {{1392, 480}, {0, 120, 696, 240}},  // too wide
        {{480, 1920}, {288, 0, 120, 480}},  // too tall
        {{1920, 1080}, {0, 44, 696, 391}},
        {{65500, 1}, {0, 239, 696, 1}},     // never thinner than a pixel
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScreenshotImage::placement(c.picture, QSize(696, 480)), c.expected) << c.picture.width();
}

TEST_F(Viewer, WindowIsItsOwnTopLevelCentredOnTheDesktop) {
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Просмотр скриншотов"));
    EXPECT_TRUE(form.isWindow());
    EXPECT_EQ(form.frameGeometry().size(), TForm2::kOuterSize);
    EXPECT_EQ(form.Image1->geometry(), form.rect());
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((form.frameGeometry().center() - desktop.center()).manhattanLength(), 2);

    // Closing only hides; the next showing keeps the place the user chose.
    form.Image1->loadPicture(test::solidJpeg(8, 8, kPicture));
    JpegPicture* picture = form.Image1->picture();
    form.move(form.pos() + QPoint(30, 20));
    const QPoint moved = form.pos();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Image1->picture(), picture);
    form.showOrRaise();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.pos(), moved);
}

TEST_F(Viewer, LargePictureIsReducedAndCentredSmallOneShownAtNaturalSize) {
    // The client area is the outer size less the frame (the offscreen
    // platform draws a thin one); the picture's edges are checked inside and
    // just outside the place worked out for it.
    const QSize area = form.Image1->size();
    ASSERT_EQ(area, form.size());
    for (const QSize picture : {QSize(1392, 480), QSize(100, 50), QSize(300, 1000)}) {
        form.Image1->loadPicture(test::solidJpeg(picture.width(), picture.height(), kPicture));
        const QRect r = ScreenshotImage::placement(picture, area);
        if (picture.width() <= area.width() && picture.height() <= area.height()) {
            EXPECT_EQ(r.size(), picture);
        } else {
            EXPECT_TRUE(r.width() == area.width() || r.height() == area.height());
        }
        EXPECT_LE(std::abs(r.center().x() - area.width() / 2), 1);
        EXPECT_LE(std::abs(r.center().y() - area.height() / 2), 1);

        const QImage image = shot();
        ASSERT_EQ(image.size(), area);
        for (const QPoint inside : {r.topLeft(), r.bottomRight(), r.center()})
            EXPECT_TRUE(near(image.pixel(inside), kPicture)) << picture.width() << ' ' << inside.x() << ',' << inside.y();
        for (const QPoint outside : {r.topLeft() - QPoint(1, 1), r.bottomRight() + QPoint(1, 1)}) {
            if (image.rect().contains(outside)) {
                EXPECT_EQ(image.pixel(outside), kWindow) << picture.width();
            }
        }
    }
}

TEST_F(Viewer, DecodingDamageIsReportedOnceAndShowsNoPicture) {
    Bytes bytes = test::solidJpeg(40, 30, kPicture);
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDB) bytes[i + 1] = 0xFE;  // no quantisation table
    QSignalSpy failed(form.Image1, &ScreenshotImage::decodeFailed);
    form.showScreenshot(bytes, kWindow);  // the header is fine
    const QImage first = shot();
    shot();
    form.Image1->repaint();
    QCoreApplication::processEvents();
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), QStringLiteral("JPEG error #%1").arg(JERR_NO_QUANT_TABLE));
    EXPECT_EQ(first.pixel(348, 240), kWindow);
}

TEST_F(Viewer, ShowingAScreenshotTakesTheColourAndRefusedBytesLeaveAnEmptyPicture) {
    form.close();
    const QRgb mainColour = qRgb(1, 2, 200);
    EXPECT_EQ(thrown([&] { form.showScreenshot(Bytes{'n', 'o'}, mainColour); }),
              "JPEG error #" + std::to_string(JERR_NO_SOI));
    EXPECT_FALSE(form.isVisible());
    ASSERT_NE(form.Image1->picture(), nullptr);
    EXPECT_TRUE(form.Image1->picture()->isEmpty());
    EXPECT_EQ(form.viewerColor(), QColor(kWindow));

    form.showScreenshot(test::solidJpeg(10, 10, kPicture), mainColour);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.viewerColor(), QColor(mainColour));
    EXPECT_EQ(shot().pixel(0, 0), mainColour);
    EXPECT_EQ(form.Image1->picture()->size(), QSize(10, 10));
}
