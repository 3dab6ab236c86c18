#include "RtfReader.h"

#include "CodePages.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kodrix::rtf {
namespace {

// ---------------------------------------------------------------------------
// Tokenizer

enum class TokenKind : std::uint8_t { GroupStart, GroupEnd, Word, Symbol, Text, Hex, Binary, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view name;   // Word: the letters (empty when longer than the cap)
    bool hasParameter = false;
    std::int32_t parameter = 0;
    char symbol = 0;         // Symbol
    std::uint8_t hex = 0;    // Hex
    std::string_view bytes;  // Text, Binary
};

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
// Bytes that end a run of text: the three RTF specials and the control
// characters other than tab, which RTF ignores (line ends among them).
constexpr std::size_t kTextChunk = 1 << 16;

bool endsText(unsigned char c) { return c == '\\' || c == '{' || c == '}' || (c < 0x20 && c != '\t'); }

class Tokenizer {
public:
    explicit Tokenizer(std::string_view in) : in_(in) {}

    Token next() {
        Token t;
        if (binaryLeft_ > 0) {  // the data of \binN follows its control word
            t.kind = TokenKind::Binary;
            t.bytes = in_.substr(pos_, binaryLeft_);
            pos_ += binaryLeft_;
            binaryLeft_ = 0;
            return t;
        }
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') { ++pos_; t.kind = TokenKind::GroupStart; return t; }
            if (c == '}') { ++pos_; t.kind = TokenKind::GroupEnd; return t; }
            if (c == '\\') {
                if (control(t)) return t;
                continue;
            }
            if (endsText(static_cast<unsigned char>(c))) { ++pos_; continue; }
            const std::size_t start = pos_;
            while (pos_ < in_.size() && !endsText(static_cast<unsigned char>(in_[pos_]))) ++pos_;
            t.kind = TokenKind::Text;
            t.bytes = in_.substr(start, pos_ - start);
            return t;
        }
        return t;  // End
    }

