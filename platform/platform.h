// The thin operating-system layer every part of the toolkit stands on: the
// millisecond clock, the debug switch and log, message output, the front-end
// link and process start. Plain C interface; the implementation is C++.
#ifndef ZORB_PLATFORM_H
#define ZORB_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Clock ------------------------------------------------------------ */

/* Milliseconds from a monotonic clock as a wrapping 32-bit value (the role of
   the multimedia clock of the original design). Differences of two readings
   taken less than 49 days apart are exact in unsigned arithmetic. */
uint32_t PlatformTimeMs(void);

/* Replaces the clock (tests). A null function restores the real clock. */
typedef uint32_t (*PlatformClockFn)(void *context);
void PlatformSetClock(PlatformClockFn fn, void *context);

/* Sleeps for about ms milliseconds (0 yields the processor). */
void PlatformSleepMs(uint32_t ms);

/* ---- Debug switch and log ----------------------------------------------- */

/* The "Debug" profile integer of "Zorblax": ZORBLAX_DEBUG in the environment,
   else "Debug=" in the [Zorblax] section of $XDG_CONFIG_HOME/zorblax/zorblax.ini,
   else 0. Read once per process. */
int PlatformDebugValue(void);

/* Reads the debug value again (tests change the environment or the file). */
void PlatformDebugReload(void);

/* Non-zero when the debug log is on (the low 8 bits of the value equal 1). */
int PlatformDebugOn(void);

/* Writes one line to the debug log (standard error) when it is on; printf
   formatting, a newline is added when the text has none. */
void PlatformDebugLog(const char *format, ...) __attribute__((format(printf, 1, 2)));

/* ---- Configuration files ------------------------------------------------------ */

/* The toolkit's configuration directory: $XDG_CONFIG_HOME/zorblax, else
   $HOME/.config/zorblax (the place of the original design's Windows
   directory). With a name, the path of that file inside it. Returns the
   length written, 0 when it does not fit or no home is known. */
size_t PlatformConfigPath(const char *name, char *path, size_t size);

/* Reads "key=value" in "[section]" of an INI file; section and key names
   compare without regard to case, blanks around names and values are
   ignored, lines starting with ';' or '#' are comments. The integer reader
   takes a decimal (or 0x hexadecimal) number, optionally signed, and returns
   the default when the file, section or key is missing. The string reader
   copies the value (or the default) and returns its length. */
int PlatformIniInt(const char *file, const char *section, const char *key, int defaultValue);
size_t PlatformIniString(const char *file, const char *section, const char *key,
                         const char *defaultValue, char *value, size_t size);

/* ---- Message output --------------------------------------------------------- */

/* Shows a message: always written to standard error ("caption: text"), and
   passed to the installed box hook (the display layer installs a graphical
   box) when one is installed. */
void PlatformMessage(const char *caption, const char *text);
typedef void (*PlatformMessageBoxFn)(const char *caption, const char *text);
void PlatformSetMessageBox(PlatformMessageBoxFn fn);

/* Shows the text only in the installed graphical box (for texts the caller
   has already written to a stream). Returns 0 when no box is installed. */
int PlatformShowBox(const char *caption, const char *text);

/* ---- Front-end link (client side) ------------------------------------------ */

enum {
    PLATFORM_LINK_TITLE = 1,       /* answer: the front end's title text */
    PLATFORM_LINK_HELLO = 10019,   /* answer 8995: forget the link */
    PLATFORM_LINK_FORGET = 8995,
    PLATFORM_LINK_REPORT = 4660,   /* UTF-8 text, CR LF between lines; answer 1 */
    PLATFORM_LINK_RESTORE = 2304
};

/* The socket path for front end N ("/#N" on a command line). Returns the
   length written (0 when it does not fit). */
size_t PlatformLinkPath(uint32_t frontEnd, char *path, size_t size);

/* Sends one message to front end N and stores its 32-bit answer. Returns 0
   when there is no front end (no socket) or the exchange fails. */
