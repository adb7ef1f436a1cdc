/* Shared by the floor programs: the names of a folder's entries, read whole before any rename, as
 * any renamer must, so that a renamed file is not seen again. Hidden names are left out. Returns
 * the names (each from strdup) and their number in *count, or NULL when the folder cannot be read. */
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char** read_names(int dir, size_t* count) {
    DIR* listing = fdopendir(dup(dir));
    if (!listing) return NULL;
    size_t capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    struct dirent* entry;
    *count = 0;
    while ((entry = readdir(listing)) != NULL) {
        if (entry->d_name[0] == '.') continue;
        if (*count == capacity) names = realloc(names, (capacity *= 2) * sizeof *names);
        names[(*count)++] = strdup(entry->d_name);
    }
    closedir(listing);
    return names;
}
