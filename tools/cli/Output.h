#pragma once
// The one way kodrix-cli writes what it shows: cp1251 text converted to
// UTF-8, every write checked. A stream that refuses a write (a full disk, a
// closed stdout) is noticed at once and reported with the system's reason, so
// the tool never ends as if all went well. On a terminal, control characters
// are shown escaped, so that a name from the catalogue cannot retitle, clear
// or rewrite the user's terminal; into a file or a pipe the bytes go as they
// are.
#include <ostream>
#include <string>
#include <string_view>

namespace kodrix::cli {

// A write the stream refused: the system's reason (errno), EIO when none is
// known.
struct OutputFailed {
    int errnoValue;
};

// The text as the tool shows it on a terminal: each control character as
// `ls -b` shows it (\a \b \v \f \r by name, others as a backslash and three
// octal digits per byte). Control characters are C0 but tab and line feed,
// which lay text out and cannot command a terminal, DEL, and the C1 controls
// U+0080..U+009F (two bytes each in UTF-8). Everything else is kept as it is.
std::string escapeControls(std::string_view utf8);

class Output {
public:
    // terminal: the stream is a terminal (escaped output). reportsFailures:
    // a refused write throws OutputFailed (false for stderr, which has no one
    // to tell).
    Output(std::ostream& stream, bool terminal, bool reportsFailures = true);

    // cp1251 text and a line end.
    void line(std::string_view cp1251);
    // UTF-8 text as it is.
    void text(std::string_view utf8);
    // Flushes what is buffered; throws OutputFailed when the stream has
    // refused any write.
    void finish();
    // Before each of this output's writes, `first` is flushed, as a stream
    // tied to it (std::cerr to std::cout) would flush it: here the flush is
    // checked, so a refusal is kept with its reason for `first` to report.
    void flushesFirst(Output& first) { first_ = &first; }

private:
    void check();
    void flushQuietly();

    std::ostream& stream_;
    bool terminal_;
    bool reportsFailures_;
    int failure_ = 0;  // errno of the first refused write
    Output* first_ = nullptr;
    std::string line_;  // the line being written, its memory kept
};

}  // namespace kodrix::cli
