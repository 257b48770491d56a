#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <span>

class QApplication;
class QWidget;

// The common look of the program's windows. Windows are laid out in twips for 15 twips per
// pixel (96 dots per inch); a control's position counts from the window's client area or, for a
// control inside a frame, from the frame's own top-left corner, caption strip included.
namespace look
{

inline constexpr int kTwipsPerPixel = 15;

[[nodiscard]] constexpr int pixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

[[nodiscard]] QRect rectFromTwips(int left, int top, int width, int height);

inline constexpr QRgb kBlack = 0xff000000;
inline constexpr QRgb kRed = 0xffff0000;
inline constexpr QRgb kGreen = 0xff00ff00;
inline constexpr QRgb kDarkGreen = 0xff008000;
inline constexpr QRgb kDarkRed = 0xffc00000;
inline constexpr QRgb kDimGreen = 0xff007000;
inline constexpr QRgb kStandard = 0; // the system's colour

enum class Kind { Label, Frame, List, Button, CheckBox, Image, TextBox, DriveList, Custom };

inline constexpr int kNoTab = -1;
inline constexpr double kStandardFont = 0;

// One control of a window's design.
struct Control {
    const char *name;
    Kind kind;
    const char *inside; // the frame that holds it; nullptr for the window itself
    const char *text;
    int left, top, width, height; // twips
    int tab;                      // place in the focus order, 0 first; kNoTab for none
    double points;                // Arial size; kStandardFont keeps the system font
    bool bold;
    QRgb textColor; // labels: text; frames: caption; kStandard otherwise
    QRgb faceColor; // buttons: the button face
};

// The program-wide look: one style on every platform, so colours and faces read the same. The
// one place that gives every window the program's icon and tells screen readers what the
// windows and the drop-down lists are.
void setUpApplication(QApplication &app);

// Title, fixed client size, black background and Arial; the window opens
// with its client area at the given place on the screen.
void setUpWindow(QWidget *window, const QString &title, QRect clientTwips);

// Makes every control of the table that the window does not already hold (a control of kind
// Custom is made by the window beforehand, under its name), places and styles it, and puts the
// focusable ones in their tab order. Frames must come before the controls inside them.
void build(QWidget *window, std::span<const Control> controls);

[[nodiscard]] QFont arial(double points, bool bold = false);

} // namespace look
