#pragma once
// The screenshot viewer window (`Form2`): a walkthrough's screenshot beside
// the main window. Created hidden at start-up and kept until the program
// ends; closing it only hides it, and it keeps its last picture. Its outer
// size, frame included, is 696 x 480; it is centred on the desktop the first
// time it is shown and left where the user puts it afterwards.
#include <QColor>
#include <QSize>
#include <QWidget>

#include <cstdint>
#include <span>

namespace kodrix {

class OuterSizeKeeper;
class ScreenshotImage;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kOuterSize{696, 480};

    explicit TForm2(QWidget* parent = nullptr);

    // Fills the client area; its decodeFailed signal carries a decoding
    // error found when the picture is first painted.
    ScreenshotImage* Image1 = nullptr;

    // A link click's last steps: a new, empty picture is read from the bytes
    // (Error("JPEG error #%d") ends the steps there, the window then holding
    // the empty picture and not brought up), the window takes the colour,
    // and it is shown or brought to the front.
    void showScreenshot(std::span<const std::uint8_t> jpegBytes, const QColor& colour);

    // The window's colour, behind the picture.
    void setViewerColor(const QColor& colour);
    QColor viewerColor() const;

    // A hidden window is shown (the first time at its outer size, centred on
    // the desktop); a visible one is brought to the front.
    void showOrRaise();

private:
    void placeOnDesktop();

    OuterSizeKeeper* outerSize_ = nullptr;
    bool shownBefore_ = false;
};

}  // namespace kodrix
