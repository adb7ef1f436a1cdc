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

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: floor FOLDER\n");
        return 2;
    }
    int dir = open(argv[1], O_RDONLY | O_DIRECTORY);
    DIR* listing = fdopendir(dup(dir));
    if (dir < 0 || !listing) return 2;
    /* Read the whole list first, as any renamer must, so a renamed file is not seen again. */
    size_t count = 0, capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    struct dirent* entry;
    while ((entry = readdir(listing)) != NULL) {
        if (entry->d_name[0] == '.') continue;
        if (count == capacity) names = realloc(names, (capacity *= 2) * sizeof *names);
        names[count++] = strdup(entry->d_name);
    }
    closedir(listing);
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