int PlatformLinkSend(uint32_t frontEnd, uint32_t code, const void *data, uint32_t size, uint32_t *answer);

/* The title query: copies the front end's title text (NUL-terminated) into
   title. Returns 0 when there is no front end. */
int PlatformLinkTitle(uint32_t frontEnd, char *title, size_t size);

/* What a program given "/#N" does at its start: when front end N's title
   begins with "Zorblax for Windows" (*titleMatched set to 1), send hello and
   forget the link when the answer is 8995. Returns N when the link is kept
   (a report goes there at the end), 0 when it is forgotten or N is 0.
   titleMatched may be null. */
uint32_t PlatformLinkAttach(uint32_t frontEnd, int *titleMatched);

/* The final report: text (UTF-8, CR LF between lines) sent as code 4660 with
   its terminating NUL. Returns non-zero when the front end answered 1. */
int PlatformLinkReport(uint32_t frontEnd, const char *text);

/* Seconds a link exchange may take before it is given up (default 10). */
void PlatformLinkSetTimeout(uint32_t seconds);

/* ---- Files and processes ------------------------------------------------------ */

/* The program's own file (/proc/self/exe), for self-playing copies. */
size_t PlatformSelfPath(char *path, size_t size);

/* Non-zero when word names something on disk, or a file in an existing
   directory ("/tmp/new.zbx"): how command lines tell a file name that starts
   with "/" from switches glued together ("/N0/K0"). */
int PlatformNamesPath(const char *word);

/* Starts a program with a command line split like a shell word list (quotes
   respected); does not wait. Returns the process id, or -1. */
long PlatformStartProcess(const char *commandLine);

/* Splits a command line like PlatformStartProcess does: words separated by
   blanks, double or single quotes group (and are dropped). Fills at most
   maxWords pointers into storage (the words, NUL-separated, size bytes).
   Returns the number of words, or -1 when they do not fit. */
int PlatformSplitCommandLine(const char *commandLine, char **words, int maxWords, char *storage, size_t size);

/* Waits for a started process to end; returns its exit status (128 + the
   signal number when a signal ended it), or -1. */
int PlatformWaitProcess(long pid);

/* ---- Command lines ------------------------------------------------------------ */

/* Exit statuses of every program: done, failure (a file could not be read,
   written or played), usage (a bad command line). */
enum { PLATFORM_EXIT_DONE = 0, PLATFORM_EXIT_FAILURE = 1, PLATFORM_EXIT_USAGE = 2 };

/* The toolkit's version, "MAJOR.MINOR.PATCH". */
const char *PlatformVersion(void);

/* The options every program knows, looked for in argv[1..argc-1] before its
   own parsing: "--help" or "-h" prints the usage text to standard output,
   "--version" prints "PROGRAM (Zorblax toolkit) VERSION". Returns
   PLATFORM_EXIT_DONE when one of them was handled (the program then ends
   with it), -1 when neither was given. */
int PlatformStandardOptions(int argc, char **argv, const char *program, const char *usage);

/* Prints one error line to standard error: "PROGRAM: FILE: REASON", or
   "PROGRAM: REASON" when file is null or empty. A progress line in the
   making (see PlatformProgressLine) is ended first, so the error is never
   cut or overwritten. */
void PlatformError(const char *program, const char *file, const char *reason);

/* Why a file could not be opened for reading, in words ("no such file or
   directory", "is a directory", "permission denied", ...); for a file that
   opens, `otherwise` (for example "not a Zorblax file, or damaged"). */
const char *PlatformOpenFailure(const char *path, const char *otherwise);

/* Progress on standard error: the text replaces the previous progress line
   (carriage return, the text, blanks over what is left of the old one); a
   null text ends the line in the making. Nothing is drawn when standard
   error is not a terminal. */
void PlatformProgressLine(const char *text);

#ifdef __cplusplus
}
#endif

#endif