    // Bytes not yet read.
    std::size_t remaining() const { return in_.size() - pos_; }

private:
    // Reads the control word or symbol at the backslash; false when it stands
    // for nothing (a \' without two hex digits).
    bool control(Token& t) {
        ++pos_;  // the backslash
        if (pos_ >= in_.size()) return true;  // a lone backslash at the end: End
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            if (c == '\'') {
                const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
                const int lo = hi >= 0 && pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
                if (hi >= 0 && lo >= 0) {
                    pos_ += 2;
                    t.kind = TokenKind::Hex;
                    t.hex = static_cast<std::uint8_t>(hi * 16 + lo);
                    return true;
                }
                if (hi >= 0) ++pos_;
                return false;
            }
            t.kind = TokenKind::Symbol;
            t.symbol = c;
            return true;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
        t.kind = TokenKind::Word;
        if (pos_ - start <= kMaxControlWordLength) t.name = in_.substr(start, pos_ - start);
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        if (pos_ < in_.size() && isDigit(in_[pos_])) {
            std::int64_t value = 0;
            for (; pos_ < in_.size() && isDigit(in_[pos_]); ++pos_)
                value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'), kMaxParameter);
            t.hasParameter = true;
            t.parameter = static_cast<std::int32_t>(negative ? -value : value);
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
        if (t.name == "bin" && t.hasParameter && t.parameter > 0)
            binaryLeft_ = std::min<std::size_t>(static_cast<std::size_t>(t.parameter), in_.size() - pos_);
        return true;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::size_t binaryLeft_ = 0;
};

// ---------------------------------------------------------------------------
// Control words

enum class Kw : std::uint8_t {
    // destinations
    FontTable, ColorTable, Picture, SkipDestination, KeepDestination,
    // document
    AnsiCodePage, Mac, Pc, Pca, DefaultFont, UnicodeSkip, Unicode,
    // font and colour tables
    Charset, CodePage, Red, Green, Blue,
    // character formatting
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, FontSize, Font, Foreground, Background,
    // paragraphs
    Par, Pard, AlignLeft, AlignCenter, AlignRight, AlignJustify, LeftIndent, RightIndent, FirstIndent,
    SpaceBefore, SpaceAfter, TabPosition, TabCenter, TabRight, TabDecimal, DefaultTab,
    // tables
    InTable, NestingLevel, Cell, Row, NestedCell, NestedRow, RowDefaults, RowLeft, RowGap, RowPadLeft,
    RowPadTop, RowPadRight, RowPadBottom, CellEdge, CellPadLeft, CellPadTop, CellPadRight, CellPadBottom,
    CellBackground, CellBorderTop, CellBorderLeft, CellBorderBottom, CellBorderRight, OtherBorder,
    BorderNone, BorderSolid, BorderDouble, BorderDotted, BorderDashed, BorderWidth, BorderColor,
    // characters
    Line, Tab, EmDash, EnDash, LeftQuote, RightQuote, LeftDoubleQuote, RightDoubleQuote, Bullet,
    EmSpace, EnSpace, QuarterEmSpace, ZeroWidthJoiner, ZeroWidthNonJoiner, LeftToRightMark, RightToLeftMark,
    // pictures
    Png, Jpeg, OtherPicture, PicWidth, PicHeight, PicGoalWidth, PicGoalHeight, PicScaleX, PicScaleY,
};

const std::unordered_map<std::string_view, Kw>& keywords() {
    static const std::unordered_map<std::string_view, Kw> table = [] {
        std::unordered_map<std::string_view, Kw> m{
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"pict", Kw::Picture},
            {"ansicpg", Kw::AnsiCodePage}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
            {"deff", Kw::DefaultFont}, {"uc", Kw::UnicodeSkip}, {"u", Kw::Unicode},
            {"fcharset", Kw::Charset}, {"cpg", Kw::CodePage}, {"red", Kw::Red}, {"green", Kw::Green},
            {"blue", Kw::Blue},
            {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic}, {"ulnone", Kw::UnderlineNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"fs", Kw::FontSize}, {"f", Kw::Font},
            {"cf", Kw::Foreground}, {"cb", Kw::Background}, {"highlight", Kw::Background},
            {"chcbpat", Kw::Background},
            {"par", Kw::Par}, {"sect", Kw::Par}, {"page", Kw::Par}, {"pard", Kw::Pard},
            {"ql", Kw::AlignLeft}, {"qc", Kw::AlignCenter}, {"qr", Kw::AlignRight}, {"qj", Kw::AlignJustify},
            {"qd", Kw::AlignJustify}, {"li", Kw::LeftIndent}, {"lin", Kw::LeftIndent},
            {"ri", Kw::RightIndent}, {"rin", Kw::RightIndent}, {"fi", Kw::FirstIndent},
            {"sb", Kw::SpaceBefore}, {"sa", Kw::SpaceAfter},
            {"tx", Kw::TabPosition}, {"tqc", Kw::TabCenter}, {"tqr", Kw::TabRight}, {"tqdec", Kw::TabDecimal},
            {"deftab", Kw::DefaultTab},
            {"intbl", Kw::InTable}, {"itap", Kw::NestingLevel}, {"cell", Kw::Cell}, {"row", Kw::Row},
            {"nestcell", Kw::NestedCell}, {"nestrow", Kw::NestedRow}, {"trowd", Kw::RowDefaults},
            {"trleft", Kw::RowLeft}, {"trgaph", Kw::RowGap}, {"trpaddl", Kw::RowPadLeft},
            {"trpaddt", Kw::RowPadTop}, {"trpaddr", Kw::RowPadRight}, {"trpaddb", Kw::RowPadBottom},
            {"cellx", Kw::CellEdge}, {"clpadl", Kw::CellPadLeft}, {"clpadt", Kw::CellPadTop},
            {"clpadr", Kw::CellPadRight}, {"clpadb", Kw::CellPadBottom}, {"clcbpat", Kw::CellBackground},
            {"clbrdrt", Kw::CellBorderTop}, {"clbrdrl", Kw::CellBorderLeft}, {"clbrdrb", Kw::CellBorderBottom},
            {"clbrdrr", Kw::CellBorderRight}, {"brdrw", Kw::BorderWidth}, {"brdrcf", Kw::BorderColor},
            {"brdrdb", Kw::BorderDouble}, {"brdrdot", Kw::BorderDotted},
            {"line", Kw::Line}, {"tab", Kw::Tab}, {"emdash", Kw::EmDash}, {"endash", Kw::EnDash},
            {"lquote", Kw::LeftQuote}, {"rquote", Kw::RightQuote}, {"ldblquote", Kw::LeftDoubleQuote},
            {"rdblquote", Kw::RightDoubleQuote}, {"bullet", Kw::Bullet}, {"emspace", Kw::EmSpace},
            {"enspace", Kw::EnSpace}, {"qmspace", Kw::QuarterEmSpace}, {"zwj", Kw::ZeroWidthJoiner},
            {"zwnj", Kw::ZeroWidthNonJoiner}, {"ltrmark", Kw::LeftToRightMark}, {"rtlmark", Kw::RightToLeftMark},
            {"pngblip", Kw::Png}, {"jpegblip", Kw::Jpeg}, {"picw", Kw::PicWidth}, {"pich", Kw::PicHeight},
            {"picwgoal", Kw::PicGoalWidth}, {"pichgoal", Kw::PicGoalHeight}, {"picscalex", Kw::PicScaleX},
            {"picscaley", Kw::PicScaleY},
        };
        for (std::string_view w : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash",
                                   "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash",
                                   "ululdbwave", "ulw", "ulwave"})
            m.emplace(w, Kw::Underline);
        // Borders: those of cells are read; the style words that follow a
        // paragraph's, a row's or a character's border are not the cell's.
        for (std::string_view w : {"brdrt", "brdrl", "brdrb", "brdrr", "brdrbtw", "brdrbar", "box", "trbrdrt",
                                   "trbrdrl", "trbrdrb", "trbrdrr", "trbrdrh", "trbrdrv", "chbrdr"})
            m.emplace(w, Kw::OtherBorder);
        for (std::string_view w : {"brdrs", "brdrth", "brdrsh", "brdrhair", "brdrtriple", "brdrthtnsg", "brdrtnthsg",
                                   "brdrtnthtnsg", "brdrwavy", "brdrengrave", "brdremboss", "brdroutset", "brdrinset"})
            m.emplace(w, Kw::BorderSolid);
        for (std::string_view w : {"brdrdash", "brdrdashsm", "brdrdashd", "brdrdashdd", "brdrdashdotstr"})
            m.emplace(w, Kw::BorderDashed);
        for (std::string_view w : {"brdrnone", "brdrnil", "brdrtbl"}) m.emplace(w, Kw::BorderNone);
        for (std::string_view w : {"emfblip", "wmetafile", "dibitmap", "wbitmap", "macpict", "pmmetafile"})
            m.emplace(w, Kw::OtherPicture);
        // Destinations whose text is not part of the document's text.
        for (std::string_view w :
             {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
              "footerf", "footnote", "annotation", "atnid", "atnauthor", "atndate", "atnref", "atrfstart",
              "atrfend", "fldinst", "nonshppict", "pn", "pntxta", "pntxtb", "xe", "tc", "txe", "rxe", "template",
              "listtable", "listoverridetable", "revtbl", "rsidtbl", "filetbl", "private", "objdata", "objclass",
              "objname", "themedata", "colorschememapping", "datastore", "latentstyles", "generator", "mmathPr",
              "xmlnstbl", "userprops", "docvar", "bkmkstart", "bkmkend", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
              "aftnsepc", "aftncn", "pgdsctbl", "listpicture", "fchars", "lchars", "shpinst", "do", "blipuid",
              "picprop", "falt", "panose", "fontemb", "fontfile", "keywords", "title", "subject", "author",
              "operator", "comment", "doccomm", "company", "defchp", "defpap", "pgptbl", "protusertbl"})
            m.emplace(w, Kw::SkipDestination);
        // Destinations we read although a writer may mark them ignorable.
        for (std::string_view w : {"shppict", "fldrslt", "shprslt", "result"}) m.emplace(w, Kw::KeepDestination);
        return m;
    }();
    return table;
}

