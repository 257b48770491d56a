#include "program.h"

#include "filesizelimit.h"
#include "look.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    files::reportFileSizeLimitAsError();
    QApplication app(argc, argv);
    look::setUpApplication(app);
    Program program;
    program.start();
    return QApplication::exec();
}
