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
        // Paths in the messages are path text (pathtext.h), which Qt reads as UTF-8.
        showError(parent, QStringLiteral("The mission could not be saved."),
                  QString::fromUtf8(e.what()));
        return false;
    }
}