// ---------------------------------------------------------------------------
// Parser

enum class Dest : std::uint8_t { Text, Skip, FontTable, ColorTable, Picture };

struct GroupState {
    Dest dest = Dest::Text;
    CharFormat chr;         // font holds the \f number (or -1) until text is written
    ParaFormat para;
    TabKind nextTab = TabKind::Left;  // the kind of the next \tx
    bool inTable = false;   // \intbl: the paragraph stands in a table cell
    int nesting = 1;        // \itap: 1 in a table, more in a table inside a cell
    int unicodeSkip = 1;    // \uc
    bool ignorable = false; // \* seen: the next control word's destination is skipped unless known
};

int clampInt(std::int32_t v, int lo, int hi) { return std::clamp<int>(v, lo, hi); }

class Parser {
public:
    explicit Parser(std::string_view in) : tokens_(in) {}

    Document run() {
        for (;;) {
            const Token t = tokens_.next();
            if (t.kind != TokenKind::Text && t.kind != TokenKind::Hex) flushText();
            switch (t.kind) {
            case TokenKind::End:
                finishLastParagraph();
                while (!stack_.empty()) popGroup();
                return std::move(doc_);
            case TokenKind::GroupStart: pushGroup(); break;
            case TokenKind::GroupEnd:
                if (depthOverflow_ == 0 && stack_.size() == 1) {  // the document's closing brace
                    finishLastParagraph();
                    popGroup();
                    return std::move(doc_);
                }
                popGroup();
                break;
            case TokenKind::Word: word(t); break;
            case TokenKind::Symbol: symbol(t.symbol); break;
            case TokenKind::Text: text(t.bytes); break;
            case TokenKind::Hex: hex(t.hex); break;
            case TokenKind::Binary: binary(t.bytes); break;
            }
        }
    }

private:
    // --- groups -----------------------------------------------------------

    void pushGroup() {
        skip_ = 0;
        if (stack_.size() >= kMaxGroupDepth) {
            ++depthOverflow_;
            return;
        }
        stack_.push_back(st_);
        if (st_.dest == Dest::Picture) st_.dest = Dest::Skip;  // a picture's inner groups carry no data
        st_.ignorable = false;
    }

    void popGroup() {
        skip_ = 0;
        if (depthOverflow_ > 0) {
            --depthOverflow_;
            return;
        }
        if (stack_.empty()) return;
        const Dest inner = st_.dest;
        st_ = stack_.back();
        stack_.pop_back();
        if (inner == Dest::Picture && st_.dest != Dest::Picture) finishPicture();
        if (inner == Dest::FontTable) finishFontEntry();
    }

    // --- tokens -----------------------------------------------------------

    bool skipFallback() {
        if (skip_ == 0) return false;
        --skip_;
        return true;
    }

