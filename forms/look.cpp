#include "look.h"

#include "form.h"
#include "version.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace look
{

namespace
{

void paint(QWidget *widget, QPalette::ColorRole role, QRgb color,
           QPalette::ColorGroup group = QPalette::All)
{
    QPalette palette = widget->palette();
    palette.setColor(group, role, QColor::fromRgba(color));
    widget->setPalette(palette);
}

// The style shades a button's face into a lighter gradient; a coloured face is painted flat
// so that it shows its own colour.
void paintFace(QPushButton *button, QRgb color)
{
    paint(button, QPalette::Button, color);
    const QColor face = QColor::fromRgba(color);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid %2;"
                                         " border-radius: 2px; }"
                                         "QPushButton:focus { border: 1px solid %3; }"
                                         "QPushButton:pressed { background-color: %2; }")
                              .arg(face.name(), face.darker(160).name(), face.lighter(160).name()));
}

// A control in the standard colours must not take the black and red of the frame around it.
void keepStandardColours(QWidget *widget)
{
    QPalette palette = QApplication::palette(widget);
    palette.setResolveMask(~QPalette::ResolveMask(0));
    widget->setPalette(palette);
}

// A control in the standard font must not take the window's Arial.
void keepStandardFont(QWidget *widget)
{
    QFont font = QApplication::font(widget);
    font.setResolveMask(QFont::AllPropertiesResolved);
    widget->setFont(font);
}

// A plain list box. An item that is too wide is cut off at the edge, not shortened with an
// ellipsis, so the list shows the item's own text. When the list gains the focus it makes its
// first item current without selecting it; an arrow key that cannot move from there (the one
// item of a one-item list, Up on the first) then selects that item, as the user expects.
class ListBox : public QListWidget
{
public:
    explicit ListBox(QWidget *parent) : QListWidget(parent) { setTextElideMode(Qt::ElideNone); }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QModelIndex before = currentIndex();
        QListWidget::keyPressEvent(event);
        const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
        if (arrow && event->modifiers() == Qt::NoModifier && before.isValid() &&
            currentIndex() == before && !selectionModel()->isSelected(before))
            selectionModel()->select(before, QItemSelectionModel::ClearAndSelect);
    }
};

// A picture shown at its natural size in device-independent pixels. On a screen that scales
// the window (1.5, 2), it is drawn smoothly rather than as blocks of repeated pixels.
class Picture : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QPixmap shown = pixmap();
        if (shown.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(QPoint(0, 0), shown.deviceIndependentSize().toSize()), shown);
    }
};

