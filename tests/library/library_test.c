/*
 * The library through its C interface, compiled as C: four conversions on
 * four threads at once write the bytes of the same four one after the
 * other; every failure comes back as a status and a message, and the
 * process goes on. Usage: library_test threads|errors
 */
#define _POSIX_C_SOURCE 200809L
#include <dirent.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "torvex.h"

static int failures;

#define CHECK(condition, ...)                                         \
    do {                                                              \
        if (!(condition)) {                                           \
            ++failures;                                               \
            fprintf(stderr, "%s:%d: ", __FILE__, __LINE__);           \
            fprintf(stderr, __VA_ARGS__);                             \
            fputc('\n', stderr);                                      \
        }                                                             \
    } while (0)

static char folder[256];

/* A path in the test's folder, in one of 8 buffers used in turn. */
static const char *at(const char *name)
{
    static char paths[8][512];
    static int next;
    char *path = paths[next++ % 8];
    snprintf(path, sizeof paths[0], "%s/%s", folder, name);
    return path;
}

/* The whole of a file, NUL-ended, with its size; NULL when it cannot be read. */
static char *read_file(const char *path, size_t *size)
{
    FILE *file = fopen(path, "rb");
    char *bytes = NULL;
    long length;
    if (file == NULL) return NULL;
    if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) >= 0 && fseek(file, 0, SEEK_SET) == 0 &&
        (bytes = malloc((size_t)length + 1)) != NULL) {
        *size = fread(bytes, 1, (size_t)length, file);
        bytes[*size] = '\0';
    }
    fclose(file);
    return bytes;
}

static void write_file(const char *path, const char *text, size_t size)
{
    FILE *file = fopen(path, "wb");
    if (file == NULL || fwrite(text, 1, size, file) != size) {
        fprintf(stderr, "cannot write %s\n", path);
        exit(1);
    }
    fclose(file);
}

/* path holds text copied `times` times. */
static void write_repeated(const char *path, const char *source, int times)
{
    size_t size = 0;
    char *text = read_file(source, &size);
    FILE *file = fopen(path, "wb");
    int i;
    if (text == NULL || file == NULL) {
        fprintf(stderr, "cannot copy %s to %s\n", source, path);
        exit(1);
    }
    for (i = 0; i < times; ++i) fwrite(text, 1, size, file);
    fclose(file);
    free(text);
}