    void word(const Token& t) {
        if (skipFallback()) return;
        const auto& table = keywords();
        const auto found = t.name.empty() ? table.end() : table.find(t.name);
        const bool known = found != table.end();
        if (st_.ignorable) {
            st_.ignorable = false;
            const bool readable = known && (found->second == Kw::KeepDestination || found->second == Kw::Picture);
            if (!readable) {
                st_.dest = Dest::Skip;
                return;
            }
        }
        if (!known || st_.dest == Dest::Skip) return;
        const Kw kw = found->second;
        const std::int32_t p = t.parameter;
        const bool on = !t.hasParameter || p != 0;
        switch (kw) {
        case Kw::FontTable: st_.dest = Dest::FontTable; return;
        case Kw::ColorTable: st_.dest = Dest::ColorTable; return;
        case Kw::SkipDestination: st_.dest = Dest::Skip; return;
        case Kw::KeepDestination: return;
        case Kw::Picture:
            if (st_.dest == Dest::Text) startPicture();
            else st_.dest = Dest::Skip;
            return;
        case Kw::AnsiCodePage: if (p > 0) codePage_ = p; return;
        case Kw::Mac: codePage_ = 10000; return;
        case Kw::Pc: codePage_ = 437; return;
        case Kw::Pca: codePage_ = 850; return;
        case Kw::DefaultFont: defaultFont_ = p; return;
        case Kw::DefaultTab: if (p > 0) doc_.defaultTabWidth = clampInt(p, 15, 14400); return;
        case Kw::UnicodeSkip: st_.unicodeSkip = clampInt(p, 0, 255); return;
        case Kw::Unicode: unicode(p); return;
        default: break;
        }
        switch (st_.dest) {
        case Dest::FontTable: fontTableWord(kw, p); break;
        case Dest::ColorTable: colorTableWord(kw, p); break;
        case Dest::Picture: pictureWord(kw, p); break;
        case Dest::Text: textWord(kw, p, t.hasParameter, on); break;
        case Dest::Skip: break;
        }
    }

    void symbol(char c) {
        if (skipFallback()) return;
        if (c == '*') {
            st_.ignorable = true;
            return;
        }
        if (c == '\\' || c == '{' || c == '}') {
            const char literal[1] = {c};
            text(std::string_view(literal, 1));
            return;
        }
        if (st_.dest != Dest::Text) return;
        switch (c) {
        case '~': put(u'\u00A0'); break;
        case '_': put(u'\u2011'); break;
        case '\n': case '\r': endParagraph(); break;
        default: break;  // \- optional hyphen, \: index subentry, \| formula: nothing to show
        }
    }

    void text(std::string_view bytes) {
        const std::size_t skipped = std::min<std::size_t>(skip_, bytes.size());
        skip_ -= static_cast<int>(skipped);
        bytes.remove_prefix(skipped);
        if (bytes.empty()) return;
        switch (st_.dest) {
        case Dest::Text:
            // Long text is decoded a piece at a time (where a character cannot
            // straddle the cut), not held twice over in full.
            while (!bytes.empty()) {
                if (pending_.empty()) pendingCodePage_ = currentCodePage();
                const bool whole = isDoubleByteCodePage(pendingCodePage_);
                const std::size_t take = whole ? bytes.size() : std::min(bytes.size(), kTextChunk);
                pending_ += bytes.substr(0, take);
                bytes.remove_prefix(take);
                textLeft_ = bytes.size();
                if (!whole && pending_.size() >= kTextChunk) flushText();
            }
            textLeft_ = 0;
            break;
        case Dest::FontTable:
            for (char c : bytes) {
                if (c == ';') finishFontEntry();
                else if (fontOpen_) fontNameBytes_ += c;
            }
            break;
        case Dest::ColorTable:
            for (char c : bytes)
                if (c == ';') finishColor();
            break;
        case Dest::Picture:
            if (!picture_.wanted()) break;
            for (char c : bytes) {
                const int v = hexValue(c);
                if (v < 0) continue;
                if (nibble_ < 0) {
                    nibble_ = v;
                } else {
                    picture_.bytes.push_back(static_cast<std::uint8_t>(nibble_ * 16 + v));
                    nibble_ = -1;
                }
            }
            break;
        case Dest::Skip: break;
        }
    }

    void hex(std::uint8_t byte) {
        if (skipFallback()) return;
        if (st_.dest == Dest::Text) {
            if (pending_.empty()) pendingCodePage_ = currentCodePage();
            pending_ += static_cast<char>(byte);
        } else if (st_.dest == Dest::FontTable && fontOpen_) {
            fontNameBytes_ += static_cast<char>(byte);
        }
    }

    void binary(std::string_view bytes) {
        if (skipFallback()) return;
        if (st_.dest == Dest::Picture && picture_.wanted()) picture_.bytes.insert(picture_.bytes.end(), bytes.begin(), bytes.end());
    }

