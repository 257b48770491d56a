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
    const auto early = options::read(options::withoutQtOptions(options::arguments(argc, argv)));
    if (early.action != options::CommandLine::Action::Run)
        return options::answer(early);
    if (const int status = options::checkWorkspace(early); status != 0)
        return status;

    QApplication app(argc, argv);
    // What is left once Qt has taken its own options (-platform, -style...).
    const auto line = options::read(options::arguments(argc, argv));
    if (line.action != options::CommandLine::Action::Run)
        return options::answer(line);
    look::setUpApplication(app);
    const std::filesystem::path named = options::workspace(line);
    Program program({}, named.empty() ? mission::Workspace() : mission::Workspace(named));
    program.start();
    return QApplication::exec();
}
