#include "Output.h"

#include "catalogue/Cp1251.h"

#include <cerrno>

namespace kodrix::cli {
namespace {

bool isControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F; }
// The lead byte of U+0080..U+009F in UTF-8 is 0xC2, the second 0x80..0x9F.
bool isC1(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]) == 0xC2 && i + 1 < s.size() &&
           static_cast<unsigned char>(s[i + 1]) >= 0x80 && static_cast<unsigned char>(s[i + 1]) <= 0x9F;
}

void appendEscaped(std::string& out, unsigned char c) {
    switch (c) {
    case '\a': out += "\\a"; return;
    case '\b': out += "\\b"; return;
    case '\v': out += "\\v"; return;
    case '\f': out += "\\f"; return;
    case '\r': out += "\\r"; return;
    default: break;
    }
    out += '\\';
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
}

}  // namespace

std::string escapeControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (isC1(utf8, i)) {
            appendEscaped(out, c);
            appendEscaped(out, static_cast<unsigned char>(utf8[++i]));
        } else if (isControl(c)) {
            appendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Output::Output(std::ostream& stream, bool terminal, bool reportsFailures)
    : stream_(stream), terminal_(terminal), reportsFailures_(reportsFailures) {}

void Output::line(std::string_view cp1251) {
    // One buffer for every line: a code text may stream billions of them.
    line_.clear();
    cp1251::appendUtf8(line_, cp1251);
    line_ += '\n';
    text(line_);
}

void Output::text(std::string_view utf8) {
    if (first_) first_->flushQuietly();
    errno = 0;
    if (stream_) {  // once refused, nothing more goes out
        if (terminal_) {
            const std::string shown = escapeControls(utf8);
            stream_.write(shown.data(), static_cast<std::streamsize>(shown.size()));
        } else {
            stream_.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
        }
    }
    check();
}

void Output::finish() {
    errno = 0;
    if (stream_) stream_.flush();
    check();
}

void Output::flushQuietly() {
    errno = 0;
    if (stream_) stream_.flush();
    if (!stream_ && failure_ == 0) failure_ = errno ? errno : EIO;
}

void Output::check() {
    // The reason is that of the write that failed first.
    if (!stream_ && failure_ == 0) failure_ = errno ? errno : EIO;
    if (failure_ && reportsFailures_) throw OutputFailed{failure_};
}

}  // namespace kodrix::cli
