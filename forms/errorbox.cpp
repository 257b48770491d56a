#include "errorbox.h"

#include "pathtext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>

#include <exception>
#include <memory>

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

files::WaitForFolder waitShowingProgress(QWidget *parent)
{
    struct Waiting {
        QElapsedTimer since;
        std::unique_ptr<QProgressDialog> dialog;
    };
    // One for all the calls of one wait, and gone with it.
    auto waiting = std::make_shared<Waiting>();
    return [parent, waiting](const std::filesystem::path &folder) {
        if (!waiting->dialog) {
            waiting->since.start();
            waiting->dialog = std::make_unique<QProgressDialog>(
                QStringLiteral("Waiting for another save in \"%1\" to finish...")
                    .arg(QString::fromUtf8(files::pathText(folder))),
                QStringLiteral("Cancel"), 0, 0, parent);
            waiting->dialog->setObjectName(QStringLiteral("waitForFolder"));
            waiting->dialog->setWindowTitle(QStringLiteral("Tobrin's Mustrel"));
            waiting->dialog->setWindowModality(Qt::ApplicationModal);
            waiting->dialog->setMinimumDuration(0);
            waiting->dialog->show();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 40);
        return !waiting->dialog->wasCanceled() && waiting->since.elapsed() < kLongestWaitMs;
    };
}
