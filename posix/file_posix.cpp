/*
** The file-access layer on POSIX. A handle is the descriptor plus one, so
** that descriptor 0 is not the null handle. "Opened without sharing" is an
** exclusive, non-blocking flock: a second open of a file that is open here
** (in this process or another) fails. New names (a file made with 'x', a
** rename) are committed with an fsync of their folder. Names are taken
** in the folder of files_folder_set (the working folder unless set).
*/
#include "platform/platform.h"
#include "posix/files_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

static int base_folder = AT_FDCWD;

void files_folder_set(int folder) { base_folder = folder; }

/* Commits the folder entry of path: a new or renamed name survives a power cut. */
static void commit_folder_of(const char *path)
{
    const char *slash = strrchr(path, '/');
    char folder[4096] = ".";
    if (slash && (size_t)(slash - path) < sizeof folder) {
        size_t length = slash == path ? 1 : (size_t)(slash - path);  /* "/name": the root */
        memcpy(folder, path, length);
        folder[length] = 0;
    }
    int fd = openat(base_folder, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

static int handle_fd(FileHandle f) { return (int)(intptr_t)f - 1; }
/* file_commit is fsync, in commit_posix.cpp: the headless tool has its own. */

FileHandle file_open(const char *path, const char *mode)
{
    bool read = false, write = false, create = false, fresh = false;
    for (const char *m = mode; *m; m++) {
        if (*m == 'r') {
            read = true;
        } else if (*m == 'w') {
            write = true;
            create = true;
        } else if (*m == 'x') {
            fresh = true;
        } else if (*m == '+') {
            write = true;
        }
    }
    int flags = O_CLOEXEC;
    if (read && write)
        flags |= O_RDWR;
    else if (write)
        flags |= O_WRONLY;
    else if (read)
        flags |= O_RDONLY;
    else
        flags |= O_PATH; /* no access right: only tells that the file exists */
    if (create)
        flags |= O_CREAT | (fresh ? O_EXCL : 0);

    int fd = openat(base_folder, path, flags, 0666);
    if (fd < 0)
        return 0;
    if (read || write) {
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return 0;
        }
    }
    /* truncate only once the file is ours */
    if (create && ftruncate(fd, 0) != 0) {
        close(fd);
        return 0;
    }
    if (create && fresh)
        commit_folder_of(path);
    return (FileHandle)(intptr_t)(fd + 1);
}

static uint32_t request_bytes(uint32_t size, uint32_t count)
{
    uint64_t total = (uint64_t)size * count;
    return total > 0x7FFFFFFFu ? 0 : (uint32_t)total;
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    if (!f)
        return 0;
    uint32_t want = request_bytes(size, count), done = 0;
    while (done < want) {
        ssize_t n = read(handle_fd(f), (char *)buffer + done, want - done);
        if (n <= 0)
            break;
        done += (uint32_t)n;
    }
    return done;
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    if (!f)
        return 0;
    uint32_t want = request_bytes(size, count), done = 0;
    while (done < want) {
        ssize_t n = write(handle_fd(f), (const char *)buffer + done, want - done);
        if (n <= 0)
            break;
        done += (uint32_t)n;
    }
    return done;
}

int file_close(FileHandle f)
{
    if (!f)
        return -1;
    return close(handle_fd(f)) == 0 ? 0 : -1;
}

int file_seek(FileHandle f, int32_t offset, int origin)
{
    if (!f)
        return 1;
    static const int whence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin >= 0 && origin <= 2)
        lseek(handle_fd(f), offset, whence[origin]);
    return 0;
}

int32_t file_tell(FileHandle f)
{
    if (!f)
        return -1;
    off_t pos = lseek(handle_fd(f), 0, SEEK_CUR);
    return pos < 0 || pos > 0x7FFFFFFF ? -1 : (int32_t)pos;
}

int file_exists(const char *path) { return faccessat(base_folder, path, F_OK, 0) == 0; }

int file_truncate(FileHandle f, int32_t size)
{
    if (!f || ftruncate(handle_fd(f), size) != 0)
        return -1;
    return lseek(handle_fd(f), size, SEEK_SET) == size ? 0 : -1;
}

int file_replace(const char *from, const char *to)
{
    if (renameat(base_folder, from, base_folder, to) != 0)
        return -1;
    commit_folder_of(to);
    return 0;
}

int file_delete(const char *path) { return unlinkat(base_folder, path, 0) == 0 ? 0 : -1; }

static bool name_matches(const char *pattern, const char *name)
{
    for (; *pattern; pattern++, name++) {
        char p = *pattern, n = *name;
        if (!n)
            return false;
        if (p == '?')
            continue;
        if (p >= 'A' && p <= 'Z')
            p = (char)(p + 32);
        if (n >= 'A' && n <= 'Z')
            n = (char)(n + 32);
        if (p != n)
            return false;
    }
    return *name == 0;
}

void file_list(const char *pattern, void (*found)(const char *name, void *context), void *context)
{
    int fd = openat(base_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *folder = fd >= 0 ? fdopendir(fd) : 0;
    if (!folder) {
        if (fd >= 0)
            close(fd);
        return;
    }
    while (struct dirent *entry = readdir(folder))
        if (name_matches(pattern, entry->d_name))
            found(entry->d_name, context);
    closedir(folder);
}
