#include "options.h"

#include "dirlist.h"
#include "version.h"
#include "workspace.h"

#include "error.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace options
{

namespace
{

constexpr const char *kName = "tobrins-mustrel";

constexpr const char *kHelp = R"(Usage: tobrins-mustrel [--workspace FOLDER]

Tobrin's Mustrel edits the Green Beret in the mission "Guess who's coming tonight" and saves
the mission. It reads the stored mission pieces from its workspace and writes the Green
Beret's two blocks there: tobrinmis under the current folder, or the FOLDER named with
--workspace. The save dialog opens on the current folder.
)"
#ifndef _WIN32
                              R"(
Installed, the command tobrins-mustrel gives you a workspace of your own,
${XDG_DATA_HOME:-~/.local/share}/tobrins-mustrel/tobrinmis, and starts the editor on it.
)"
#endif
                              R"(
  --workspace FOLDER  the workspace folder
  --help              show this help
  --version           show the version
)";

// The options of QGuiApplication and QApplication (Qt 6), each either followed by its value or
// standing alone; Qt takes them with one dash or two, and a value also after "=".
constexpr const char *kQtOptionsWithValue[] = {"platform",
                                               "platformpluginpath",
                                               "platformtheme",
                                               "plugin",
                                               "qwindowgeometry",
                                               "qwindowicon",
                                               "qwindowtitle",
                                               "session",
                                               "display",
                                               "geometry",
                                               "title",
                                               "name",
                                               "visual",
                                               "ncols",
                                               "cmap",
                                               "style",
                                               "stylesheet",
                                               "qmljsdebugger"};
constexpr const char *kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

QStringList withoutQtOptions(const QStringList &args)
{
    QStringList left;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--")) {
            left << args.mid(i);
            break;
        }
        QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2)
                       : arg.startsWith(QLatin1Char('-'))  ? arg.mid(1)
                                                           : QString();
        const bool withValue = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        const auto is = [&name](const char *option) { return name == QLatin1String(option); };
        if (std::any_of(std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue), is)) {
            if (!withValue)
                ++i;
        } else if (std::none_of(std::begin(kQtFlags), std::end(kQtFlags), is)) {
            left << arg;
        }
    }
    return left;
}

int checkWorkspace(const CommandLine &line)
{
    if (line.workspace.isEmpty())
        return 0;
    try {
        mission::checkWorkspaceFolder(toPath(line.workspace));
        return 0;
    } catch (const files::Error &e) {
        // The message's path is path text, UTF-8; the terminal reads the local encoding.
        std::fprintf(stderr, "%s: %s\n", kName,
                     QString::fromUtf8(e.what()).toLocal8Bit().constData());
        return 1;
    }
}

CommandLine read(const QStringList &args)
{
    CommandLine line;
    const auto wrong = [&line](const QString &problem) {
        if (line.action == CommandLine::Action::Run) {
            line.action = CommandLine::Action::Usage;
            line.problem = problem;
        }
    };
    const QString prefix = QStringLiteral("--workspace=");
    bool optionsDone = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (optionsDone) {
            wrong(QStringLiteral("unknown argument \"%1\"").arg(arg));
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            return {CommandLine::Action::Help, {}, {}};
        } else if (arg == QLatin1String("--version")) {
            return {CommandLine::Action::Version, {}, {}};
        } else if (arg == QLatin1String("--")) {
            optionsDone = true;
        } else if (arg == QLatin1String("--workspace") || arg.startsWith(prefix)) {
            const QString folder =
                arg.startsWith(prefix) ? arg.mid(prefix.size()) : args.value(++i);
            if (folder.isEmpty())
                wrong(QStringLiteral("--workspace must be followed by a folder"));
            else
                line.workspace = folder;
        } else {
            wrong(QStringLiteral("unknown argument \"%1\"").arg(arg));
        }
    }
    return line;
}

int answer(const CommandLine &line)
{
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(kHelp, stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("%s %s\n", kName, mission::kVersion);
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "%s: %s\nUsage: %s [--workspace FOLDER]   (--help for more)\n", kName,
                     line.problem.toLocal8Bit().constData(), kName);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}

} // namespace options