    void unicode(std::int32_t value) {
        // \uN is a signed 16-bit number: values above 32767 are written negative.
        const std::int32_t unit = value < 0 ? value + 65536 : value;
        const char16_t c = unit >= 0 && unit <= 0xFFFF ? static_cast<char16_t>(unit) : u'\uFFFD';
        if (st_.dest == Dest::Text) {
            put(c);
        } else if (st_.dest == Dest::FontTable && fontOpen_) {
            decode(fontCodePage(), fontNameBytes_, fontName_);
            fontNameBytes_.clear();
            fontName_ += c;
        }
        skip_ = st_.unicodeSkip;
    }

    // --- text -------------------------------------------------------------

    int fontIndex(int number) const {
        const auto it = fontByNumber_.find(number);
        return it == fontByNumber_.end() ? -1 : it->second;
    }
    int fontCodePageOf(const Font& f) const {
        if (f.codePage > 0) return f.codePage;
        const int cp = codePageOfCharset(f.charset);
        return cp ? cp : codePage_;
    }
    // The format text is written in: the font number resolved to the font
    // table's entry, the document's default font when none is chosen.
    CharFormat effectiveFormat() const {
        CharFormat f = st_.chr;
        f.font = fontIndex(f.font >= 0 ? f.font : defaultFont_);
        return f;
    }
    int currentCodePage() const {
        const int font = fontIndex(st_.chr.font >= 0 ? st_.chr.font : defaultFont_);
        return font >= 0 ? fontCodePageOf(doc_.fonts[static_cast<std::size_t>(font)]) : codePage_;
    }

    // Bytes of a code page to text. The first kMaxCodePages distinct code
    // pages other than the document's are honoured; text in any further one
    // is read in the document's code page, so a document naming a code page
    // per font costs no more than one naming a few.
    void decode(int codePage, std::string_view bytes, std::u16string& out) {
        if (codePage != codePage_ && !codePagesMet_.contains(codePage)) {
            if (codePagesMet_.size() < kMaxCodePages) codePagesMet_.insert(codePage);
            else codePage = codePage_;
        }
        decoder_.decode(codePage, bytes, out);
    }

    void flushText() {
        if (pending_.empty()) return;
        decoded_.clear();
        decode(pendingCodePage_, pending_, decoded_);
        pending_.clear();
        // \'0d and the like: control characters other than tab are not text.
        std::erase_if(decoded_, [](char16_t c) { return c < 0x20 && c != u'\t'; });
        append(decoded_);
    }

    void put(char16_t c) {
        if (c < 0x20 && c != u'\t') return;
        append(std::u16string_view(&c, 1));
    }

    void append(std::u16string_view s) {
        if (s.empty()) return;
        const CharFormat f = effectiveFormat();
        Paragraph& p = doc_.paragraphs.back();
        if (!p.runs.empty() && !p.runs.back().isPicture() && p.runs.back().format == f) {
            // A long run grows by no more than the input left can still add
            // (each byte one character at most), not to twice its size. (A
            // string's reserve would double it all the same: a new one is
            // made to measure.)
            std::u16string& text = p.runs.back().text;
            if (text.size() + s.size() > text.capacity() && text.size() > kTextChunk) {
                const std::size_t left = tokens_.remaining() + textLeft_;
                std::u16string grown;
                grown.reserve(text.size() + s.size() + std::min(text.size(), left));
                grown += text;
                text.swap(grown);
            }
        }
        appendText(p, s, f);
    }

    void endParagraph() {
        finishParagraph(false);
        doc_.paragraphs.emplace_back();
    }

    // The paragraph being read takes its formats and its place: in the
    // current cell when it stands in a table (the first such paragraph after
    // others opens a new table). The document's last paragraph, when it is
    // empty and would only open a row no \row ends, stays outside.
    void finishParagraph(bool last) {
        Paragraph& p = doc_.paragraphs.back();
        p.format = st_.para;
        p.markFormat = effectiveFormat();
        const bool strayRow = last && p.runs.empty() && table_ >= 0 && cell_ == 0 &&
                              static_cast<std::size_t>(row_) == doc_.tables[static_cast<std::size_t>(table_)].rows.size();
        if (!st_.inTable || strayRow) {
            table_ = -1;
            return;
        }
        openTable();
        p.place = CellPlace{table_, row_, cell_};
    }

    void finishLastParagraph() { finishParagraph(true); }

    void openTable() {
        if (table_ >= 0) return;
        table_ = static_cast<int>(doc_.tables.size());
        doc_.tables.emplace_back();
        row_ = 0;
        cell_ = 0;
    }

    // \cell: the cell's last paragraph ends. Cells past kMaxTableCells run
    // into the last one.
    void endCell() {
        endParagraph();
        cell_ = std::min(cell_ + 1, static_cast<int>(kMaxTableCells) - 1);
    }

    // \row: the row ends, defined by the row definition in force. Text after
    // the row's last \cell is a cell of its own.
    void endRow() {
        if (!doc_.paragraphs.back().runs.empty()) endParagraph();
        openTable();
        doc_.tables[static_cast<std::size_t>(table_)].rows.push_back(rowDefinitionIndex());
        ++row_;
        cell_ = 0;
    }

