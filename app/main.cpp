#include "program.h"

#include "look.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    look::setUpApplication(app);
    Program program;
    program.start();
    return QApplication::exec();
}
