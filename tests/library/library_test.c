/*
 * The library through its C interface, compiled as C: four conversions on
 * four threads at once write the bytes of the same four one after the
 * other (and their texts converted in memory, the same pages); every failure comes back as a status and a message, and the
 * process goes on; a text in memory gives the page of the same file, byte
 * for byte, whether it is taken as it is made or in one buffer; a text of
 * 200 MB is converted in little more memory than it takes itself.
 * Usage: library_test threads|errors|text|memory
 */
#define _POSIX_C_SOURCE 200809L
#include <dirent.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
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
    int text_status, same_text; /* of its text in memory, against its page */
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
    if (!job->split) {
        /* Its text in memory, on the same thread, gives the same page. */
        size_t size = 0, page_size = 0, converted_size = 0;
        char *text = read_file(input, &size), *page = read_file(output, &page_size), *converted = NULL;
        options = torvex_options_new();
        torvex_options_set_line_breaks(options, job->line_breaks);
        torvex_options_set_charset(options, job->charset);
        torvex_options_set_time_stamp(options, job->time_stamp);
        torvex_options_set_title(options, job->title);
        if (job->time_stamp) torvex_options_set_time(options, &job->clock);
        job->text_status = torvex_convert_text_to_buffer(text, size, &converted, &converted_size, options, NULL);
        job->same_text = page != NULL && converted != NULL && converted_size == page_size &&
                         memcmp(converted, page, page_size) == 0;
        free(text);
        free(page);
        free(converted);
        torvex_options_free(options);
    }
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
        CHECK(jobs[i].split || (jobs[i].text_status == TORVEX_OK && jobs[i].same_text),
              "%s: status %d, the page of its text in memory differs on a thread", jobs[i].name, jobs[i].text_status);
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

/* ---- text in memory -------------------------------------------------- */

/* What an output callback was handed, in one growing buffer. */
struct taken {
    char *bytes;
    size_t size, capacity;
    int calls, stop_after; /* stop_after > 0: the answer is "stop" at that call */
};

static int take(const char *bytes, size_t size, void *argument)
{
    struct taken *t = argument;
    ++t->calls;
    if (size == 0) ++failures, fprintf(stderr, "an empty piece of page\n");
    if (t->size + size >= t->capacity) {
        t->capacity = 2 * (t->size + size) + 1;
        t->bytes = realloc(t->bytes, t->capacity);
        if (t->bytes == NULL) exit(1);
    }
    memcpy(t->bytes + t->size, bytes, size);
    t->size += size;
    t->bytes[t->size] = '\0';
    return t->stop_after > 0 && t->calls >= t->stop_after;
}

/* A text made here, written to a file of the test's folder: its kind of
 * line repeated, then a line of `long_line` bytes and the rest. */
struct made_text {
    const char *name;
    const char *line;
    int lines;
    size_t long_line; /* of "word " repeated, cut to that size */
    const char *rest;
};

static const struct made_text made_texts[] = {
    /* Text shorter than the bytes read from a copy at its end. */
    {"tiny.txt", "", 0, 0, "Hello"},
    {"bom.txt", "", 0, 0, "\xEF\xBB\xBFTitle\r\n=====\r\nText \xC2\xA3 and caf\xC3\xA9\r\n"},
    {"latin1.txt", "caf\xE9 na\xEFve <b> \"x\"   aligned\tcolumns\n", 40, 0, "\xA3 5 and no line end"},
    /* A line too long to hold, then an underline: on a classic page the
     * line becomes a heading in front of what was written of it. */
    {"heading.txt", "Some words here and http://example.org/ there.\n", 3, 5u << 20, "\n=======\nx\n"},
    /* A line too long to hold at the end, without a line end. */
    {"long-end.txt", "a@example.org wrote:\n", 2, 3u << 20, ""},
    /* A mixture that turns out to be ISO 8859-1 after UTF-8 was seen. */
    {"mixed.txt", "\xC3\xA9t\xC3\xA9 and \xD0\xA3\n", 3000, 0, "caf\xE9\n"},
};

static void make_text(const struct made_text *m)
{
    FILE *file = fopen(at(m->name), "wb");
    size_t i;
    int n;
    if (file == NULL) exit(1);
    for (n = 0; n < m->lines; ++n) fputs(m->line, file);
    for (i = 0; i < m->long_line; ++i) fputc("word "[i % 5], file);
    fputs(m->rest, file);
    fclose(file);
}

