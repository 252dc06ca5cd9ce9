/*
 * torvex.h: the C interface of libtorvex, which turns plain-text files into
 * HTML pages. The torvex program and its window convert through it too.
 *
 * A text (notes, a README, an FAQ) becomes one HTML page, or a numbered
 * document becomes a set of cross-referenced pages beside it. A text in
 * memory becomes one page, handed to the caller as it is made or whole in
 * one buffer (see "Converting text in memory" below). A conversion of a
 * file is as safe as the program's: every page is written to a temporary file
 * beside it and takes its name only once it is complete, so a failure or a
 * stop leaves older pages as they were; a page keeps the permissions of the
 * file it replaces; an existing file that is not an HTML page is replaced
 * only when the caller allows it.
 *
 * The least a caller writes:
 *
 *     torvex_result *result = torvex_result_new();
 *     if (torvex_convert_file("notes.txt", "notes.html", NULL, result) != TORVEX_OK)
 *         fprintf(stderr, "%s\n", torvex_result_message(result));
 *     torvex_result_free(result);
 *
 * Names and texts. File names are bytes as the system takes them, ended by
 * a NUL. The title is UTF-8 text. Messages, warnings and page names the
 * library gives are bytes too: they hold file names as they were given.
 *
 * Threads. Conversions on different threads need no locking. The library
 * keeps no global mutable state but the registries of the temporary files
 * being written and of the inputs mapped, which every conversion shares
 * without a lock and torvex_remove_temporary_files() and
 * torvex_handle_input_fault() read. An options object may serve
 * several conversions at once as long as nobody changes it meanwhile; a
 * result object serves one conversion at a time. Callbacks run on the
 * thread that called the converting function, before it returns.
 *
 * What the library never does: throw an exception, end the process, or
 * print on standard output or standard error (unless it is told to write a
 * page to "-", standard output). It installs no signal handler: a program
 * that wants its temporary pages gone when a signal ends it calls
 * torvex_remove_temporary_files() from its own handler. A page written to a
 * pipe whose reader has gone raises SIGPIPE, as any write does; a program
 * that ignores SIGPIPE gets TORVEX_ERROR_OUTPUT instead.
 */
#ifndef TORVEX_H
#define TORVEX_H

#include <stddef.h>

#if defined(__GNUC__)
#define TORVEX_API __attribute__((visibility("default")))
#else
#define TORVEX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a conversion gives: TORVEX_OK, a request of the caller's that it
 * honoured (positive), or a failure (negative). After a failure no page has
 * replaced a file, and no temporary file is left. */
typedef enum torvex_status {
    TORVEX_OK = 0,
    /* The progress callback asked to stop: the pages end with the line
     * "<P>Processing interrupted</P>" and their footer, and take their
     * names only where no file has them: if any would replace a file,
     * none is written and every file stays as it was. */
    TORVEX_STOPPED = 1,
    /* The progress callback gave up: no page was written. Converting a
     * text in memory, the output callback may give up too; what it was
     * handed before is the start of a page that was not finished. */
    TORVEX_ABANDONED = 2,
    /* The input cannot be opened or read. When it cannot be opened, no
     * file was touched at all. */
    TORVEX_ERROR_INPUT = -1,
    /* The input is empty ("Input file appears to be empty"). An empty page
     * is left where no file of that name was. */
    TORVEX_ERROR_EMPTY_INPUT = -2,
    /* A page cannot be written or cannot take its name (a missing folder,
     * no permission, a full disk, the input's own name). */
    TORVEX_ERROR_OUTPUT = -3,
    /* The output exists and is not an HTML page, and replacing it was not
     * allowed (see torvex_options_set_replace_non_page()). */
    TORVEX_ERROR_NOT_A_PAGE = -4,
    /* An option's value, or an argument, is not one the library takes;
     * nothing was touched. */
    TORVEX_ERROR_OPTION = -5,
    /* The conversion ran out of memory. */
    TORVEX_ERROR_MEMORY = -6
} torvex_status;

/* The library's version: (major << 16) | (minor << 8) | patch, so 2.5 is
 * 0x020500; and as text, "2.5". */
TORVEX_API int torvex_version(void);
TORVEX_API const char *torvex_version_string(void);

/*
 * Options
 *
 * How to convert, made and freed by the library and set through the
 * functions below, so that later versions can add options without breaking
 * callers. A function given NULL for options does nothing and gives
 * TORVEX_ERROR_OPTION. One that is given a value out of range keeps it and
 * gives TORVEX_ERROR_OPTION; a conversion with those options then fails
 * with TORVEX_ERROR_OPTION and a message that names the value, touching no
 * file, until the option is set to a value in range.
 */
typedef struct torvex_options torvex_options;