/* The names in a folder, but "." and "..", sorted and joined by spaces. */
static int named(const struct dirent *entry) { return strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."); }

static void list_folder(const char *path, char *names, size_t room)
{
    struct dirent **found;
    int n = scandir(path, &found, named, alphasort), i;
    names[0] = '\0';
    for (i = 0; i < n; ++i) {
        snprintf(names + strlen(names), room - strlen(names), "%s%s", i > 0 ? " " : "", found[i]->d_name);
        free(found[i]);
    }
    if (n >= 0) free(found);
}

/* ---- four at once ---------------------------------------------------- */

struct job {
    const char *run;    /* "sequential" or "threads": with name, its folder */
    const char *name;
    const char *source; /* what its input is made of */
    int times;
    int line_breaks, charset, split, time_stamp;
    const char *title;
    torvex_time clock; /* what its clock callback answers */
    /* what the conversion did */
    int status, progress_calls, warnings, clock_reads;
};

static void count_warning(const char *text, void *job)
{
    (void)text;
    ++((struct job *)job)->warnings;
}

static int count_progress(unsigned long long done, unsigned long long total, void *job)
{
    (void)done;
    (void)total;
    ++((struct job *)job)->progress_calls;
    return TORVEX_GO_ON;
}

static void job_clock(torvex_time *now, void *job)
{
    ++((struct job *)job)->clock_reads;
    *now = ((struct job *)job)->clock;
}

/* The folder of a job's input and pages in a run, into a buffer of 512. */
static char *job_folder(char *path, const char *run, const struct job *job)
{
    snprintf(path, 512, "%s/%s-%s", folder, run, job->name);
    return path;
}

/* The threads start their conversions together. */
static pthread_barrier_t start;

/* On a thread of its own, or not. */
static void *convert_job(void *argument)
{
    struct job *job = argument;
    char path[512], input[600], output[600];
    torvex_options *options = torvex_options_new();
    snprintf(input, sizeof input, "%s/input.txt", job_folder(path, job->run, job));
    snprintf(output, sizeof output, "%s/page.html", path);
    torvex_options_set_line_breaks(options, job->line_breaks);
    torvex_options_set_charset(options, job->charset);
    torvex_options_set_split(options, job->split);
    torvex_options_set_time_stamp(options, job->time_stamp);
    torvex_options_set_title(options, job->title);
    torvex_options_on_warning(options, count_warning, job);
    torvex_options_on_progress(options, count_progress, job);
    torvex_options_on_clock(options, job_clock, job);
    if (strcmp(job->run, "threads") == 0) pthread_barrier_wait(&start);
    job->status = torvex_convert_file(input, output, options, NULL);
    torvex_options_free(options);
    return NULL;
}

static void threads(void)
{
#define SAMPLE(name) TORVEX_SOURCE_DIR "/samples/" name
    struct job jobs[4] = {
        {.name = "faq", .source = TORVEX_SOURCE_DIR "/tests/data/faq.txt", .times = 100, .line_breaks = 2,
         .split = 1, .time_stamp = 1, .clock = {2027, 3, 5, 14, 7, 9}},
        {.name = "languages", .source = SAMPLE("languages.txt"), .times = 600, .line_breaks = 1, .time_stamp = 1,
         .title = "Langues \xC3\xA0 la fois", .clock = {1999, 12, 31, 23, 59, 59}},
        {.name = "latin", .source = SAMPLE("languages.txt"), .times = 600, .line_breaks = 3,
         .charset = TORVEX_CHARSET_LATIN1, .time_stamp = 1, .title = "Bytes", .clock = {2000, 2, 29, 0, 0, 0}},
        {.name = "readme", .source = SAMPLE("readme.txt"), .times = 6000, .line_breaks = 2,
         .charset = TORVEX_CHARSET_UTF8, .title = "Read me"},
    };
    struct job sequential[4];
    pthread_t running[4];
    const char *runs[2] = {"sequential", "threads"};
    int i, r;

    for (r = 0; r < 2; ++r)
        for (i = 0; i < 4; ++i) {
            char path[512], input[600];
            mkdir(job_folder(path, runs[r], &jobs[i]), 0755);
            snprintf(input, sizeof input, "%s/input.txt", path);
            write_repeated(input, jobs[i].source, jobs[i].times);
        }
    for (i = 0; i < 4; ++i) {
        sequential[i] = jobs[i];
        sequential[i].run = "sequential";
        jobs[i].run = "threads";
        convert_job(&sequential[i]);
    }
    pthread_barrier_init(&start, NULL, 4);
    for (i = 0; i < 4; ++i)
        if (pthread_create(&running[i], NULL, convert_job, &jobs[i]) != 0) {
            fprintf(stderr, "cannot start a thread\n");
            exit(1);
        }
    for (i = 0; i < 4; ++i) pthread_join(running[i], NULL);

    for (i = 0; i < 4; ++i) {
        char names[4096], others[4096], folders[2][512];
        char *name, *rest;
        int pages = 0;
        CHECK(sequential[i].status == TORVEX_OK && jobs[i].status == TORVEX_OK, "%s: status %d, on a thread %d",
              jobs[i].name, sequential[i].status, jobs[i].status);
        CHECK(jobs[i].progress_calls == sequential[i].progress_calls && jobs[i].progress_calls > 10,
              "%s: %d progress reports, on a thread %d", jobs[i].name, sequential[i].progress_calls,
              jobs[i].progress_calls);
        CHECK(jobs[i].warnings == sequential[i].warnings && jobs[i].clock_reads == sequential[i].clock_reads,
              "%s: warnings or clock reads differ", jobs[i].name);
        list_folder(job_folder(folders[0], "sequential", &jobs[i]), names, sizeof names);
        list_folder(job_folder(folders[1], "threads", &jobs[i]), others, sizeof others);
        CHECK(strcmp(names, others) == 0, "%s: written [%s], on a thread [%s]", jobs[i].name, names, others);
        for (name = strtok_r(names, " ", &rest); name != NULL; name = strtok_r(NULL, " ", &rest)) {
            char path[700];
            size_t size = 0, other_size = 0;
            char *page, *other;
            pages += strstr(name, ".html") != NULL;
            snprintf(path, sizeof path, "%s/%s", folders[0], name);
            page = read_file(path, &size);
            snprintf(path, sizeof path, "%s/%s", folders[1], name);
            other = read_file(path, &other_size);
            CHECK(page != NULL && other != NULL && size == other_size && memcmp(page, other, size) == 0,
                  "%s/%s: another page on a thread", jobs[i].name, name);
            free(page);
            free(other);
        }
        CHECK(jobs[i].clock_reads == (jobs[i].time_stamp ? pages : 0) && (jobs[i].split ? pages > 10 : pages == 1),
              "%s: %d clock reads for %d pages", jobs[i].name, jobs[i].clock_reads, pages);
    }
}

/* ---- failures -------------------------------------------------------- */

static int answer_yes(const char *path, void *asked)
{
    snprintf(asked, 512, "%s", path);
    return 1;
}

static int give_up(unsigned long long done, unsigned long long total, void *unused)
{
    (void)done, (void)total, (void)unused;
    return TORVEX_ABANDON;
}

static int stop(unsigned long long done, unsigned long long total, void *unused)
{
    (void)done, (void)total, (void)unused;
    return TORVEX_STOP;
}

static void thirteenth_month(torvex_time *now, void *unused)
{
    const torvex_time when = {2027, 13, 1, 12, 0, 0};
    (void)unused;
    *now = when;
}

static void keep_message(const char *text, void *kept) { snprintf(kept, 512, "%s", text); }

struct failure {
    const char *input, *output; /* in the test's folder; NULL: none */
    int line_breaks, charset;    /* set, and the setter's answer checked */
    const torvex_time *time;
    torvex_replace_fn replace;
    torvex_progress_fn progress;
    torvex_clock_fn clock;
    int status;
    const char *message; /* "@" stands for the folder */
    const char *files;   /* what the folder then holds */
};

static const torvex_time leap_day = {2024, 2, 30, 0, 0, 0};

static const struct failure failures_table[] = {
    {"missing.txt", "out.html", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_INPUT,
     "Cannot open input file @/missing.txt: No such file or directory", "a.txt empty.txt notes.txt"},
    {"a.txt", "no folder/out.html", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_OUTPUT,
     "@/no folder/out.html: No such file or directory", "a.txt empty.txt notes.txt"},
    {"a.txt", "a.txt", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_OUTPUT, "Output file is the same as the input file",
     "a.txt empty.txt notes.txt"},
    {"a.txt", "notes.txt", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_NOT_A_PAGE,
     "@/notes.txt exists and is not an HTML page", "a.txt empty.txt notes.txt"},
    {"a.txt", "notes.txt", 2, 0, NULL, answer_yes, NULL, NULL, TORVEX_OK, "", "a.txt empty.txt notes.txt"},
    {"empty.txt", "out.html", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_EMPTY_INPUT,
     "Input file appears to be empty", "a.txt empty.txt notes.txt out.html"},
    {"a.txt", "out.html", 7, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_OPTION,
     "invalid line-break mode 7 (use TORVEX_LINE_BREAKS_KEEP, _ADD or _NONE)", "a.txt empty.txt notes.txt"},
    {"a.txt", "out.html", 2, 3, NULL, NULL, NULL, NULL, TORVEX_ERROR_OPTION,
     "invalid character set 3 (use TORVEX_CHARSET_AUTO, _UTF8 or _LATIN1)", "a.txt empty.txt notes.txt"},
    {"a.txt", "out.html", 2, 0, &leap_day, NULL, NULL, NULL, TORVEX_ERROR_OPTION,
     "invalid time 2024-02-30 00:00:00 (use a date of the years 1 to 9999 and a time of day)",
     "a.txt empty.txt notes.txt"},
    {"a.txt", "out.html", 2, 0, NULL, NULL, NULL, thirteenth_month, TORVEX_ERROR_OPTION,
     "the clock gave 2027-13-01 12:00:00, which is no date and time", "a.txt empty.txt notes.txt"},
    {NULL, "out.html", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_OPTION, "no input file named",
     "a.txt empty.txt notes.txt"},
    {"a.txt", "", 2, 0, NULL, NULL, NULL, NULL, TORVEX_ERROR_OPTION, "no output file named",
     "a.txt empty.txt notes.txt"},
    {"long.txt", "out.html", 2, 0, NULL, NULL, give_up, NULL, TORVEX_ABANDONED,
     "Conversion abandoned; no page was written", "a.txt empty.txt long.txt notes.txt"},
    {"long.txt", "out.html", 2, 0, NULL, NULL, stop, NULL, TORVEX_STOPPED, "Processing interrupted",
     "a.txt empty.txt long.txt notes.txt out.html"},
};

static void errors(void)
{
    size_t i;
    for (i = 0; i < sizeof failures_table / sizeof failures_table[0]; ++i) {
        const struct failure *f = &failures_table[i];
        torvex_options *options = torvex_options_new();
        torvex_result *result = torvex_result_new();
        char expected[1024], told[512] = "", asked[512] = "", names[1024];
        const char *at_sign = strchr(f->message, '@');
        int status;
        size_t size = 0;
        char *kept;

        write_file(at("a.txt"), "Hello\n", 6);
        write_file(at("empty.txt"), "", 0);
        write_file(at("notes.txt"), "my notes\n", 9);
        remove(at("out.html"));
        remove(at("long.txt"));
        if (f->input != NULL && strcmp(f->input, "long.txt") == 0) {
            write_repeated(at("long.txt"), TORVEX_SOURCE_DIR "/samples/readme.txt", 40);
        }
        CHECK(torvex_options_set_line_breaks(options, f->line_breaks) ==
                  (f->line_breaks <= 3 ? TORVEX_OK : TORVEX_ERROR_OPTION),
              "row %zu: the setter's answer", i);
        CHECK(torvex_options_set_charset(options, f->charset) == (f->charset <= 2 ? TORVEX_OK : TORVEX_ERROR_OPTION),
              "row %zu: the setter's answer", i);
        if (f->time != NULL) CHECK(torvex_options_set_time(options, f->time) == TORVEX_ERROR_OPTION, "row %zu", i);
        torvex_options_on_replace(options, f->replace, asked);
        torvex_options_on_progress(options, f->progress, NULL);
        torvex_options_on_clock(options, f->clock, NULL);
        torvex_options_on_message(options, keep_message, told);

        status = torvex_convert_file(f->input != NULL ? at(f->input) : NULL, *f->output ? at(f->output) : "",
                                     options, result);

        if (at_sign != NULL)
            snprintf(expected, sizeof expected, "%.*s%s%s", (int)(at_sign - f->message), f->message, folder,
                     at_sign + 1);
        else
            snprintf(expected, sizeof expected, "%s", f->message);
        CHECK(status == f->status, "row %zu: status %d, not %d", i, status, f->status);
        CHECK(strcmp(torvex_result_message(result), expected) == 0, "row %zu: message \"%s\"", i,
              torvex_result_message(result));
        CHECK(strcmp(told, status < 0 ? expected : "") == 0, "row %zu: told \"%s\"", i, told);
        list_folder(folder, names, sizeof names);
        CHECK(strcmp(names, f->files) == 0, "row %zu: the folder holds [%s]", i, names);
        kept = read_file(at("notes.txt"), &size);
        CHECK(kept != NULL && (f->replace != NULL) == (strstr(kept, "<HTML>") != NULL), "row %zu: notes.txt", i);
        free(kept);
        if (f->replace != NULL) CHECK(strcmp(asked, at("notes.txt")) == 0, "row %zu: asked about %s", i, asked);
        if (status == TORVEX_STOPPED) {
            char *page = read_file(at("out.html"), &size);
            CHECK(page != NULL && strstr(page, "<P>Processing interrupted</P><HR>") != NULL &&
                      size < 40 * 1000,
                  "row %zu: not an interrupted page", i);
            free(page);
        }
        torvex_result_free(result);
        torvex_options_free(options);
    }
}

int main(int argc, char **argv)
{
    const char *tmp = getenv("TMPDIR");
    char command[600];
    snprintf(folder, sizeof folder, "%s/library_test.XXXXXX", tmp != NULL && *tmp != '\0' ? tmp : "/tmp");
    if (argc != 2 || mkdtemp(folder) == NULL) {
        fprintf(stderr, "usage: library_test threads|errors (and a temporary folder)\n");
        return 2;
    }
    if (strcmp(argv[1], "threads") == 0)
        threads();
    else if (strcmp(argv[1], "errors") == 0)
        errors();
    else
        ++failures;
    snprintf(command, sizeof command, "rm -rf '%s'", folder);
    if (system(command) != 0) fprintf(stderr, "cannot remove %s\n", folder);
    printf("%s: %d failed\n", argv[1], failures);
    return failures == 0 ? 0 : 1;
}
