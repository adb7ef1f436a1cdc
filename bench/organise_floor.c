/* The floor for organising a flat folder into album folders: the same mkdir and rename calls the
 * program makes, and nothing else. Lists one folder of files named like a042_b07_t03.mp3 (artist,
 * album, track), and for each makes "Artist 042" and "Artist 042/Album 42-07 (1977)" the first
 * time they are needed (one mkdir each, as the program makes each folder once) and moves the file
 * into the album's folder as "03 - Title 42-07-03.mp3" with the same no-overwrite call the
 * program uses. The folders' and the files' names come from the file's own name, so no file is
 * opened. With --tags the names come from the file's ID3v1 tag instead (album artist and album
 * are the artist and album there, the track is byte 126), as a tag renamer must read them: the
 * file is opened and its first 4 KB (where an ID3v2 tag starts) and last 128 bytes are read,
 * as bench/tag_floor.c does. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "listing.h"

/* A tag field: up to `width` bytes, ending at the first zero, trailing spaces dropped. */
static void field(char* out, const char* in, size_t width) {
    size_t n = strnlen(in, width);
    while (n > 0 && in[n - 1] == ' ') --n;
    memcpy(out, in, n);
    out[n] = '\0';
}

/* The made folder of the file before, so that a folder is made once, as the program does: the
 * files come artist by artist, album by album in a flat folder listed in name order. Any order
 * works, only the count of mkdir calls would grow. */
static char last_artist[64], last_album[160];

static int make_once(int dir, const char* path, char* last, size_t size) {
    if (strcmp(path, last) == 0) return 0;
    if (mkdirat(dir, path, 0777) != 0 && errno != EEXIST) return -1;
    snprintf(last, size, "%s", path);
    return 0;
}

static int by_name(const void* a, const void* b) { return strcmp(*(char* const*)a, *(char* const*)b); }

int main(int argc, char** argv) {
    const int tags = argc == 3 && strcmp(argv[1], "--tags") == 0;
    if (argc != 2 && !tags) {
        fprintf(stderr, "usage: organise_floor [--tags] FOLDER\n");
        return 2;
    }
    int dir = open(argv[argc - 1], O_RDONLY | O_DIRECTORY);
    size_t count = 0;
    char** names = dir < 0 ? NULL : read_names(dir, &count);
    if (!names) return 2;
    /* The program goes album by album: in name order here. */
    qsort(names, count, sizeof *names, by_name);
    size_t moved = 0, folders = 0;
    char head[4096], tail[128];
    for (size_t i = 0; i < count; ++i) {
        char artist[64], album[160], target[512];
        if (tags) {
            int fd = openat(dir, names[i], O_RDONLY);
            if (fd < 0) continue;
            struct stat st;
            int ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 128 && read(fd, head, sizeof head) >= 0 &&
                     pread(fd, tail, sizeof tail, st.st_size - 128) == 128 && memcmp(tail, "TAG", 3) == 0;
            close(fd);
            if (!ok) continue;
            char title[31], artist_text[31], album_text[31], year[5];
            field(title, tail + 3, 30);
            field(artist_text, tail + 33, 30);
            field(album_text, tail + 63, 30);
            field(year, tail + 93, 4);
            snprintf(artist, sizeof artist, "%s", artist_text);
            snprintf(album, sizeof album, "%s/%s (%s)", artist_text, album_text, year);
            snprintf(target, sizeof target, "%s/%02d - %s.mp3", album, (unsigned char)tail[126], title);
        } else {
            int a, b, t;
            if (sscanf(names[i], "a%3d_b%2d_t%2d.mp3", &a, &b, &t) != 3) continue;
            snprintf(artist, sizeof artist, "Artist %03d", a);
            snprintf(album, sizeof album, "%s/Album %02d-%02d (%d)", artist, a, b, 1970 + b);
            snprintf(target, sizeof target, "%s/%02d - Title %02d-%02d-%02d.mp3", album, t, a, b, t);
        }
        const int new_artist = strcmp(artist, last_artist) != 0, new_album = strcmp(album, last_album) != 0;
        if (make_once(dir, artist, last_artist, sizeof last_artist) != 0 ||
            make_once(dir, album, last_album, sizeof last_album) != 0)
            continue;
        folders += new_artist + new_album;
        if (renameat2(dir, names[i], dir, target, RENAME_NOREPLACE) == 0) ++moved;
    }
    printf("%zu files moved into %zu folders\n", moved, folders);
    return 0;
}