/* New options with the program's defaults: the classic page, line breaks
 * added where the text needs them, no title, the date and time in the
 * footer from the clock, the character set told from the input, one page,
 * no file that is not a page replaced, no callbacks. NULL when memory is
 * short. */
TORVEX_API torvex_options *torvex_options_new(void);
/* Frees options (NULL: nothing). */
TORVEX_API void torvex_options_free(torvex_options *options);

typedef enum torvex_line_breaks {
    /* Every line break of the text: each line ends in "<BR>", and there
     * are no paragraph marks. */
    TORVEX_LINE_BREAKS_KEEP = 1,
    /* Where the text's shape needs one: short lines, indented or tabbed
     * lines, quoted lines; empty lines make paragraphs. The default. */
    TORVEX_LINE_BREAKS_ADD = 2,
    /* None: only empty lines make paragraphs. */
    TORVEX_LINE_BREAKS_NONE = 3
} torvex_line_breaks;
TORVEX_API int torvex_options_set_line_breaks(torvex_options *options, int mode);

/* The first page's title (the others are titled by their section
 * headings): UTF-8 text, in which a byte that is not part of UTF-8 stands
 * for the ISO 8859-1 character of its value. NULL or "": no title. Copied;
 * TORVEX_ERROR_MEMORY when it cannot be. */
TORVEX_API int torvex_options_set_title(torvex_options *options, const char *title);

/* Whether the footer of every page gives the date and time of its making
 * ("on 05-Mar-2027 at 14:07:09"): on (non-zero, the default) or off. */
TORVEX_API int torvex_options_set_time_stamp(torvex_options *options, int on);

/* A date and time as the footer shows it: month 1 to 12, year 1 to 9999. */
typedef struct torvex_time {
    int year, month, day;
    int hour, minute, second;
} torvex_time;

/* The time the footer shows, fixed (copied), for pages that must come out
 * the same each time; NULL: the clock's. The clock is the clock callback's
 * when there is one, else the system's local time, or the time in the
 * environment variable SOURCE_DATE_EPOCH (seconds since 1970, UTC) when it
 * holds a whole number. */
TORVEX_API int torvex_options_set_time(torvex_options *options, const torvex_time *time);

typedef enum torvex_charset {
    /* Told from the whole input: valid UTF-8 holding any character beyond
     * ASCII gives UTF-8 pages, anything else ISO 8859-1 pages with the
     * bytes as they are. The default. */
    TORVEX_CHARSET_AUTO = 0,
    /* UTF-8 pages; bytes of the input that are not UTF-8 are read as ISO
     * 8859-1 characters. */
    TORVEX_CHARSET_UTF8 = 1,
    /* ISO 8859-1 pages, the bytes as they are. */
    TORVEX_CHARSET_LATIN1 = 2
} torvex_charset;
TORVEX_API int torvex_options_set_charset(torvex_options *options, int charset);

/* Whether the input, a numbered document (a contents list of labels such
 * as "[3]" or "[4.1]", then sections headed by them), becomes a set of
 * pages in the input's folder: "contents.html" and one page per section
 * ("4_1.html"). Off by default; then the output name "FAQ" asks for a set
 * too, as it does of the program. A text in memory has no folder: its
 * conversion refuses split mode (TORVEX_ERROR_OPTION). */
TORVEX_API int torvex_options_set_split(torvex_options *options, int on);

typedef enum torvex_style {
    /* The classic page: HTML 4.01 in the input's character set, each line
     * of the text a line of the page, ended by "<BR>", a paragraph mark or
     * nothing. The default. */
    TORVEX_STYLE_CLASSIC = 0,
    /* The modern page: HTML5 in UTF-8 that keeps the text's shape
     * (paragraphs that reflow, aligned columns and code as written, lists,
     * quotes, headings) and reads well on a phone as on a desktop. */
    TORVEX_STYLE_MODERN = 1
} torvex_style;
TORVEX_API int torvex_options_set_style(torvex_options *options, int style);

/* The language of the text, a BCP 47 tag such as "en" or "pt-BR", that a
 * modern page declares; NULL or "": "en", the default. A tag that is not
 * well formed is kept and gives TORVEX_ERROR_OPTION. Copied. */
TORVEX_API int torvex_options_set_language(torvex_options *options, const char *tag);

/* A stylesheet (its address as the page links it) that modern pages link
 * instead of their own; each call adds one, NULL removes them all. Copied. */
TORVEX_API int torvex_options_add_stylesheet(torvex_options *options, const char *url);

/* Whether a modern page's footer names the converter ("Converted by
 * Torvex 2.5"): on (non-zero, the default) or off. */
TORVEX_API int torvex_options_set_credit(torvex_options *options, int on);

