#include "errorbox.h"

#include <QMessageBox>

#include <exception>

void showError(QWidget *parent, const QString &action, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tobrin's Mustrel"), action,
                    QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool trySave(QWidget *parent, const std::function<void()> &save)
{
    try {
        save();
        return true;
    } catch (const std::exception &e) {
        // The library gives paths in its messages as UTF-8 on Windows, and as they are named on
        // POSIX, where Qt takes names to be UTF-8.
        showError(parent, QStringLiteral("The mission could not be saved."),
                  QString::fromUtf8(e.what()));
        return false;
    }
}
