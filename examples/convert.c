/*
 * A program built against the installed Torvex library: it converts INPUT
 * into the page OUTPUT, titled TITLE, without the date and time in the
 * footer, as "torvex -n INPUT OUTPUT TITLE" does.
 *
 *   cc convert.c $(pkg-config --cflags --libs torvex) -o convert
 *
 * or, with CMake, the CMakeLists.txt beside it (find_package(Torvex)).
 */
#include <stdio.h>

#include <torvex.h>

/* Warnings tell of a conversion that went through all the same. */
static void warn(const char *text, void *program)
{
    fprintf(stderr, "%s: %s\n", (const char *)program, text);
}

int main(int argc, char **argv)
{
    torvex_options *options;
    torvex_result *result;
    int status;

    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: %s INPUT OUTPUT [TITLE]\n", argv[0]);
        return 2;
    }
    options = torvex_options_new();
    result = torvex_result_new();
    if (options == NULL || result == NULL) {
        fprintf(stderr, "%s: out of memory\n", argv[0]);
        return 1;
    }
    torvex_options_set_title(options, argc > 3 ? argv[3] : NULL);
    torvex_options_set_time_stamp(options, 0);
    torvex_options_on_warning(options, warn, argv[0]);

    status = torvex_convert_file(argv[1], argv[2], options, result);
    if (status != TORVEX_OK)
        fprintf(stderr, "%s: %s\n", argv[0], torvex_result_message(result));

    torvex_result_free(result);
    torvex_options_free(options);
    return status == TORVEX_OK ? 0 : 1;
}
