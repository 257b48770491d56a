#include "savetarget.h"

#include "error.h"
#include "ownnames.h"
#include "platform.h"

namespace fs = std::filesystem;

namespace files
{

fs::path followLinks(const fs::path &target)
{
    // As many links as the system itself follows before it gives up.
    constexpr int kMaxLinks = 40;
    fs::path path = target;
    for (int followed = 0;; ++followed) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            break;
        if (followed == kMaxLinks)
            throw Error(kWriteAction, target,
                        std::make_error_code(std::errc::too_many_symbolic_link_levels));
        const fs::path to = fs::read_symlink(path, ec);
        if (ec)
            throw Error(kWriteAction, path, ec);
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    if (path == target)
        return target;
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
    return ec ? path : folder / path.filename();
}

bool sameFile(const fs::path &a, const fs::path &b)
{
    const fs::path fileA = followLinks(a), fileB = followLinks(b);
    std::error_code ec;
    // Where both exist, the file system decides: it sees through "..", links, other names and
    // case folding alike. Otherwise the same name in the same folder.
    if (fs::exists(fileA, ec) && fs::exists(fileB, ec))
        return fs::equivalent(fileA, fileB, ec);
    const auto folder = [](const fs::path &file) {
        return file.has_parent_path() ? file.parent_path() : fs::path(".");
    };
    return platform::sameName(fileA.filename(), fileB.filename()) &&
           fs::equivalent(folder(fileA), folder(fileB), ec);
}

void checkTarget(const fs::path &target)
{
    const NativeName name = target.filename().native();
    if (name.starts_with(NativeName(kOwnPrefix.begin(), kOwnPrefix.end())))
        throw Error(kWriteAction, target,
                    "the program keeps names beginning with \".tm-\" for its own files");
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(target, ec).type();
    if (type == fs::file_type::directory)
        throw Error(kWriteAction, target, std::make_error_code(std::errc::is_a_directory));
    // A device, a named pipe or a socket would be replaced by a plain file, with no backup;
    // writing into it instead could wait forever for a reader.
    if (type != fs::file_type::regular && type != fs::file_type::not_found &&
        type != fs::file_type::none)
        throw Error(kWriteAction, target, kNotARegularFile);
    if (type == fs::file_type::regular) {
        platform::checkWritable(target, ec);
        if (ec)
            throw Error(kWriteAction, target, ec);
    }
}

} // namespace files