static const torvex_time fixed_time = {2027, 3, 5, 14, 7, 9};

/* The file path converted by torvex_convert_file, by torvex_convert_text
 * and by torvex_convert_text_to_buffer, in each style, line-break mode and
 * character set, gives the same page. */
static void same_pages(const char *name)
{
    char path[512];
    size_t size = 0;
    char *text = read_file(name, &size);
    int style, mode, charset;
    snprintf(path, sizeof path, "%s", name); /* at() reuses its buffers */
    if (text == NULL) {
        ++failures;
        fprintf(stderr, "cannot read %s\n", path);
        return;
    }
    for (style = TORVEX_STYLE_CLASSIC; style <= TORVEX_STYLE_MODERN; ++style)
        for (mode = TORVEX_LINE_BREAKS_KEEP; mode <= TORVEX_LINE_BREAKS_NONE; ++mode)
            for (charset = TORVEX_CHARSET_AUTO; charset <= TORVEX_CHARSET_LATIN1; ++charset) {
                torvex_options *options = torvex_options_new();
                struct taken streamed = {0};
                char *page = NULL, *buffered = NULL;
                size_t page_size = 0, buffered_size = 0;
                int file_status, text_status, buffer_status;
                torvex_options_set_style(options, style);
                torvex_options_set_line_breaks(options, mode);
                torvex_options_set_charset(options, charset);
                torvex_options_set_time(options, &fixed_time);
                torvex_options_set_text_name(options, path);
                /* Without a title a modern page waits for its heading, or takes the name. */
                if (mode == TORVEX_LINE_BREAKS_NONE) torvex_options_set_title(options, "Na\xC3\xAFve <title>");
                remove(at("page.html"));
                file_status = torvex_convert_file(path, at("page.html"), options, NULL);
                page = read_file(at("page.html"), &page_size);
                text_status = torvex_convert_text(text, size, take, &streamed, options, NULL);
                buffer_status = torvex_convert_text_to_buffer(text, size, &buffered, &buffered_size, options, NULL);
                CHECK(file_status == TORVEX_OK && text_status == TORVEX_OK && buffer_status == TORVEX_OK,
                      "%s, style %d, mode %d, set %d: status %d, %d, %d", path, style, mode, charset, file_status,
                      text_status, buffer_status);
                CHECK(page != NULL && streamed.size == page_size && memcmp(streamed.bytes, page, page_size) == 0,
                      "%s, style %d, mode %d, set %d: the streamed page differs", path, style, mode, charset);
                CHECK(page != NULL && buffered != NULL && buffered_size == page_size &&
                          memcmp(buffered, page, page_size) == 0 && buffered[buffered_size] == '\0',
                      "%s, style %d, mode %d, set %d: the page in a buffer differs", path, style, mode, charset);
                free(page);
                free(buffered);
                free(streamed.bytes);
                torvex_options_free(options);
            }
    free(text);
}

static int go_on(unsigned long long done, unsigned long long total, void *seen)
{
    *(unsigned long long *)seen = total;
    (void)done;
    return TORVEX_GO_ON;
}

/* How conversions of text fail, stop and give up. */
struct text_failure {
    const char *text; /* NULL with size: no text */
    size_t size;
    int long_text; /* instead: a text of a page of a few megabytes */
    int split, line_breaks, stop_after;
    torvex_progress_fn progress;
    int no_output;
    int status;
    const char *message;
};

static const struct text_failure text_failures[] = {
    {"Hello\n", 6, 0, 1, 2, 0, NULL, 0, TORVEX_ERROR_OPTION,
     "split mode writes a set of pages beside an input file; a text in memory becomes one page (turn split off)"},
    {"Hello\n", 6, 0, 0, 0, 0, NULL, 0, TORVEX_ERROR_OPTION,
     "invalid line-break mode 0 (use TORVEX_LINE_BREAKS_KEEP, _ADD or _NONE)"},
    {NULL, 6, 0, 0, 2, 0, NULL, 0, TORVEX_ERROR_OPTION, "no text given"},
    {"Hello\n", 6, 0, 0, 2, 0, NULL, 1, TORVEX_ERROR_OPTION, "no output callback given"},
    {"", 0, 0, 0, 2, 0, NULL, 0, TORVEX_ERROR_EMPTY_INPUT, "Input file appears to be empty"},
    {NULL, 0, 0, 0, 2, 0, NULL, 0, TORVEX_ERROR_EMPTY_INPUT, "Input file appears to be empty"},
    {NULL, 0, 1, 0, 2, 0, stop, 0, TORVEX_STOPPED, "Processing interrupted"},
    {NULL, 0, 1, 0, 2, 0, give_up, 0, TORVEX_ABANDONED, "Conversion abandoned; the page was left unfinished"},
    /* The output callback stops at its second piece of the page. */
    {NULL, 0, 1, 0, 2, 2, NULL, 0, TORVEX_ABANDONED, "Conversion abandoned; the page was left unfinished"},
};