// On Linux Qt names a drop-down list by its value (the drive list by "/"); one given a name
// is known by it there too, and keeps its value as its value.
class NamedDropDown : public QAccessibleWidget
{
public:
    explicit NamedDropDown(QComboBox *list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<QComboBox *>(widget())->currentText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *namedDropDown(const QString &className, QObject *object)
{
    auto *list =
        className == QLatin1String("QComboBox") ? qobject_cast<QComboBox *>(object) : nullptr;
    if (list && !list->accessibleName().isEmpty())
        return new NamedDropDown(list);
    return nullptr;
}

constexpr const char *kShowsFocus = "tmShowsFocus";

// The keyboard focus as a ring just outside the focused control of a window set up here: the
// style's own hint is a faint tint that cannot be seen on the black windows. The ring is drawn in
// white or black, whichever stands out from what is around the control; it takes no clicks, and
// changes neither the control's colours nor the layout.
class FocusRing : public QWidget
{
public:
    static void follow(QWidget *now)
    {
        static QPointer<FocusRing> ring;
        QWidget *around = now ? now->parentWidget() : nullptr;
        if (!around || !now->window()->property(kShowsFocus).toBool()) {
            if (ring)
                ring->hide();
            return;
        }
        if (!ring)
            ring = new FocusRing(around);
        ring->setParent(around);
        ring->setGeometry(now->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
        const bool dark = around->palette().color(QPalette::Window).lightnessF() < 0.5;
        ring->color_ = dark ? Qt::white : Qt::black;
        ring->show();
        ring->raise();
        ring->update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Only the ring: the control shows through the inside.
        QPainter painter(this);
        const QRect r = rect();
        painter.fillRect(r.left(), r.top(), r.width(), kWidth, color_);
        painter.fillRect(r.left(), r.bottom() - kWidth + 1, r.width(), kWidth, color_);
        painter.fillRect(r.left(), r.top(), kWidth, r.height(), color_);
        painter.fillRect(r.right() - kWidth + 1, r.top(), kWidth, r.height(), color_);
    }

private:
    static constexpr int kWidth = 2;

    explicit FocusRing(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    QColor color_;
};

QWidget *make(QWidget *parent, const Control &c)
{
    const QString text = QString::fromLatin1(c.text);
    switch (c.kind) {
    case Kind::Label: {
        auto *label = new QLabel(text, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case Kind::Frame:
        return new QGroupBox(text, parent);
    case Kind::List:
        return new ListBox(parent);
    case Kind::Button:
        return new QPushButton(text, parent);
    case Kind::CheckBox:
        return new QCheckBox(text, parent);
    case Kind::Image:
        return new Picture(parent);
    case Kind::TextBox:
        return new QLineEdit(text, parent);
    case Kind::DriveList:
        return new QComboBox(parent);
    case Kind::Custom:
        break;
    }
    return nullptr;
}

void style(QWidget *widget, const Control &c)
{
    if (c.points != kStandardFont)
        widget->setFont(arial(c.points, c.bold));
    else
        keepStandardFont(widget);
    switch (c.kind) {
    case Kind::Label:
        paint(widget, QPalette::WindowText, c.textColor);
        break;
    case Kind::Frame:
        widget->setAutoFillBackground(true);
        paint(widget, QPalette::Window, kBlack);
        paint(widget, QPalette::WindowText, c.textColor);
        break;
    case Kind::CheckBox:
        // A button fills its background with the button face unless told otherwise.
        widget->setBackgroundRole(QPalette::Window);
        widget->setAutoFillBackground(true);
        paint(widget, QPalette::Window, kBlack);
        paint(widget, QPalette::WindowText, kGreen);
        // A box the user cannot change reads as such: its text is dimmed.
        paint(widget, QPalette::WindowText, kDimGreen, QPalette::Disabled);
        break;
    case Kind::Button:
        keepStandardColours(widget);
        if (c.faceColor != kStandard)
            paintFace(static_cast<QPushButton *>(widget), c.faceColor);
        break;
    case Kind::List:
    case Kind::TextBox:
    case Kind::DriveList:
    case Kind::Custom:
        keepStandardColours(widget);
        break;
    case Kind::Image:
        break;
    }
    if (c.kind == Kind::Label || c.kind == Kind::Frame || c.kind == Kind::Image)
        widget->setFocusPolicy(Qt::NoFocus);
}

} // namespace

QRect rectFromTwips(int left, int top, int width, int height)
{
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

QFont arial(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void setUpApplication(QApplication &app)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("Tobrin's Mustrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(tobrins::kVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tobrins-mustrel.ico")));
    // The program ends only by its own exit sequences, never because a window was hidden.
    app.setQuitOnLastWindowClosed(false);
    QAccessible::installFactory(namedDropDown);
    QAccessible::installFactory(Form::accessibleInterface);
    QObject::connect(&app, &QApplication::focusChanged, &app,
                     [](QWidget *, QWidget *now) { FocusRing::follow(now); });
}

void setUpWindow(QWidget *window, const QString &title, QRect clientTwips)
{
    const QRect client =
        rectFromTwips(clientTwips.x(), clientTwips.y(), clientTwips.width(), clientTwips.height());
    window->setWindowTitle(title);
    window->setFixedSize(client.size());
    window->move(client.topLeft());
    window->setAutoFillBackground(true);
    paint(window, QPalette::Window, kBlack);
    window->setFont(arial(8.25));
    window->setProperty(kShowsFocus, true);
}

void build(QWidget *window, std::span<const Control> controls)
{
    std::vector<std::pair<int, QWidget *>> focusOrder;
    for (const Control &c : controls) {
        QWidget *parent = window;
        if (c.inside)
            parent = window->findChild<QWidget *>(QString::fromLatin1(c.inside));
        Q_ASSERT(parent);
        QWidget *widget = window->findChild<QWidget *>(QString::fromLatin1(c.name));
        if (!widget)
            widget = make(parent, c);
        Q_ASSERT(widget);
        widget->setParent(parent);
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setGeometry(rectFromTwips(c.left, c.top, c.width, c.height));
        style(widget, c);
        // A caption set off by blanks is read without them.
        if (c.kind == Kind::Label &&
            QString::fromLatin1(c.text) != QString::fromLatin1(c.text).trimmed())
            widget->setAccessibleName(QString::fromLatin1(c.text).trimmed());
        // A list alone in a frame is known to screen readers by the frame's caption.
        if (c.kind == Kind::List && parent != window)
            widget->setAccessibleName(static_cast<QGroupBox *>(parent)->title());
        if (c.tab != kNoTab && widget->focusPolicy() != Qt::NoFocus)
            focusOrder.emplace_back(c.tab, widget);
    }
    std::sort(focusOrder.begin(), focusOrder.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
}

} // namespace look
