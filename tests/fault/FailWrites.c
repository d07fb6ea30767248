/* A preloaded library that makes one write-type call fail, as a full disk
 * would, for files under one folder only (standard output and error, the
 * key folder and the settings keep working).
 *
 *   TZA_FAULT_DIR    absolute folder whose files are affected (required)
 *   TZA_FAULT_NTH    1-based number of the call that fails; 0 or unset: none
 *   TZA_FAULT_MODE   "enospc": the Nth call fails with ENOSPC, later ones work;
 *                    "full":   the Nth and every later call fail with ENOSPC;
 *                    "short":  the Nth write writes half its bytes, every
 *                              later call fails with ENOSPC
 *   TZA_FAULT_COUNT  file that receives, at exit, the number of calls seen
 *   TZA_FAULT_LOG    file that receives one line per call seen: its number,
 *                    the call, the path it affects
 *
 * Write-type calls: write, pwrite, writev, pwritev, fallocate,
 * posix_fallocate, fsync, fdatasync, rename, renameat, renameat2, link,
 * linkat. The C library's streams write through internal calls that a
 * preloaded library cannot replace, so streams on affected files opened by
 * fopen or fdopen are rebuilt as cookie streams whose writes pass through
 * the counted write (fileno still gives their descriptor). */

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static char g_dir[PATH_MAX];
static size_t g_dirLength;
static long g_nth;
static int g_mode; /* 0 enospc, 1 full, 2 short */
static long g_count;
static int g_tripped;
static int g_ready;

#define REAL(name)                                                       \
    ({                                                                   \
        static __typeof__(&name) real_;                                  \
        if (!real_) real_ = (__typeof__(&name))dlsym(RTLD_NEXT, #name); \
        real_;                                                           \
    })

static void Setup(void) {
    if (g_ready) return;
    g_ready = 1;
    const char* dir = getenv("TZA_FAULT_DIR");
    if (dir && dir[0] == '/' && strlen(dir) < sizeof g_dir) {
        strcpy(g_dir, dir);
        g_dirLength = strlen(g_dir);
        while (g_dirLength > 1 && g_dir[g_dirLength - 1] == '/') g_dir[--g_dirLength] = '\0';
    }
    const char* nth = getenv("TZA_FAULT_NTH");
    g_nth = nth ? strtol(nth, NULL, 10) : 0;
    const char* mode = getenv("TZA_FAULT_MODE");
    g_mode = !mode ? 0 : strcmp(mode, "full") == 0 ? 1 : strcmp(mode, "short") == 0 ? 2 : 0;
}

__attribute__((destructor)) static void Report(void) {
    const char* out = getenv("TZA_FAULT_COUNT");
    if (!out) return;
    FILE* f = REAL(fopen)(out, "w");
    if (!f) return;
    fprintf(f, "%ld\n", g_count);
    fclose(f);
}

static char g_lastPath[PATH_MAX * 2];

static int UnderDir(const char* path) {
    if (g_dirLength == 0 || !path) return 0;
    return strncmp(path, g_dir, g_dirLength) == 0 && (path[g_dirLength] == '/' || path[g_dirLength] == '\0');
}

static int PathAffected(int dirFd, const char* path) {
    Setup();
    if (!path) return 0;
    if (path[0] == '/') {
        if (!UnderDir(path)) return 0;
        snprintf(g_lastPath, sizeof g_lastPath, "%s", path);
        return 1;
    }
    char base[PATH_MAX];
    if (dirFd == AT_FDCWD) {
        if (!getcwd(base, sizeof base)) return 0;
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirFd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        if (n < 0) return 0;
        base[n] = '\0';
    }
    char full[PATH_MAX * 2];
    snprintf(full, sizeof full, "%s/%s", base, path);
    if (!UnderDir(full)) return 0;
    snprintf(g_lastPath, sizeof g_lastPath, "%s", full);
    return 1;
}

static int FdAffected(int fd) {
    Setup();
    if (g_dirLength == 0 || fd < 0) return 0;
    char link[64];
    char target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 0) return 0;
    target[n] = '\0';
    if (!UnderDir(target)) return 0;
    snprintf(g_lastPath, sizeof g_lastPath, "%s", target);
    return 1;
}