static void text_errors(void)
{
    size_t long_size = 0, i;
    char *long_text;
    write_repeated(at("long.txt"), TORVEX_SOURCE_DIR "/samples/languages.txt", 100);
    long_text = read_file(at("long.txt"), &long_size);
    for (i = 0; i < sizeof text_failures / sizeof text_failures[0]; ++i) {
        const struct text_failure *f = &text_failures[i];
        const char *text = f->long_text ? long_text : f->text;
        const size_t size = f->long_text ? long_size : f->size;
        torvex_options *options = torvex_options_new();
        torvex_result *result = torvex_result_new();
        struct taken streamed = {0};
        char told[512] = "", *page = (char *)"";
        size_t page_size = 1;
        int status, buffer_status;
        streamed.stop_after = f->stop_after;
        torvex_options_set_split(options, f->split);
        torvex_options_set_line_breaks(options, f->line_breaks);
        torvex_options_on_progress(options, f->progress, NULL);
        torvex_options_on_message(options, keep_message, told);

        status = torvex_convert_text(text, size, f->no_output ? NULL : take, &streamed, options, result);
        CHECK(status == f->status, "text row %zu: status %d, not %d", i, status, f->status);
        CHECK(strcmp(torvex_result_message(result), f->message) == 0, "text row %zu: message \"%s\"", i,
              torvex_result_message(result));
        CHECK(strcmp(told, status < 0 ? f->message : "") == 0, "text row %zu: told \"%s\"", i, told);
        CHECK(strcmp(torvex_result_page(result), "") == 0, "text row %zu: a page named", i);
        if (status == TORVEX_STOPPED)
            CHECK(streamed.size > 0 && streamed.size < long_size / 2 &&
                      strstr(streamed.bytes, "<P>Processing interrupted</P><HR>") != NULL &&
                      memcmp(streamed.bytes + streamed.size - 9, "</HTML>\r\n", 9) == 0,
                  "text row %zu: not a whole interrupted page", i);
        else if (f->stop_after > 0)
            CHECK(streamed.calls == f->stop_after, "text row %zu: %d calls after the stop", i, streamed.calls);
        else if (status != TORVEX_ABANDONED)
            CHECK(streamed.calls == 0, "text row %zu: a page where there is none", i);

        buffer_status = torvex_convert_text_to_buffer(text, size, &page, &page_size, options, result);
        /* The buffer takes the page whole, from any text there is. */
        CHECK(buffer_status == (f->stop_after > 0 || f->no_output ? TORVEX_OK : f->status) &&
                  (page == NULL) == (buffer_status != TORVEX_OK && buffer_status != TORVEX_STOPPED) &&
                  (page != NULL || page_size == 0),
              "text row %zu: status %d and page %p in a buffer", i, buffer_status, (void *)page);
        free(page);
        free(streamed.bytes);
        torvex_result_free(result);
        torvex_options_free(options);
    }
    {
        /* The progress callback is told the size of the text. */
        unsigned long long total = 0;
        torvex_options *options = torvex_options_new();
        char *page = NULL;
        torvex_options_on_progress(options, go_on, &total);
        CHECK(torvex_convert_text_to_buffer(long_text, long_size, &page, NULL, options, NULL) == TORVEX_OK &&
                  total == long_size,
              "progress told of %llu bytes, not %zu", total, long_size);
        CHECK(torvex_convert_text_to_buffer(long_text, long_size, NULL, NULL, options, NULL) == TORVEX_ERROR_OPTION,
              "no place for the page");
        free(page);
        torvex_options_free(options);
    }
    free(long_text);
}