/* The name of a text converted in memory, as a file's name would be
 * given: a modern page that has no title and no heading at its top to
 * take one from is titled by its last part ("notes.txt" for
 * "docs/notes.txt"), as it would be by the file's. NULL or "": "Untitled",
 * the default. Copied. */
TORVEX_API int torvex_options_set_text_name(torvex_options *options, const char *name);

/* Whether an existing output file that is not an HTML page (judged by its
 * name and its first bytes) may be replaced without asking the replace
 * callback. Off by default. */
TORVEX_API int torvex_options_set_replace_non_page(torvex_options *options, int on);

/* Whether an input file of a megabyte or more is read through a mapping,
 * which spares the copy of its bytes. Off by default: a file cut short by
 * another process while it is mapped raises SIGBUS in the converting
 * thread, which ends the process unless its handler passes the fault to
 * torvex_handle_input_fault(). A file that changes while it is mapped
 * fails the conversion (TORVEX_ERROR_INPUT) and replaces nothing. */
TORVEX_API int torvex_options_set_map_input(torvex_options *options, int on);

/*
 * Callbacks
 *
 * Each is optional, set with the user_data it is given back (NULL for fn
 * removes it), and runs on the converting thread. They must return
 * normally: no longjmp, no exception.
 */

/* A text for the user: a message or a warning. */
typedef void (*torvex_text_fn)(const char *text, void *user_data);

/* Messages: the conversion's failure, told as it fails, the text that
 * torvex_result_message() gives afterwards. For callers that show messages
 * as they come. */
TORVEX_API int torvex_options_on_message(torvex_options *options, torvex_text_fn fn, void *user_data);

/* Warnings: remarks on a conversion that went through all the same, such
 * as a section heading kept as a cross reference because its page was
 * written already, or a cross reference to a page the set does not have. */
TORVEX_API int torvex_options_on_warning(torvex_options *options, torvex_text_fn fn, void *user_data);

/* May the existing file at path, which is not an HTML page, be replaced?
 * Non-zero: yes. Asked only when torvex_options_set_replace_non_page() is
 * off; without this callback the answer is no. */
typedef int (*torvex_replace_fn)(const char *path, void *user_data);
TORVEX_API int torvex_options_on_replace(torvex_options *options, torvex_replace_fn fn, void *user_data);

/* The clock for the footer's stamp, read once per page: fills *now. A time
 * that is no date and time (a month 13) fails the conversion with
 * TORVEX_ERROR_OPTION. Not asked when the time is fixed or the stamp off. */
typedef void (*torvex_clock_fn)(torvex_time *now, void *user_data);
TORVEX_API int torvex_options_on_clock(torvex_options *options, torvex_clock_fn fn, void *user_data);

/* What the progress callback answers. Any non-zero answer but
 * TORVEX_ABANDON stops as TORVEX_STOP does. */
typedef enum torvex_progress_answer {
    TORVEX_GO_ON = 0,
    /* Stop after the current line and finish the pages with
     * "<P>Processing interrupted</P>" and their footer, as the window's
     * Cancel does, kept only where they replace no file: the conversion
     * gives TORVEX_STOPPED. Once the whole input is read it is too late to
     * stop, and the pages are complete. */
    TORVEX_STOP = 1,
    /* Give up after the current line: no page is written, no file
     * replaced, no temporary file left; the conversion gives
     * TORVEX_ABANDONED. */
    TORVEX_ABANDON = 2
} torvex_progress_answer;

/* Progress: the bytes of the input read so far and its size (0 when it
 * cannot be known, as for a pipe). Called every 25 lines, and once when
 * the input has been read to its end; a window lets its events run here. */
typedef int (*torvex_progress_fn)(unsigned long long done, unsigned long long total, void *user_data);
TORVEX_API int torvex_options_on_progress(torvex_options *options, torvex_progress_fn fn, void *user_data);

/*
 * Results
 *
 * What a conversion leaves for its caller to read. A result object may be
 * used for any number of conversions, one after the other; its texts stay
 * valid until the next conversion with it, or until it is freed.
 */
typedef struct torvex_result torvex_result;

/* A new result; NULL when memory is short. */
TORVEX_API torvex_result *torvex_result_new(void);
/* Frees result (NULL: nothing). */
TORVEX_API void torvex_result_free(torvex_result *result);

/* Why the last conversion did not give TORVEX_OK, for the user, such as
 * "Cannot open input file notes.txt: No such file or directory"; "" after
 * TORVEX_OK. */
TORVEX_API const char *torvex_result_message(const torvex_result *result);

/* The page the last conversion wrote last, or was writing when it ended:
 * the output name without its quotes, or of a set the path of its last
 * page. "" when the conversion ended before it came to a page. */