static void Log(const char* call) {
    const char* out = getenv("TZA_FAULT_LOG");
    if (!out) return;
    const int fd = open(out, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    char line[PATH_MAX * 2 + 64];
    const int n = snprintf(line, sizeof line, "%ld %s %s\n", g_count, call, g_lastPath);
    if (n > 0) (void)REAL(write)(fd, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
    close(fd);
}

/* 0: go on; -1: fail with ENOSPC; 1: make this write short. The path
 * logged is the one looked at last. */
static int Decide(const char* call) {
    ++g_count;
    Log(call);
    if (g_tripped) return -1;
    if (g_nth <= 0 || g_count != g_nth) return 0;
    if (g_mode != 0) g_tripped = 1;
    return g_mode == 2 ? 1 : -1;
}

static ssize_t CountedWrite(const char* call, int fd, const void* data, size_t length, off_t offset,
                            int positioned) {
    if (FdAffected(fd)) {
        const int what = Decide(call);
        if (what < 0) {
            errno = ENOSPC;
            return -1;
        }
        if (what > 0 && length > 1) length /= 2;
    }
    return positioned ? REAL(pwrite)(fd, data, length, offset) : REAL(write)(fd, data, length);
}

ssize_t write(int fd, const void* data, size_t length) {
    return CountedWrite("write", fd, data, length, 0, 0);
}

ssize_t pwrite(int fd, const void* data, size_t length, off_t offset) {
    return CountedWrite("pwrite", fd, data, length, offset, 1);
}

ssize_t pwrite64(int fd, const void* data, size_t length, off_t offset) {
    return CountedWrite("pwrite", fd, data, length, offset, 1);
}

static ssize_t VectorWrite(const char* call, int fd, const struct iovec* vectors, int count, off_t offset, int positioned) {
    if (FdAffected(fd)) {
        const int what = Decide(call);
        if (what < 0) {
            errno = ENOSPC;
            return -1;
        }
        if (what > 0 && count > 0) {
            /* Half of the first piece. */
            const size_t half = vectors[0].iov_len > 1 ? vectors[0].iov_len / 2 : vectors[0].iov_len;
            return positioned ? REAL(pwrite)(fd, vectors[0].iov_base, half, offset)
                              : REAL(write)(fd, vectors[0].iov_base, half);
        }
    }
    return positioned ? REAL(pwritev)(fd, vectors, count, offset) : REAL(writev)(fd, vectors, count);
}

ssize_t writev(int fd, const struct iovec* vectors, int count) {
    return VectorWrite("writev", fd, vectors, count, 0, 0);
}

ssize_t pwritev(int fd, const struct iovec* vectors, int count, off_t offset) {
    return VectorWrite("pwritev", fd, vectors, count, offset, 1);
}

ssize_t pwritev64(int fd, const struct iovec* vectors, int count, off_t offset) {
    return VectorWrite("pwritev", fd, vectors, count, offset, 1);
}

/* Calls that either happen or fail: a "short" decision fails them too. */
static int Refused(const char* call, int affected) {
    if (!affected) return 0;
    if (Decide(call) == 0) return 0;
    errno = ENOSPC;
    return 1;
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
    if (Refused("fallocate", FdAffected(fd))) return -1;
    return REAL(fallocate)(fd, mode, offset, length);
}

int fallocate64(int fd, int mode, off_t offset, off_t length) {
    if (Refused("fallocate", FdAffected(fd))) return -1;
    return REAL(fallocate)(fd, mode, offset, length);
}

int posix_fallocate(int fd, off_t offset, off_t length) {
    if (FdAffected(fd) && Decide("posix_fallocate") != 0) return ENOSPC;
    return REAL(posix_fallocate)(fd, offset, length);
}

int posix_fallocate64(int fd, off_t offset, off_t length) {
    if (FdAffected(fd) && Decide("posix_fallocate") != 0) return ENOSPC;
    return REAL(posix_fallocate)(fd, offset, length);
}

int fsync(int fd) {
    if (Refused("fsync", FdAffected(fd))) return -1;
    return REAL(fsync)(fd);
}

int fdatasync(int fd) {
    if (Refused("fdatasync", FdAffected(fd))) return -1;
    return REAL(fdatasync)(fd);
}

int rename(const char* from, const char* to) {
    if (Refused("rename", PathAffected(AT_FDCWD, to) || PathAffected(AT_FDCWD, from))) return -1;
    return REAL(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    if (Refused("renameat", PathAffected(toDir, to) || PathAffected(fromDir, from))) return -1;
    return REAL(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    if (Refused("renameat2", PathAffected(toDir, to) || PathAffected(fromDir, from))) return -1;
    return REAL(renameat2)(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    if (Refused("link", PathAffected(AT_FDCWD, to))) return -1;
    return REAL(link)(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    if (Refused("linkat", PathAffected(toDir, to))) return -1;
    return REAL(linkat)(fromDir, from, toDir, to, flags);
}

/* ---- streams ------------------------------------------------------------ */

struct Cookie {
    int fd;
};

#define kMaxStreams 64
static FILE* g_streams[kMaxStreams];
static int g_streamFds[kMaxStreams];

static void Remember(FILE* stream, int fd) {
    for (int i = 0; i < kMaxStreams; ++i)
        if (!g_streams[i]) {
            g_streams[i] = stream;
            g_streamFds[i] = fd;
            return;
        }
}

static int Forget(FILE* stream) {
    for (int i = 0; i < kMaxStreams; ++i)
        if (g_streams[i] == stream) {
            g_streams[i] = NULL;
            return g_streamFds[i];
        }
    return -1;
}

static ssize_t CookieRead(void* c, char* buffer, size_t size) {
    return read(((struct Cookie*)c)->fd, buffer, size);
}

/* As the C library's own file write: a short write is continued. */
static ssize_t CookieWrite(void* c, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = CountedWrite("write", ((struct Cookie*)c)->fd, data + done, size - done, 0, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? (ssize_t)done : -1;
        }
        if (n == 0) break;
        done += (size_t)n;
    }
    return (ssize_t)done;
}

static int CookieSeek(void* c, off64_t* offset, int whence) {
    const off_t at = lseek(((struct Cookie*)c)->fd, (off_t)*offset, whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
}

static int CookieClose(void* c) {
    const int fd = ((struct Cookie*)c)->fd;
    free(c);
    return close(fd);
}

static FILE* Wrap(int fd, const char* mode) {
    struct Cookie* cookie = malloc(sizeof *cookie);
    if (!cookie) return NULL;
    cookie->fd = fd;
    const cookie_io_functions_t io = {CookieRead, CookieWrite, CookieSeek, CookieClose};
    FILE* stream = fopencookie(cookie, mode, io);
    if (!stream) {
        free(cookie);
        return NULL;
    }
    Remember(stream, fd);
    return stream;
}

static int OpenFlags(const char* mode) {
    int flags = 0;
    const int plus = strchr(mode, '+') != NULL;
    switch (mode[0]) {
        case 'r':
            flags = plus ? O_RDWR : O_RDONLY;
            break;
        case 'w':
            flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
            break;
        case 'a':
            flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
            break;
        default:
            return -1;
    }
    if (strchr(mode, 'x')) flags |= O_EXCL;
    if (strchr(mode, 'e')) flags |= O_CLOEXEC;
    return flags;
}

static FILE* OpenStream(const char* path, const char* mode, FILE* (*real)(const char*, const char*)) {
    /* A file only read needs no counting. */
    if (!PathAffected(AT_FDCWD, path) || (mode[0] == 'r' && !strchr(mode, '+'))) return real(path, mode);
    const int flags = OpenFlags(mode);
    if (flags < 0) return real(path, mode);
    const int fd = open(path, flags, 0666);
    if (fd < 0) return NULL;
    FILE* stream = Wrap(fd, mode);
    if (!stream) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return stream;
}

FILE* fopen(const char* path, const char* mode) {
    return OpenStream(path, mode, REAL(fopen));
}

FILE* fopen64(const char* path, const char* mode) {
    return OpenStream(path, mode, REAL(fopen64));
}

FILE* fdopen(int fd, const char* mode) {
    if (!FdAffected(fd) || (mode[0] == 'r' && !strchr(mode, '+'))) return REAL(fdopen)(fd, mode);
    return Wrap(fd, mode);
}

int fileno(FILE* stream) {
    for (int i = 0; i < kMaxStreams; ++i)
        if (g_streams[i] && g_streams[i] == stream) return g_streamFds[i];
    return REAL(fileno)(stream);
}

int fileno_unlocked(FILE* stream) {
    return fileno(stream);
}

int fclose(FILE* stream) {
    (void)Forget(stream);
    return REAL(fclose)(stream);
}