static void text(void)
{
    static const char *const files[] = {
        "tests/data/faq.txt", "tests/data/utf8.txt",          "tests/data/links.txt",
        "samples/readme.txt", "samples/languages.txt",        "tests/data/sets/latin1_set.txt",
        "tests/data/sets/long_line.txt",
    };
    size_t i;
    for (i = 0; i < sizeof files / sizeof files[0]; ++i) {
        char path[512];
        snprintf(path, sizeof path, "%s/%s", TORVEX_SOURCE_DIR, files[i]);
        same_pages(path);
    }
    for (i = 0; i < sizeof made_texts / sizeof made_texts[0]; ++i) {
        make_text(&made_texts[i]);
        same_pages(at(made_texts[i].name));
    }
    text_errors();
}

/* What an output callback counts of a page it does not keep: its size,
 * its largest piece and its last bytes. */
struct counted {
    unsigned long long size;
    size_t largest;
    char end[16];
};

static int count(const char *bytes, size_t size, void *argument)
{
    struct counted *c = argument;
    size_t kept = size < sizeof c->end ? size : sizeof c->end;
    memmove(c->end, c->end + kept, sizeof c->end - kept);
    memcpy(c->end + sizeof c->end - kept, bytes + size - kept, kept);
    c->size += size;
    if (size > c->largest) c->largest = size;
    return 0;
}

/* 200 MB of text, with a line of 50 MB that a heading's underline follows
 * and one of 50 MB at its end, become classic and modern pages with no
 * more memory than the text's and a few megabytes (the sanitizers'
 * bookkeeping needs more), handed on in pieces of a few megabytes at most. */
static void memory(void)
{
#ifdef TORVEX_SANITIZED
    const long most_kb = 256 << 10;
#else
    const long most_kb = 16 << 10;
#endif
    const size_t size = (size_t)200 << 20, long_line = (size_t)50 << 20;
    const char *lines = "A line of text, with an address: see http://example.org/ or write to a@example.org.\n";
    char *text = malloc(size);
    size_t filled = 0, n = strlen(lines), i;
    int style;
    struct rusage usage;
    if (text == NULL) {
        fprintf(stderr, "no memory for the text\n");
        exit(1);
    }
    while (filled + n < size / 2) memcpy(text + filled, lines, n), filled += n;
    for (i = 0; i < long_line; ++i) text[filled++] = "word "[i % 5];
    memcpy(text + filled, "\n=====\n", 7), filled += 7;
    while (filled + n < size - long_line) memcpy(text + filled, lines, n), filled += n;
    for (i = 0; filled < size; ++i) text[filled++] = "<w> "[i % 4];
    for (style = TORVEX_STYLE_CLASSIC; style <= TORVEX_STYLE_MODERN; ++style) {
        torvex_options *options = torvex_options_new();
        struct counted page = {0};
        const char *end = style == TORVEX_STYLE_MODERN ? "</html>\n" : "</HTML>\r\n";
        int status;
        torvex_options_set_style(options, style);
        status = torvex_convert_text(text, size, count, &page, options, NULL);
        CHECK(status == TORVEX_OK && page.size > size &&
                  memcmp(page.end + sizeof page.end - strlen(end), end, strlen(end)) == 0,
              "style %d: status %d, a page of %llu bytes", style, status, page.size);
        CHECK(page.largest <= (size_t)8 << 20, "style %d: a piece of %zu bytes", style, page.largest);
        torvex_options_free(options);
    }
    getrusage(RUSAGE_SELF, &usage);
    CHECK(usage.ru_maxrss - (long)(size >> 10) < most_kb, "%ld kB at most beside the text, not %ld",
          most_kb, usage.ru_maxrss - (long)(size >> 10));
    free(text);
}

int main(int argc, char **argv)
{
    const char *tmp = getenv("TMPDIR");
    char command[600];
    snprintf(folder, sizeof folder, "%s/library_test.XXXXXX", tmp != NULL && *tmp != '\0' ? tmp : "/tmp");
    if (argc != 2 || mkdtemp(folder) == NULL) {
        fprintf(stderr, "usage: library_test threads|errors|text|memory (and a temporary folder)\n");
        return 2;
    }
    if (strcmp(argv[1], "threads") == 0)
        threads();
    else if (strcmp(argv[1], "errors") == 0)
        errors();
    else if (strcmp(argv[1], "text") == 0)
        text();
    else if (strcmp(argv[1], "memory") == 0)
        memory();
    else
        ++failures;
    snprintf(command, sizeof command, "rm -rf '%s'", folder);
    if (system(command) != 0) fprintf(stderr, "cannot remove %s\n", folder);
    printf("%s: %d failed\n", argv[1], failures);
    return failures == 0 ? 0 : 1;
}
