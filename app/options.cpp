#include "options.h"

#include "error.h"
#include "pathtext.h"
#include "workspace.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <string_view>

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

std::vector<std::string> arguments(int argc, char **argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    if (QCoreApplication::instance()) {
        for (const QString &arg : QCoreApplication::arguments().mid(1))
            args.push_back(arg.toStdString());
        return args;
    }
    for (int i = 1; i < argc; ++i)
        args.push_back(QString::fromLocal8Bit(argv[i]).toStdString());
#else
    args.assign(argv + 1, argv + argc);
#endif
    return args;
}

std::vector<std::string> withoutQtOptions(const std::vector<std::string> &args)
{
    std::vector<std::string> left;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            left.insert(left.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string_view name = arg;
        name.remove_prefix(name.starts_with("--") ? 2 : name.starts_with('-') ? 1 : name.size());
        const bool withValue = name.find('=') != std::string_view::npos;
        name = name.substr(0, name.find('='));
        const auto is = [name](const char *option) { return name == option; };
        if (std::any_of(std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue), is)) {
            if (!withValue)
                ++i;
        } else if (std::none_of(std::begin(kQtFlags), std::end(kQtFlags), is)) {
            left.push_back(arg);
        }
    }
    return left;
}

std::filesystem::path workspace(const CommandLine &line)
{
    return files::pathFromText(line.workspace).make_preferred();
}

int checkWorkspace(const CommandLine &line)
{
    if (line.workspace.empty())
        return 0;
    try {
        mission::checkWorkspaceFolder(workspace(line));
        return 0;
    } catch (const files::Error &e) {
        // The message's path is path text, UTF-8; the terminal reads the local encoding.
        std::fprintf(stderr, "%s: %s\n", kName,
                     QString::fromUtf8(e.what()).toLocal8Bit().constData());
        return 1;
    }
}

CommandLine read(const std::vector<std::string> &args)
{
    return cli::read(args, {{}, 0, "unknown argument", {}});
}

int answer(const CommandLine &line)
{
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(kHelp, stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("%s\n", cli::versionLine(kName).c_str());
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "%s: %s\nUsage: %s [--workspace FOLDER]   (--help for more)\n", kName,
                     QString::fromUtf8(line.problem).toLocal8Bit().constData(), kName);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}

} // namespace options