    // Consecutive rows defined alike share their definition.
    int rowDefinitionIndex() {
        if (rowDefinition_.cells.empty()) return -1;
        auto& definitions = doc_.rowDefinitions;
        if (definitions.empty() || !(definitions.back() == rowDefinition_)) definitions.push_back(rowDefinition_);
        return static_cast<int>(definitions.size()) - 1;
    }

    void tableWord(Kw kw, std::int32_t p) {
        auto twips = [p] { return std::max(0, p); };
        switch (kw) {
        case Kw::RowDefaults:
            rowDefinition_ = RowDefinition{};
            cellDefinition_ = Cell{};
            rowPad_ = {-1, -1, -1, -1};
            cellPad_ = {-1, -1, -1, -1};
            rowGap_ = 0;
            border_ = nullptr;
            break;
        case Kw::RowLeft: rowDefinition_.leftEdge = p; break;
        case Kw::RowGap: rowGap_ = twips(); break;
        case Kw::RowPadLeft: rowPad_[0] = twips(); break;
        case Kw::RowPadTop: rowPad_[1] = twips(); break;
        case Kw::RowPadRight: rowPad_[2] = twips(); break;
        case Kw::RowPadBottom: rowPad_[3] = twips(); break;
        case Kw::CellPadLeft: cellPad_[0] = twips(); break;
        case Kw::CellPadTop: cellPad_[1] = twips(); break;
        case Kw::CellPadRight: cellPad_[2] = twips(); break;
        case Kw::CellPadBottom: cellPad_[3] = twips(); break;
        case Kw::CellBackground: cellDefinition_.background = colorIndex(p); break;
        case Kw::CellBorderTop: border_ = &cellDefinition_.top; break;
        case Kw::CellBorderLeft: border_ = &cellDefinition_.left; break;
        case Kw::CellBorderBottom: border_ = &cellDefinition_.bottom; break;
        case Kw::CellBorderRight: border_ = &cellDefinition_.right; break;
        case Kw::OtherBorder: border_ = nullptr; break;
        case Kw::BorderNone: if (border_) border_->style = BorderStyle::None; break;
        case Kw::BorderSolid: if (border_) border_->style = BorderStyle::Solid; break;
        case Kw::BorderDouble: if (border_) border_->style = BorderStyle::Double; break;
        case Kw::BorderDotted: if (border_) border_->style = BorderStyle::Dotted; break;
        case Kw::BorderDashed: if (border_) border_->style = BorderStyle::Dashed; break;
        case Kw::BorderWidth: if (border_) border_->width = clampInt(p, 0, 1440); break;
        case Kw::BorderColor: if (border_) border_->color = colorIndex(p); break;
        case Kw::CellEdge: {
            Cell& c = cellDefinition_;
            c.rightEdge = p;
            // A cell's own padding, else its row's, else half the gap between cells.
            auto pad = [this](int side, bool horizontal) {
                if (cellPad_[side] >= 0) return cellPad_[side];
                if (rowPad_[side] >= 0) return rowPad_[side];
                return horizontal ? rowGap_ : 0;
            };
            c.padLeft = pad(0, true);
            c.padTop = pad(1, false);
            c.padRight = pad(2, true);
            c.padBottom = pad(3, false);
            if (rowDefinition_.cells.size() < kMaxTableCells) rowDefinition_.cells.push_back(c);
            cellDefinition_ = Cell{};
            cellPad_ = {-1, -1, -1, -1};
            border_ = nullptr;
            break;
        }
        default: break;
        }
    }

    void addTabStop(std::int32_t position) {
        std::vector<TabStop>& tabs = st_.para.tabs;
        const TabStop stop{position, st_.nextTab};
        st_.nextTab = TabKind::Left;
        const auto at = std::lower_bound(tabs.begin(), tabs.end(), position,
                                         [](const TabStop& t, int pos) { return t.position < pos; });
        if (at != tabs.end() && at->position == position) *at = stop;
        else if (tabs.size() < kMaxTabStops) tabs.insert(at, stop);
    }

