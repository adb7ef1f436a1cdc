/* The floor for the rename benchmark: the least any renamer must do. Lists one folder and renames
 * every regular file with the same no-overwrite call the program uses, to a name computed by
 * replacing '_' with ' ' (so the work per name is comparable, if simpler). With --name-order it
 * renames the files in the order the program does, by name ignoring case (on a RAM disk renaming
 * in that order costs the system more than in the folder's own order). With --identity (which
 * implies name order) it does what a renamer that keeps an undo record that knows each file must
 * do at the least: a status per file as the folder is listed (to know what is a file to rename),
 * then, for each file, a status just before its move (the identity of the file that moves). */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "listing.h"

static int by_name(const void* a, const void* b) {
    const char* x = *(char* const*)a;
    const char* y = *(char* const*)b;
    const int folded = strcasecmp(x, y);
    return folded != 0 ? folded : strcmp(x, y);
}

int main(int argc, char** argv) {
    const int identity = argc == 3 && strcmp(argv[1], "--identity") == 0;
    const int sorted = identity || (argc == 3 && strcmp(argv[1], "--name-order") == 0);
    if (argc != 2 && !sorted) {
        fprintf(stderr, "usage: floor [--name-order | --identity] FOLDER\n");
        return 2;
    }
    int dir = open(argv[argc - 1], O_RDONLY | O_DIRECTORY);
    size_t count = 0;
    char** names = dir < 0 ? NULL : read_names(dir, &count);
    if (!names) return 2;
    if (identity) {
        /* The listing's status of every entry, in the folder's own order, as the program takes it
         * to know which entries are files to rename. */
        for (size_t i = 0; i < count; ++i) {
            struct stat st;
            if (fstatat(dir, names[i], &st, AT_SYMLINK_NOFOLLOW) != 0) return 2;
        }
    }
    if (sorted) qsort(names, count, sizeof *names, by_name);
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
