#include "dirlist.h"
#include "options.h"
#include "program.h"

#include "filesizelimit.h"
#include "look.h"
#include "workspace.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    files::reportFileSizeLimitAsError();
    // Questions, wrong usage and a workspace that is not there are answered before Qt starts, so
    // they need no display; Qt's own options are left to Qt.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const auto early = options::read(options::withoutQtOptions(given));
    if (early.action != options::CommandLine::Action::Run)
        return options::answer(early);
    if (const int status = options::checkWorkspace(early); status != 0)
        return status;

    QApplication app(argc, argv);
    // What is left once Qt has taken its own options (-platform, -style...).
    const auto line = options::read(QApplication::arguments().mid(1));
    if (line.action != options::CommandLine::Action::Run)
        return options::answer(line);
    look::setUpApplication(app);
    Program program({}, line.workspace.isEmpty() ? mission::Workspace()
                                                 : mission::Workspace(toPath(line.workspace)));
    program.start();
    return QApplication::exec();
}
