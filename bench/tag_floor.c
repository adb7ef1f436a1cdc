/* The floor for naming files from their tags: the least any tag renamer must do. Lists one folder,
 * and for every regular file opens it, reads its first 4 KB (where an ID3v2 tag starts) and its
 * last 128 bytes (an ID3v1 tag), and renames it with the same no-overwrite call the program uses,
 * to the ID3v1 title plus the old extension (so the work per name is comparable, if simpler). */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "listing.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tag_floor FOLDER\n");
        return 2;
    }
    int dir = open(argv[1], O_RDONLY | O_DIRECTORY);
    size_t count = 0;
    char** names = dir < 0 ? NULL : read_names(dir, &count);
    if (!names) return 2;
    size_t renamed = 0;
    char head[4096], tail[128];
    for (size_t i = 0; i < count; ++i) {
        int fd = openat(dir, names[i], O_RDONLY);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 128 ||
            read(fd, head, sizeof head) < 0 || pread(fd, tail, sizeof tail, st.st_size - 128) != 128) {
            close(fd);
            continue;
        }
        close(fd);
        if (memcmp(tail, "TAG", 3) != 0) continue;
        char target[1024];
        const char* extension = strrchr(names[i], '.');
        snprintf(target, sizeof target, "%.30s%s", tail + 3, extension ? extension : "");
        if (renameat2(dir, names[i], dir, target, RENAME_NOREPLACE) == 0) ++renamed;
    }
    printf("%zu files renamed\n", renamed);
    return 0;
}
