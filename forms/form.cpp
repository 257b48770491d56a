#include "form.h"

#include "look.h"
#include "shell.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QScreen>

#include <algorithm>

namespace
{

// A plain widget is a "filler" to screen readers: each form is a window or a dialog.
QAccessibleInterface *formAccessible(const QString &, QObject *object)
{
    if (auto *form = qobject_cast<Form *>(object))
        return new QAccessibleWidget(form,
                                     form->isDialog() ? QAccessible::Dialog : QAccessible::Window);
    return nullptr;
}

} // namespace

Form::Form(Shell &shell) : shell_(shell)
{
    [[maybe_unused]] static const bool once = (QAccessible::installFactory(formAccessible), true);
    setWindowIcon(look::programIcon());
}

void Form::closeEvent(QCloseEvent *event)
{
    // The program decides what becomes of the window: it unloads it, which hides it.
    event->ignore();
    shell_.unload(*this);
}

void Form::showEvent(QShowEvent *event)
{
    // The design's place, moved only as far as the window must be to lie within the screen's
    // available area: at a high-dpi scale it is larger than on the screen it was laid out for.
    // A window larger than the area keeps its title bar in reach, at the area's top left.
    if (!placed_ && screen()) {
        placed_ = true;
        const QRect area = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        const QPoint to(
            std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())),
            std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
        if (to != frame.topLeft())
            move(to);
    }
    QWidget::showEvent(event);
}
