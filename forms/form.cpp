#include "form.h"

#include "shell.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include <algorithm>

namespace
{

// The frame the window manager puts around a window, taken from a window it has framed already:
// a window's own is known only once it is shown and framed.
QMargins framing(const QWidget *window)
{
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        const QRect frame = w->frameGeometry();
        const QRect inside = w->geometry();
        if (w != window && w->isVisible() && frame != inside)
            return {inside.left() - frame.left(), inside.top() - frame.top(),
                    frame.right() - inside.right(), frame.bottom() - inside.bottom()};
    }
    return {};
}

} // namespace

Form::Form(Shell &shell) : shell_(shell) {}

QAccessibleInterface *Form::accessibleInterface(const QString &, QObject *object)
{
    // A plain widget is a "filler" to screen readers: each form is a window or a dialog.
    if (auto *form = qobject_cast<Form *>(object))
        return new QAccessibleWidget(form,
                                     form->isDialog() ? QAccessible::Dialog : QAccessible::Window);
    return nullptr;
}

void Form::closeEvent(QCloseEvent *event)
{
    // The program decides what becomes of the window: it unloads it, which hides it.
    event->ignore();
    shell_.unload(*this);
}

// The design's place, moved only as far as the window must be to lie within the screen's
// available area: at a high-dpi scale it is larger than on the screen it was laid out for. A
// window larger than the area keeps its title bar in reach, at the area's top left.
void Form::showEvent(QShowEvent *event)
{
    if (!placed_ && screen()) {
        placed_ = true;
        const QRect area = screen()->availableGeometry();
        QRect frame = frameGeometry();
        if (frame == geometry())
            frame = QRect(pos(), geometry().marginsAdded(framing(this)).size());
        const QPoint to(
            std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())),
            std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
        if (to != frame.topLeft())
            move(to);
    }
    QWidget::showEvent(event);
}
