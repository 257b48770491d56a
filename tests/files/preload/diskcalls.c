/* Loaded into a program with LD_PRELOAD, it records the calls whose effect on disk a safe save
 * rests on, as the program really makes them, and can make a chosen one fail.
 *
 *   TM_DISKCALLS_LOG   the file each call is appended to, one line a call, in the order made:
 *                      call <TAB> result (0 or the errno) <TAB> device:inode <TAB> path [<TAB>
 * path] Paths are absolute; a descriptor's is the one it has at the call. TM_DISKCALLS_FAIL  calls
 * to fail instead of making them, "name:ERRNO,name:ERRNO" (EPERM, EIO, ENOSPC, EXDEV or a number),
 * e.g. "link:EPERM,linkat:EPERM".
 *
 * Writes are recorded only to regular files, the log excepted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

static int logFd = -2;
static dev_t logDev;
static ino_t logIno;

static void *real(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

static int openLog(void)
{
    if (logFd == -2) {
        const char *path = getenv("TM_DISKCALLS_LOG");
        logFd = path ? (int)syscall(SYS_openat, AT_FDCWD, path,
                                    O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)
                     : -1;
        struct stat st;
        if (logFd >= 0 && fstat(logFd, &st) == 0) {
            logDev = st.st_dev;
            logIno = st.st_ino;
        }
    }
    return logFd;
}

/* The errno to fail `call` with, 0 to make it. */
static int failure(const char *call)
{
    const char *list = getenv("TM_DISKCALLS_FAIL");
    const size_t length = strlen(call);
    for (const char *at = list; at && *at;) {
        const char *end = strchr(at, ',');
        if (!end)
            end = at + strlen(at);
        if ((size_t)(end - at) > length && strncmp(at, call, length) == 0 && at[length] == ':') {
            const char *code = at + length + 1;
            static const struct {
                const char *name;
                int value;
            } known[] = {{"EPERM", EPERM}, {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EXDEV", EXDEV}};
            for (size_t k = 0; k < sizeof known / sizeof known[0]; ++k)
                if (strncmp(code, known[k].name, strlen(known[k].name)) == 0)
                    return known[k].value;
            return atoi(code);
        }
        at = *end ? end + 1 : end;
    }
    return 0;
}

/* `path` as an absolute path, seen from the folder `dirfd` stands for. */
static void absolute(int dirfd, const char *path, char *out, size_t size)
{
    char base[PATH_MAX] = "";
    if (path[0] == '/') {
        snprintf(out, size, "%s", path);
        return;
    }
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base))
            base[0] = '\0';
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        base[n > 0 ? n : 0] = '\0';
    }
    snprintf(out, size, "%s/%s", base, path);
}

static void record(const char *call, int result, const struct stat *st, const char *path,
                   const char *other)
{
    const int saved = errno;
    if (openLog() >= 0) {
        char line[3 * PATH_MAX];
        const int n =
            snprintf(line, sizeof line, "%s\t%d\t%lu:%lu\t%s%s%s\n", call, result,
                     st ? (unsigned long)st->st_dev : 0UL, st ? (unsigned long)st->st_ino : 0UL,
                     path, other ? "\t" : "", other ? other : "");
        if (n > 0)
            syscall(SYS_write, logFd, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
    }
    errno = saved;
}

static int outcome(int returned)
{
    return returned < 0 ? errno : 0;
}

/* A call on a descriptor: what it names now. Writes count only to regular files. */
static void recordFd(const char *call, int result, int fd, int onlyFiles)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || (onlyFiles && !S_ISREG(st.st_mode)))
        return;
    if (openLog() >= 0 && st.st_dev == logDev && st.st_ino == logIno)
        return;
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    path[n > 0 ? n : 0] = '\0';
    record(call, result, &st, path, NULL);
}

/* A call on names: the file `from` names before the call. */
static void recordNames(const char *call, int result, const struct stat *st, int fromDir,
                        const char *from, int toDir, const char *to)
{
    char a[PATH_MAX], b[PATH_MAX];
    absolute(fromDir, from, a, sizeof a);
    if (to)
        absolute(toDir, to, b, sizeof b);
    record(call, result, st, a, to ? b : NULL);
}

#define FAIL_OR(call)                                                                              \
    const int injected = failure(call);                                                            \
    if (injected) {                                                                                \
        errno = injected;                                                                          \
        result = -1;                                                                               \
    } else

typedef int (*SyncFn)(int);
static int syncCall(const char *call, int fd)
{
    int result;
    FAIL_OR(call) result = ((SyncFn)real(call))(fd);
    recordFd(call, outcome(result), fd, 0);
    return result;
}
int fsync(int fd)
{
    return syncCall("fsync", fd);
}
int fdatasync(int fd)
{
    return syncCall("fdatasync", fd);
}

