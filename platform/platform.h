// The thin operating-system layer every part of the toolkit stands on: the
// millisecond clock, the debug switch and log, message output, the front-end
// link and process start. Plain C interface; the implementation is C++.
#ifndef ZORB_PLATFORM_PLATFORM_H
#define ZORB_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Errors ----------------------------------------------------------- */

/* Why the calling thread's last failed call of the calls that say so here
   (safe writing, the link server's open) failed, as a text for the user;
   "" after a call that succeeded. */
const char *PlatformLastError(void);

/* The system's reason for an errno value in the toolkit's words: lower case,
   no full stop ("no such file or directory"). Valid until the thread's next
   call. */
const char *PlatformReasonText(int error);

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
size_t PlatformIniString(const char *file, const char *section, const char *key, const char *defaultValue, char *value,
                         size_t size);

/* ---- Message output --------------------------------------------------------- */

/* Shows an error, a question or an asked-for summary: always written to
   standard error ("caption: text"), and passed to the installed box hook (the
   display layer installs a graphical box when a display is up) unless
   standard error is a terminal or the run is unattended. The display layer's
   box closes by itself after about ten seconds. */
void PlatformMessage(const char *caption, const char *text);
typedef void (*PlatformMessageBoxFn)(const char *caption, const char *text);
void PlatformSetMessageBox(PlatformMessageBoxFn fn);

/* Shows the text only in the installed graphical box (for texts the caller
   has already written to a stream), under the same rule. Returns 0 when no
   box was shown. */
int PlatformShowBox(const char *caption, const char *text);

/* Writes a notice ("caption: text") to standard error only: banners, "about"
   texts and closing lines never open a box. */
void PlatformNotice(const char *caption, const char *text);

/* Unattended runs (a switch or ZORBLAX_NO_BOX=1 in the environment) never
   show a box: every message goes to standard error only. */
void PlatformSetUnattended(int on);
int PlatformUnattended(void);

/* ---- Front-end link (client side) ------------------------------------------ */