    void textWord(Kw kw, std::int32_t p, bool hasParameter, bool on) {
        CharFormat& c = st_.chr;
        ParaFormat& para = st_.para;
        switch (kw) {
        case Kw::Plain: c = CharFormat{}; break;
        case Kw::Bold: c.bold = on; break;
        case Kw::Italic: c.italic = on; break;
        case Kw::Underline: c.underline = on; break;
        case Kw::UnderlineNone: c.underline = false; break;
        case Kw::Strike: c.strikeOut = on; break;
        case Kw::FontSize: c.halfPoints = hasParameter ? clampInt(p, 0, 3276) : 0; break;
        case Kw::Font: c.font = hasParameter && p >= 0 ? p : -1; break;
        case Kw::Foreground: c.foreground = colorIndex(p); break;
        case Kw::Background: c.background = colorIndex(p); break;
        case Kw::Par: endParagraph(); break;
        case Kw::Pard:
            para = ParaFormat{};
            st_.nextTab = TabKind::Left;
            st_.inTable = false;
            st_.nesting = 1;
            break;
        case Kw::TabPosition: addTabStop(p); break;
        case Kw::TabCenter: st_.nextTab = TabKind::Center; break;
        case Kw::TabRight: st_.nextTab = TabKind::Right; break;
        case Kw::TabDecimal: st_.nextTab = TabKind::Decimal; break;
        case Kw::InTable: st_.inTable = true; break;
        case Kw::NestingLevel:
            st_.nesting = std::max(1, p);
            if (p <= 0) st_.inTable = false;
            break;
        case Kw::AlignLeft: para.alignment = Alignment::Left; break;
        case Kw::AlignCenter: para.alignment = Alignment::Center; break;
        case Kw::AlignRight: para.alignment = Alignment::Right; break;
        case Kw::AlignJustify: para.alignment = Alignment::Justify; break;
        case Kw::LeftIndent: para.leftIndent = p; break;
        case Kw::RightIndent: para.rightIndent = p; break;
        case Kw::FirstIndent: para.firstLineIndent = p; break;
        case Kw::SpaceBefore: para.spaceBefore = p; break;
        case Kw::SpaceAfter: para.spaceAfter = p; break;
        // A table inside a cell is read flat: its cells as tabs, its rows as
        // line breaks. Cells and rows outside any table read the same way.
        case Kw::Cell:
            if (st_.inTable && st_.nesting == 1) endCell();
            else put(kTab);
            break;
        case Kw::Row:
            if (st_.inTable && st_.nesting == 1) endRow();
            else endParagraph();
            break;
        case Kw::NestedCell: put(kTab); break;
        case Kw::NestedRow: put(kLineBreak); break;
        case Kw::Line: put(kLineBreak); break;
        case Kw::Tab: put(kTab); break;
        case Kw::EmDash: put(u'\u2014'); break;
        case Kw::EnDash: put(u'\u2013'); break;
        case Kw::LeftQuote: put(u'\u2018'); break;
        case Kw::RightQuote: put(u'\u2019'); break;
        case Kw::LeftDoubleQuote: put(u'\u201C'); break;
        case Kw::RightDoubleQuote: put(u'\u201D'); break;
        case Kw::Bullet: put(u'\u2022'); break;
        case Kw::EmSpace: put(u'\u2003'); break;
        case Kw::EnSpace: put(u'\u2002'); break;
        case Kw::QuarterEmSpace: put(u'\u2005'); break;
        case Kw::ZeroWidthJoiner: put(u'\u200D'); break;
        case Kw::ZeroWidthNonJoiner: put(u'\u200C'); break;
        case Kw::LeftToRightMark: put(u'\u200E'); break;
        case Kw::RightToLeftMark: put(u'\u200F'); break;
        default: tableWord(kw, p); break;
        }
    }

    // --- font table -------------------------------------------------------

    int fontCodePage() const {
        return fontOpen_ ? fontCodePageOf(doc_.fonts[static_cast<std::size_t>(fontEntry_)]) : codePage_;
    }

    void fontTableWord(Kw kw, std::int32_t p) {
        switch (kw) {
        case Kw::Font:
            finishFontEntry();
            fontEntry_ = static_cast<int>(doc_.fonts.size());
            doc_.fonts.emplace_back();
            fontByNumber_[p] = fontEntry_;
            fontOpen_ = true;
            break;
        case Kw::Charset: if (fontOpen_) doc_.fonts[static_cast<std::size_t>(fontEntry_)].charset = p; break;
        case Kw::CodePage: if (fontOpen_) doc_.fonts[static_cast<std::size_t>(fontEntry_)].codePage = std::max(0, p); break;
        default: break;
        }
    }

    void finishFontEntry() {
        if (!fontOpen_) return;
        decode(fontCodePage(), fontNameBytes_, fontName_);
        while (!fontName_.empty() && fontName_.back() == u' ') fontName_.pop_back();
        std::erase_if(fontName_, [](char16_t c) { return c < 0x20; });
        doc_.fonts[static_cast<std::size_t>(fontEntry_)].name = std::move(fontName_);
        fontName_.clear();
        fontNameBytes_.clear();
        fontOpen_ = false;
    }

    // --- colour table -----------------------------------------------------

    void colorTableWord(Kw kw, std::int32_t p) {
        const auto v = static_cast<std::uint8_t>(clampInt(p, 0, 255));
        switch (kw) {
        case Kw::Red: color_.red = v; colorGiven_ = true; break;
        case Kw::Green: color_.green = v; colorGiven_ = true; break;
        case Kw::Blue: color_.blue = v; colorGiven_ = true; break;
        default: break;
        }
    }

    void finishColor() {
        // An entry without components is the automatic colour (the first, usually).
        if (colorGiven_) {
            colorByNumber_.push_back(static_cast<int>(doc_.colors.size()));
            doc_.colors.push_back(color_);
        } else {
            colorByNumber_.push_back(-1);
        }
        color_ = Color{};
        colorGiven_ = false;
    }