static int moveCall(const char *call, int fromDir, const char *from, int toDir, const char *to,
                    int flags)
{
    struct stat st;
    const int known = fstatat(fromDir, from, &st, AT_SYMLINK_NOFOLLOW) == 0;
    int result;
    FAIL_OR(call)
    {
        if (strcmp(call, "rename") == 0)
            result = ((int (*)(const char *, const char *))real(call))(from, to);
        else if (strcmp(call, "link") == 0)
            result = ((int (*)(const char *, const char *))real(call))(from, to);
        else if (strcmp(call, "renameat") == 0)
            result = ((int (*)(int, const char *, int, const char *))real(call))(fromDir, from,
                                                                                 toDir, to);
        else /* renameat2, linkat */
            result = ((int (*)(int, const char *, int, const char *, int))real(call))(
                fromDir, from, toDir, to, flags);
    }
    recordNames(call, outcome(result), known ? &st : NULL, fromDir, from, toDir, to);
    return result;
}
int rename(const char *from, const char *to)
{
    return moveCall("rename", AT_FDCWD, from, AT_FDCWD, to, 0);
}
int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    return moveCall("renameat", fromDir, from, toDir, to, 0);
}
int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    return moveCall("renameat2", fromDir, from, toDir, to, (int)flags);
}
int link(const char *from, const char *to)
{
    return moveCall("link", AT_FDCWD, from, AT_FDCWD, to, 0);
}
int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    return moveCall("linkat", fromDir, from, toDir, to, flags);
}

static int removeCall(const char *call, int dir, const char *path, int flags)
{
    struct stat st;
    const int known = fstatat(dir, path, &st, AT_SYMLINK_NOFOLLOW) == 0;
    int result;
    FAIL_OR(call)
    result = strcmp(call, "unlink") == 0
                 ? ((int (*)(const char *))real(call))(path)
                 : ((int (*)(int, const char *, int))real(call))(dir, path, flags);
    recordNames(call, outcome(result), known ? &st : NULL, dir, path, 0, NULL);
    return result;
}
int unlink(const char *path)
{
    return removeCall("unlink", AT_FDCWD, path, 0);
}
int unlinkat(int dir, const char *path, int flags)
{
    return removeCall("unlinkat", dir, path, flags);
}

static int openCall(const char *call, int dir, const char *path, int flags, mode_t mode)
{
    int result;
    FAIL_OR(call)
    result = dir == AT_FDCWD && strncmp(call, "open", 4) == 0 && call[4] != 'a'
                 ? ((int (*)(const char *, int, ...))real(call))(path, flags, mode)
                 : ((int (*)(int, const char *, int, ...))real(call))(dir, path, flags, mode);
    struct stat st;
    const int known = result >= 0 && fstat(result, &st) == 0;
    recordNames((flags & O_CREAT) ? "open-create" : "open", outcome(result), known ? &st : NULL,
                dir, path, 0, NULL);
    return result;
}
static mode_t modeOf(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}
#define OPEN(name)                                                                                 \
    int name(const char *path, int flags, ...)                                                     \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeOf(flags, args);                                                   \
        va_end(args);                                                                              \
        return openCall(#name, AT_FDCWD, path, flags, mode);                                       \
    }
#define OPENAT(name)                                                                               \
    int name(int dir, const char *path, int flags, ...)                                            \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeOf(flags, args);                                                   \
        va_end(args);                                                                              \
        return openCall(#name, dir, path, flags, mode);                                            \
    }
OPEN(open)
OPEN(open64)
OPENAT(openat)
OPENAT(openat64)

/* What writes data into a file: the descriptor's file, as it is named at the call. */
ssize_t write(int fd, const void *data, size_t size)
{
    const ssize_t n = ((ssize_t(*)(int, const void *, size_t))real("write"))(fd, data, size);
    if (n > 0)
        recordFd("write", 0, fd, 1);
    return n;
}
ssize_t pwrite(int fd, const void *data, size_t size, off_t at)
{
    const ssize_t n =
        ((ssize_t(*)(int, const void *, size_t, off_t))real("pwrite"))(fd, data, size, at);
    if (n > 0)
        recordFd("write", 0, fd, 1);
    return n;
}
ssize_t writev(int fd, const struct iovec *parts, int count)
{
    const ssize_t n =
        ((ssize_t(*)(int, const struct iovec *, int))real("writev"))(fd, parts, count);
    if (n > 0)
        recordFd("write", 0, fd, 1);
    return n;
}
ssize_t sendfile(int out, int in, off_t *at, size_t size)
{
    const ssize_t n = ((ssize_t(*)(int, int, off_t *, size_t))real("sendfile"))(out, in, at, size);
    if (n > 0)
        recordFd("write", 0, out, 1);
    return n;
}
ssize_t copy_file_range(int in, off_t *inAt, int out, off_t *outAt, size_t size, unsigned flags)
{
    const ssize_t n = ((ssize_t(*)(int, off_t *, int, off_t *, size_t, unsigned))real(
        "copy_file_range"))(in, inAt, out, outAt, size, flags);
    if (n > 0)
        recordFd("write", 0, out, 1);
    return n;
}
