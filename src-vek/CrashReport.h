#pragma once

// What the crash handler writes after its signal line, composed in fixed buffers and written
// straight to a descriptor: the crash may have happened inside malloc, with a lock held, or on
// memory that is no longer sound, so nothing here allocates or takes a lock.
class CrashReport
{
public:
    // Once, before any crash: loads what the first backtrace loads (which allocates), and notes
    // the time zone's offset and the support contact.
    static void prepare() noexcept;

    // The log's descriptor when the log is open, standard error otherwise.
    static int descriptor() noexcept;

    // One line with the log's timestamp, the text and a newline.
    static void write_line(int fd, const char* text) noexcept;

    // The line "backtrace:" and the calling thread's frames, one per line.
    static void write_backtrace(int fd) noexcept;

    // The description an exception with this text, function and place would give, with the
    // calling thread's frames; the same text after "P=2, M=" on standard output.
    static void write_description(int fd, const char* text, const char* function_name, const char* source,
                                  int line) noexcept;
};