enum {
    PLATFORM_LINK_TITLE = 1,     /* answer: the front end's title text */
    PLATFORM_LINK_HELLO = 10019, /* answer 8995: forget the link */
    PLATFORM_LINK_FORGET = 8995,
    PLATFORM_LINK_REPORT = 4660, /* UTF-8 text, CR LF between lines; answer 1 */
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

/* ---- Front-end link (server side) ------------------------------------------ */

/* What the front end answers. Every function may be null: the title query
   then answers an empty title, hello 0, a report 1, restore and other codes 0.
   received, when set, sees every complete message as it arrived (before the
   answer is chosen). */
typedef struct PlatformLinkHandlers {
    void (*received)(void *context, uint32_t code, const void *data, uint32_t size);
    /* Copies the title (UTF-8, no terminator needed) into title; returns its length. */
    size_t (*title)(void *context, char *title, size_t size);
    uint32_t (*hello)(void *context);
    /* The report text (UTF-8, CR LF between lines), NUL-terminated; length
       excludes the terminator the tool sent. */
    uint32_t (*report)(void *context, const char *text, size_t length);
    uint32_t (*restore)(void *context);
    uint32_t (*other)(void *context, uint32_t code, const void *data, uint32_t size);
} PlatformLinkHandlers;

typedef struct PlatformLinkServer PlatformLinkServer;

/* Listens as front end N (0: this process's id) at PlatformLinkPath(N),
   creating the private directory when needed. A stale socket left by a
   crashed run is replaced; a live one (another server) makes the open fail.
   Returns null on failure, with the reason in PlatformLastError. handlers is
   copied; context is passed back. */
PlatformLinkServer *PlatformLinkServerOpen(uint32_t frontEnd, const PlatformLinkHandlers *handlers, void *context);

/* The descriptor to watch for reading (an event loop's socket notifier):
   it becomes readable whenever PlatformLinkServerServe has work. -1 for null. */
int PlatformLinkServerFd(const PlatformLinkServer *server);

/* Front end number and socket path of the server ("" for null). */
uint32_t PlatformLinkServerFrontEnd(const PlatformLinkServer *server);
const char *PlatformLinkServerPath(const PlatformLinkServer *server);

/* Accepts pending connections and reads what has arrived, never blocking;
   each complete message is dispatched to the handlers and answered. Returns
   the number of messages answered. */
int PlatformLinkServerServe(PlatformLinkServer *server);

/* Stops listening, drops unfinished connections and removes the socket. */
void PlatformLinkServerClose(PlatformLinkServer *server);

/* ---- Safe writing --------------------------------------------------------- */

/* An output file that appears only when complete: written under a temporary
   name beside the target (".NAME.part-XXXXXX", so the rename never crosses a
   file system), renamed over the target by PlatformSafeCommit, removed when
   discarded. Errors are texts for the user ("Error ..."). */
typedef struct PlatformSafeFile PlatformSafeFile;

/* Creates the temporary file (usual permissions). Null on failure, with the
   reason in PlatformLastError. */
PlatformSafeFile *PlatformSafeCreate(const char *target);

/* The temporary file: an open descriptor, and its name for writers that open
   it themselves. */
int PlatformSafeFd(const PlatformSafeFile *file);
const char *PlatformSafePath(const PlatformSafeFile *file);

/* Appends bytes at the descriptor's offset; non-zero when all were written. */
int PlatformSafeWrite(PlatformSafeFile *file, const void *data, size_t size);

/* Checks that the file holds expectedSize bytes (a longer file is cut back;
   PLATFORM_SAFE_ANY_SIZE skips the check), closes it and renames it over the
   target. Frees file either way; on failure the temporary file is removed
   and PlatformLastError says why. Returns non-zero on success. */
#define PLATFORM_SAFE_ANY_SIZE UINT64_MAX
int PlatformSafeCommit(PlatformSafeFile *file, uint64_t expectedSize);

/* Removes the temporary file and frees file (null is fine). */
void PlatformSafeDiscard(PlatformSafeFile *file);

/* Replacing a file keeps its permissions and (where allowed) its owner and
   group; a symbolic link is followed and its target replaced, the link stays.
   The temporary file is registered with the interrupt rule below. */

/* ---- Interrupts --------------------------------------------------------------- */

/* The interrupt rule of every program that writes: SIGINT, SIGTERM, SIGHUP
   and SIGQUIT remove every registered path, then end the process by that
   signal (status 128 + the signal). Installed once, for each of these signals
   still at its default action (an ignored SIGHUP under nohup stays ignored);
   the first PlatformCleanupAdd installs it too. */
void PlatformInterruptInstall(void);

/* Registers a partial output: a file, or with directory non-zero a directory
   the program made (removed when empty, after the files). */
void PlatformCleanupAdd(const char *path, int directory);

/* Forgets a path: the file is complete, renamed or already removed. */
void PlatformCleanupRemove(const char *path);

/* Removes every registered path and ends the process by sig, as the rule
   does (for a handler that took a signal over, such as the status line's
   Ctrl-C). Does not return. */
void PlatformInterruptExit(int sig);

/* ---- RIFF and wave writing ------------------------------------------------------ */

/* Writes RIFF chunks front to back on a descriptor (with pwrite, from the
   descriptor's offset at the start): a chunk's size is patched in when it
   ends. An odd-sized chunk is padded when more follows or its parent ends;
   the last chunk of a file stays unpadded. Calls after a failure do nothing
   and return 0; failed stays set. */
#define PLATFORM_RIFF_DEPTH 8
typedef struct PlatformRiffWriter {
    int fd;
    int failed;
    int depth;
    int padPending;
    uint64_t position;                  /* where the next byte goes */
    uint64_t open[PLATFORM_RIFF_DEPTH]; /* starts of the unfinished chunks */
} PlatformRiffWriter;

void PlatformRiffStart(PlatformRiffWriter *writer, int fd);
int PlatformRiffWrite(PlatformRiffWriter *writer, const void *data, size_t size);

/* Starts a chunk with the four-character id; with form (four characters) a
   "RIFF" or "LIST" chunk with that form type. */
int PlatformRiffBegin(PlatformRiffWriter *writer, const char *id, const char *form);

/* Ends the innermost chunk. Fails when it outgrew 32-bit sizes. */
int PlatformRiffEnd(PlatformRiffWriter *writer);

/* Writes the pad byte of a just-ended odd chunk now (a file whose last chunk
   is odd is then padded too). */
int PlatformRiffPad(PlatformRiffWriter *writer);

/* A PCM wave file: "RIFF"/"WAVE", the "fmt " chunk, then the "data" chunk
   left open for the samples; PlatformWaveEnd closes "data" and "RIFF". */
int PlatformWaveBegin(PlatformRiffWriter *writer, uint32_t rate, unsigned channels, unsigned bits);
int PlatformWaveEnd(PlatformRiffWriter *writer);

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

/* The version of the file format the toolkit writes: the magic of its files. */
#define PLATFORM_FORMAT_VERSION "ZBX2"

/* What "--version" prints for PROGRAM: "PROGRAM (Zorblax toolkit) VERSION"
   and, on a second line, "file format ZBX2", each line ending in a newline.
   The text is written to buf (size bytes, always terminated when size > 0);
   returns buf. */
char *PlatformVersionText(const char *program, char *buf, size_t size);

/* The options every program knows, looked for in argv[1..argc-1] before its
   own parsing: "--help" or "-h" prints the usage text to standard output,
   "--version" prints PlatformVersionText. Returns
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

#include <string>

namespace zorb::platform {

// The safe-writing facility for C++ callers: removed unless committed.
class SafeFile {
public:
    SafeFile() = default;
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;
    ~SafeFile() { Discard(); }

    bool Create(const std::string &target, std::string &error)
    {
        Discard();
        file_ = PlatformSafeCreate(target.c_str());
        if (!file_)
            error = PlatformLastError();
        return file_ != nullptr;
    }
    int Fd() const { return PlatformSafeFd(file_); }
    std::string Path() const { return PlatformSafePath(file_); }
    bool Write(const void *data, size_t size) { return PlatformSafeWrite(file_, data, size) != 0; }
    bool Commit(uint64_t expectedSize, std::string &error)
    {
        const int ok = PlatformSafeCommit(file_, expectedSize);
        file_ = nullptr;
        if (!ok)
            error = PlatformLastError();
        return ok != 0;
    }
    void Discard()
    {
        PlatformSafeDiscard(file_);
        file_ = nullptr;
    }

private:
    PlatformSafeFile *file_ = nullptr;
};

} // namespace zorb::platform
#endif

#endif
