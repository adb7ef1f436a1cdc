/* The floor for the rename benchmark: the least any renamer must do. Lists one folder and renames
 * every regular file with the same no-overwrite call the program uses, to a name computed by
 * replacing '_' with ' ' (so the work per name is comparable, if simpler). */
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
        fprintf(stderr, "usage: floor FOLDER\n");
        return 2;
    }
    int dir = open(argv[1], O_RDONLY | O_DIRECTORY);
    size_t count = 0;
    char** names = dir < 0 ? NULL : read_names(dir, &count);
    if (!names) return 2;
    size_t renamed = 0;
    for (size_t i = 0; i < count; ++i) {
        struct stat st;
        if (fstatat(dir, names[i], &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        char target[1024];
        snprintf(target, sizeof target, "%s", names[i]);
        for (char* c = target; *c; ++c) {
            if (*c == '_') *c = ' ';
        }
        if (renameat2(dir, names[i], dir, target, RENAME_NOREPLACE) == 0) ++renamed;
    }
    printf("%zu files renamed\n", renamed);
    return 0;
}