    int colorIndex(std::int32_t number) const {
        return number >= 0 && static_cast<std::size_t>(number) < colorByNumber_.size()
                   ? colorByNumber_[static_cast<std::size_t>(number)]
                   : -1;
    }

    // --- pictures ---------------------------------------------------------

    struct PictureInProgress : Picture {
        enum class Blip : std::uint8_t { Unknown, Png, Jpeg, Other } blip = Blip::Unknown;
        bool wanted() const { return blip != Blip::Other; }
    };

    void startPicture() {
        st_.dest = Dest::Picture;
        picture_ = PictureInProgress{};
        nibble_ = -1;
    }

    void pictureWord(Kw kw, std::int32_t p) {
        using Blip = PictureInProgress::Blip;
        switch (kw) {
        case Kw::Png: picture_.blip = Blip::Png; break;
        case Kw::Jpeg: picture_.blip = Blip::Jpeg; break;
        case Kw::OtherPicture: picture_.blip = Blip::Other; picture_.bytes.clear(); break;
        case Kw::PicWidth: picture_.widthPixels = std::max(0, p); break;
        case Kw::PicHeight: picture_.heightPixels = std::max(0, p); break;
        case Kw::PicGoalWidth: picture_.goalWidth = std::max(0, p); break;
        case Kw::PicGoalHeight: picture_.goalHeight = std::max(0, p); break;
        case Kw::PicScaleX: picture_.scaleX = clampInt(p, 1, 10000); break;
        case Kw::PicScaleY: picture_.scaleY = clampInt(p, 1, 10000); break;
        default: break;
        }
    }

    // Keeps a PNG or JPEG picture whose data starts as its kind says.
    void finishPicture() {
        using Blip = PictureInProgress::Blip;
        const auto& b = picture_.bytes;
        const bool png = picture_.blip == Blip::Png && b.size() >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
        const bool jpeg = picture_.blip == Blip::Jpeg && b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8;
        if (png || jpeg) {
            Picture done = static_cast<Picture&&>(std::move(picture_));
            done.kind = png ? Picture::Kind::Png : Picture::Kind::Jpeg;
            const int index = static_cast<int>(doc_.pictures.size());
            doc_.pictures.push_back(std::move(done));
            Paragraph& para = doc_.paragraphs.back();
            para.runs.push_back(Run{{}, effectiveFormat(), index});
        }
        picture_ = PictureInProgress{};
    }

    Tokenizer tokens_;
    Document doc_;
    GroupState st_;
    std::vector<GroupState> stack_;
    std::size_t depthOverflow_ = 0;
    int skip_ = 0;            // \uc fallback characters still to skip
    int codePage_ = 1251;     // \ansicpg; the program's own code page when none is declared
    int defaultFont_ = -1;    // \deff number

    // Tables: the one being read (-1 outside), the row and cell text goes to,
    // the row definition in force and the cell being defined.
    int table_ = -1, row_ = 0, cell_ = 0;
    RowDefinition rowDefinition_;
    Cell cellDefinition_;
    Border* border_ = nullptr;  // the cell border that border words describe
    std::array<int, 4> rowPad_{-1, -1, -1, -1}, cellPad_{-1, -1, -1, -1};  // left, top, right, bottom; -1 unset
    int rowGap_ = 0;

    CodePageDecoder decoder_;
    std::unordered_set<int> codePagesMet_;  // the code pages honoured besides the document's
    std::string pending_;     // text bytes not yet decoded, all in pendingCodePage_
    std::size_t textLeft_ = 0;  // bytes of the text being read not yet in pending_
    int pendingCodePage_ = 1251;
    std::u16string decoded_;

    std::unordered_map<int, int> fontByNumber_;
    int fontEntry_ = -1;
    bool fontOpen_ = false;
    std::string fontNameBytes_;
    std::u16string fontName_;

    std::vector<int> colorByNumber_;
    Color color_;
    bool colorGiven_ = false;

    PictureInProgress picture_;
    int nibble_ = -1;
};

}  // namespace

Result<Document> readRtf(std::string_view bytes) {
    if (!bytes.starts_with("{\\rtf")) return Result<Document>::failure("the data does not begin with {\\rtf");
    return Parser(bytes).run();
}

Result<Document> readRtf(Bytes bytes) {
    return readRtf(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Result<Document> readUtf16Text(Bytes bytes) {
    if (bytes.size() % 2 != 0) return Result<Document>::failure("an odd number of bytes is not 16-bit text");
    std::u16string text;
    text.reserve(bytes.size() / 2);
    std::size_t i = 0;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) i = 2;
    for (; i < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return documentFromText(text);
}

Result<Document> readDocument(Bytes bytes) {
    auto rtf = readRtf(bytes);
    if (rtf) return rtf;
    return readUtf16Text(bytes);
}

Result<std::u16string> documentPlainText(Bytes bytes, std::u16string_view lineEnd) {
    const auto doc = readDocument(bytes);
    if (!doc) return Result<std::u16string>::failure(doc.reason());
    return plainText(*doc, lineEnd);
}

}  // namespace kodrix::rtf
