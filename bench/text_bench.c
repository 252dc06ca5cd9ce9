/*
 * The library's conversion of a text in memory, as a whole program to time
 * beside "torvex -n INPUT OUTPUT": INPUT is mapped into memory and
 * converted by torvex_convert_text, whose output callback writes each
 * piece of the page to OUTPUT as it comes. It does what the program does
 * (the text read from the same file, the same page written to a file in
 * the same folder), so its time is the cost of the in-memory call with
 * nothing left out; the program's temporary file and rename are all it
 * does not do.
 *
 *   text_bench INPUT OUTPUT [classic|modern]
 */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "torvex.h"

static int write_piece(const char *bytes, size_t size, void *fd)
{
    while (size > 0) {
        const ssize_t n = write(*(int *)fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 1;
        bytes += n;
        size -= (size_t)n;
    }
    return 0;
}

int main(int argc, char **argv)
{
    struct stat info;
    const char *text = "";
    torvex_options *options;
    torvex_result *result;
    int in, out, status;

    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: %s INPUT OUTPUT [classic|modern]\n", argv[0]);
        return 2;
    }
    in = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (in < 0 || fstat(in, &info) != 0) {
        fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], strerror(errno));
        return 1;
    }
    if (info.st_size > 0) {
        text = mmap(NULL, (size_t)info.st_size, PROT_READ, MAP_PRIVATE, in, 0);
        if (text == MAP_FAILED) {
            fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], strerror(errno));
            return 1;
        }
        /* Read once from start to end, as the program reads the file. */
        posix_madvise((void *)text, (size_t)info.st_size, POSIX_MADV_SEQUENTIAL);
    }
    out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], strerror(errno));
        return 1;
    }
    options = torvex_options_new();
    result = torvex_result_new();
    if (options == NULL || result == NULL) return 1;
    torvex_options_set_time_stamp(options, 0);
    torvex_options_set_text_name(options, argv[1]);
    if (argc > 3 && strcmp(argv[3], "modern") == 0) torvex_options_set_style(options, TORVEX_STYLE_MODERN);

    status = torvex_convert_text(text, (size_t)info.st_size, write_piece, &out, options, result);
    if (status != TORVEX_OK) fprintf(stderr, "%s: %s\n", argv[0], torvex_result_message(result));
    if (close(out) != 0 && status == TORVEX_OK) {
        fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], strerror(errno));
        status = TORVEX_ERROR_OUTPUT;
    }
    torvex_result_free(result);
    torvex_options_free(options);
    return status == TORVEX_OK ? 0 : 1;
}
