#include "program.h"

#include "look.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    look::setUpApplication(app);
    Program program;
    program.start();
    const int status = QApplication::exec();
    // Windows unloaded on the way out were only scheduled for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