TORVEX_API const char *torvex_result_page(const torvex_result *result);

/*
 * Converting
 */

/* Converts the text file input into the HTML page output, or with the split
 * option into a set of pages in the input's folder (output is then not
 * read and may be NULL). options NULL: the defaults. result may be NULL
 * when the caller needs only the status. One pair of double quotes around
 * a name is removed; "-" is standard input or standard output; NULL or ""
 * names nothing (TORVEX_ERROR_OPTION).
 *
 * Gives a torvex_status. */
TORVEX_API int torvex_convert_file(const char *input, const char *output, const torvex_options *options,
                                   torvex_result *result);

/*
 * Converting text in memory
 *
 * The text is read where it lies (it must not change until the function
 * returns) and becomes one page; nothing touches a file, but that a line
 * of many megabytes may wait in an unnamed temporary file, as it does when
 * a file is converted. The character set TORVEX_CHARSET_AUTO is told from
 * the whole text before the page starts. A text of no bytes gives
 * TORVEX_ERROR_EMPTY_INPUT and no page; split mode gives
 * TORVEX_ERROR_OPTION; torvex_result_page() gives "". Give the text's name
 * with torvex_options_set_text_name() for a modern page's title.
 *
 * Streaming, as the page is made:
 *
 *     static int to_file(const char *bytes, size_t size, void *file)
 *     {
 *         return fwrite(bytes, 1, size, file) == size ? 0 : 1;
 *     }
 *     ...
 *     status = torvex_convert_text(text, size, to_file, stdout, options, result);
 *
 * or the whole page in one buffer, released with free():
 *
 *     char *page;
 *     size_t page_size;
 *     if (torvex_convert_text_to_buffer(text, size, &page, &page_size, options, result) == TORVEX_OK) {
 *         ...
 *         free(page);
 *     }
 */

/* Takes the next size bytes of the page (size > 0; bytes is valid only
 * during the call and not ended by a NUL). Most pieces hold a quarter of a
 * megabyte or a little more (the first and the last may be smaller); none
 * holds more than a few megabytes, whatever the text's lines. 0 goes
 * on; any other answer stops the conversion at once: the function is not
 * called again, and the conversion gives TORVEX_ABANDONED. */
typedef int (*torvex_output_fn)(const char *bytes, size_t size, void *user_data);

/* Converts the size bytes at text into one page, handed to output as it is
 * made, with user_data. The library holds no more of the page than a
 * conversion of a file does: a few megabytes at most, however long the
 * text. options NULL: the defaults. result may be NULL.
 *
 * Gives a torvex_status. After TORVEX_OK output has had the whole page;
 * after TORVEX_STOPPED (the progress callback asked to stop) the whole of a
 * page that ends with "<P>Processing interrupted</P>" and its footer. After
 * any other status what output had, if anything, is no whole page: the
 * caller drops it. */
TORVEX_API int torvex_convert_text(const char *text, size_t size, torvex_output_fn output, void *user_data,
                                   const torvex_options *options, torvex_result *result);

/* Converts the size bytes at text into one page, in one buffer that
 * malloc() gave and that the caller releases with free(): *page, ended by a
 * NUL that is not counted in *page_size (page_size may be NULL). After any
 * status but TORVEX_OK and TORVEX_STOPPED, *page is NULL and *page_size 0.
 * The buffer grows with the page; TORVEX_ERROR_MEMORY when it cannot.
 * Otherwise as torvex_convert_text(). */
TORVEX_API int torvex_convert_text_to_buffer(const char *text, size_t size, char **page, size_t *page_size,
                                             const torvex_options *options, torvex_result *result);

/* Removes every temporary file that a conversion of this process is
 * writing at the moment, so that a program ended by a signal leaves none,
 * and puts back the old pages of a page set caught while its pages take
 * their names, so that the folder holds the whole old set or the whole new
 * one. Async-signal-safe: made to be called from a signal handler, which
 * may interrupt any conversion on any thread. A conversion whose temporary
 * file went fails (unless abandoned first) and replaces nothing. */
TORVEX_API void torvex_remove_temporary_files(void);

/* For a SIGBUS handler installed with SA_SIGINFO, given the info's si_addr:
 * when the fault lies in an input file that a conversion reads through a
 * mapping (see torvex_options_set_map_input()), the file was cut short.
 * Its mapping then reads as zeros, so that the faulting read goes on and
 * the conversion fails as the input changed (TORVEX_ERROR_INPUT); gives
 * non-zero, and the handler returns. Zero for any other address: the
 * handler then lets the signal end the process, as it would have.
 * Async-signal-safe. */
TORVEX_API int torvex_handle_input_fault(const void *address);

#ifdef __cplusplus
}
#endif

#endif /* TORVEX_H */
