// RTF reader. One pass over the bytes collects the visible text with its runs
// of character formatting and its paragraph ends; only when the whole input has
// been read is the QTextDocument replaced, in one edit block, so a failed read
// leaves the caller's document as it was.
//
// Every byte is looked at a constant number of times (control word names are
// capped, \bin data is stepped over in one go), group nesting is capped, and the
// collected text is never larger than the input, so time and memory stay linear.
#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtf.h"

namespace quarrymink::rtf {
namespace {

constexpr int kDefaultHalfPoints = 24;  // RTF's default size, 12 points
constexpr int kMaxHalfPoints = 3276;
constexpr std::int64_t kMaxParameter = 1'000'000'000;
constexpr std::size_t kMaxWordLength = 32;  // longer names are not RTF control words
constexpr int kMaxUnicodeSkip = 100;
constexpr qsizetype kMaxFontNameLength = 256;

// Windows-1252 for the bytes 0x80 to 0x9F; the five unassigned codes keep their
// C1 values, as Windows itself maps them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

enum class Destination : std::uint8_t { Text, FontTable, ColorTable, Skip };
enum class Align : std::uint8_t { Left, Center, Right, Justify };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t script = 0;  // 1 superscript, -1 subscript
    int font = -1;           // RTF font number; -1 is the default font (\deff)
    int halfPoints = kDefaultHalfPoints;
    int color = 0;       // colour table index; 0 is the automatic colour
    int background = 0;  // colour table index; 0 is none

    bool operator==(const CharProps&) const = default;
};

struct GroupState {
    Destination dest = Destination::Text;
    Align align = Align::Left;
    int unicodeSkip = 1;
    CharProps chars;
};

enum class Kind : std::uint8_t {
    Char,
    Par,
    CellEnd,
    RowEnd,
    Pard,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Super,
    Sub,
    NoSuperSub,
    Font,
    FontSize,
    Color,
    Background,
    Unicode,
    UnicodeSkip,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    DefaultFont,
    Ansi,
    AnsiCodePage,
    OtherCharset,
    FontTable,
    ColorTable,
    Red,
    Green,
    Blue,
    SkipDestination,
};

struct Keyword {
    Kind kind;
    char16_t ch = 0;  // the character for Kind::Char
};

const std::unordered_map<std::string_view, Keyword>& Keywords() {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t = {
            {"par", {Kind::Par}},
            {"page", {Kind::Par}},
            {"sect", {Kind::Par}},
            {"row", {Kind::RowEnd}},
            {"nestrow", {Kind::RowEnd}},
            {"cell", {Kind::CellEnd}},
            {"nestcell", {Kind::CellEnd}},
            {"pard", {Kind::Pard}},
            {"plain", {Kind::Plain}},
            {"b", {Kind::Bold}},
            {"i", {Kind::Italic}},
            {"ul", {Kind::Underline}},
            {"uld", {Kind::Underline}},
            {"uldash", {Kind::Underline}},
            {"uldashd", {Kind::Underline}},
            {"uldashdd", {Kind::Underline}},
            {"uldb", {Kind::Underline}},
            {"ulth", {Kind::Underline}},
            {"ulw", {Kind::Underline}},
            {"ulwave", {Kind::Underline}},
            {"ulnone", {Kind::UnderlineNone}},
            {"strike", {Kind::Strike}},
            {"striked", {Kind::Strike}},
            {"super", {Kind::Super}},
            {"sub", {Kind::Sub}},
            {"nosupersub", {Kind::NoSuperSub}},
            {"f", {Kind::Font}},
            {"fs", {Kind::FontSize}},
            {"cf", {Kind::Color}},
            {"cb", {Kind::Background}},
            {"highlight", {Kind::Background}},
            {"u", {Kind::Unicode}},
            {"uc", {Kind::UnicodeSkip}},
            {"ql", {Kind::AlignLeft}},
            {"qc", {Kind::AlignCenter}},
            {"qr", {Kind::AlignRight}},
            {"qj", {Kind::AlignJustify}},
            {"deff", {Kind::DefaultFont}},
            {"ansi", {Kind::Ansi}},
            {"ansicpg", {Kind::AnsiCodePage}},
            {"mac", {Kind::OtherCharset}},
            {"pc", {Kind::OtherCharset}},
            {"pca", {Kind::OtherCharset}},
            {"fonttbl", {Kind::FontTable}},
            {"colortbl", {Kind::ColorTable}},
            {"red", {Kind::Red}},
            {"green", {Kind::Green}},
            {"blue", {Kind::Blue}},
            {"tab", {Kind::Char, u'\t'}},
            {"line", {Kind::Char, 0x2028}},
            {"emdash", {Kind::Char, 0x2014}},
            {"endash", {Kind::Char, 0x2013}},
            {"emspace", {Kind::Char, 0x2003}},
            {"enspace", {Kind::Char, 0x2002}},
            {"qmspace", {Kind::Char, 0x2005}},
            {"bullet", {Kind::Char, 0x2022}},
            {"lquote", {Kind::Char, 0x2018}},
            {"rquote", {Kind::Char, 0x2019}},
            {"ldblquote", {Kind::Char, 0x201C}},
            {"rdblquote", {Kind::Char, 0x201D}},
            {"zwj", {Kind::Char, 0x200D}},
            {"zwnj", {Kind::Char, 0x200C}},
            {"ltrmark", {Kind::Char, 0x200E}},
            {"rtlmark", {Kind::Char, 0x200F}},
        };
        // Destinations whose content is not document text.
        for (std::string_view name : {"aftncn",     "aftnsep",
                                      "aftnsepc",   "annotation",
                                      "atnauthor",  "atndate",
                                      "atnicn",     "atnid",
                                      "atnref",     "atntime",
                                      "atrfend",    "atrfstart",
                                      "author",     "background",
                                      "bkmkend",    "bkmkstart",
                                      "buptim",     "colorschememapping",
                                      "comment",    "creatim",
                                      "datastore",  "do",
                                      "doccomm",    "docvar",
                                      "falt",       "fchars",
                                      "filetbl",    "fldinst",
                                      "footer",     "footerf",
                                      "footerl",    "footerr",
                                      "footnote",   "ftncn",
                                      "ftnsep",     "ftnsepc",
                                      "generator",  "header",
                                      "headerf",    "headerl",
                                      "headerr",    "info",
                                      "keywords",   "latentstyles",
                                      "lchars",     "listoverridetable",
                                      "listtable",  "mmathPr",
                                      "nonshppict", "object",
                                      "objdata",    "operator",
                                      "panose",     "pgdsctbl",
                                      "pict",       "pn",
                                      "pnseclvl",   "printim",
                                      "private",    "revtbl",
                                      "revtim",     "rsidtbl",
                                      "rxe",        "shp",
                                      "shpinst",    "stylesheet",
                                      "subject",    "tc",
                                      "template",   "themedata",
                                      "title",      "txe",
                                      "userprops",  "xe",
                                      "xmlnstbl"})
            t.emplace(name, Keyword{Kind::SkipDestination});
        return t;
    }();
    return table;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Position of the opening brace of "{\rtf" after an optional UTF-8 byte order
// mark and white space, or nothing.
std::optional<qsizetype> RtfStart(const QByteArray& data) {
    qsizetype at = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < data.size() && (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n'))
        ++at;
    if (data.mid(at, 5) != "{\\rtf") return std::nullopt;
    return at;
}

class Reader {
public:
    explicit Reader(const QByteArray& input) : in_(input) {}

    // Reads from the brace at start; false (with a message) when the input
    // cannot be taken as a document.
    bool Parse(qsizetype start, QString* error);
    void Build(QTextDocument* doc) const;

private:
    struct Run {
        qsizetype start;  // the run goes on to the next run's start or its paragraph's end
        CharProps props;
    };
    struct Paragraph {
        qsizetype end;  // text_ index just past the paragraph
        Align align;
        CharProps props;  // formatting at the paragraph mark
    };

    GroupState& State() { return stack_.back(); }

    void ControlWord();
    void ControlSymbol(char c);
    void Word(std::string_view name, bool hasParam, int param);
    void TextWord(const Keyword& keyword, bool hasParam, int param);
    void TextByte(char c);
    void AppendChar(char16_t ch);
    void EndParagraph();
    void EndGroup();
    void CommitFont();
    void CommitColor();
    char16_t Decode(unsigned char byte) const;
    bool ConsumeFallback();
    void RepairSurrogates();

    QTextCharFormat CharFormat(const CharProps& props) const;
    static QTextBlockFormat BlockFormat(Align align);

    const QByteArray& in_;
    qsizetype pos_ = 0;
    std::vector<GroupState> stack_;
    int pendingSkip_ = 0;  // fallback characters still to drop after \uN
    bool cp1252_ = true;
    int defaultFont_ = 0;

    // Font and colour tables.
    std::unordered_map<int, QString> fonts_;
    int fontNumber_ = -1;
    QString fontName_;
    std::vector<std::optional<QColor>> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;

    // The document.
    QString text_;
    std::vector<Run> runs_;
    std::vector<Paragraph> paragraphs_;
    bool runOpen_ = false;
    qsizetype cellTab_ = -1;  // index of the tab written for the last \cell
    Align lastAlign_ = Align::Left;
    CharProps lastProps_;
};

bool Reader::Parse(qsizetype start, QString* error) {
    const char* data = in_.constData();
    const qsizetype size = in_.size();
    pos_ = start;
    while (pos_ < size) {
        const char c = data[pos_++];
        if (c == '{') {
            if (stack_.size() >= static_cast<std::size_t>(kMaxGroupDepth)) {
                if (error)
                    *error =
                        QStringLiteral("The rich-text document nests its groups more than %1 levels deep.")
                            .arg(kMaxGroupDepth);
                return false;
            }
            pendingSkip_ = 0;
            stack_.push_back(stack_.empty() ? GroupState{} : stack_.back());
        } else if (c == '}') {
            pendingSkip_ = 0;
            EndGroup();
            if (stack_.empty()) break;  // the document's own group is closed
        } else if (c == '\\') {
            ControlWord();
        } else if (c != '\r' && c != '\n') {
            TextByte(c);
        }
    }
    // Missing closing braces: keep what was read, closing the open tables.
    while (!stack_.empty()) EndGroup();

    const qsizetype done = paragraphs_.empty() ? 0 : paragraphs_.back().end;
    if (text_.size() > done) paragraphs_.push_back({text_.size(), lastAlign_, lastProps_});
    RepairSurrogates();
    return true;
}

void Reader::ControlWord() {
    const char* data = in_.constData();
    const qsizetype size = in_.size();
    if (pos_ >= size) return;  // a lone backslash at the end
    if (!IsLetter(data[pos_])) {
        ControlSymbol(data[pos_++]);
        return;
    }
    const qsizetype nameStart = pos_;
    while (pos_ < size && IsLetter(data[pos_])) ++pos_;
    std::string_view name(data + nameStart, static_cast<std::size_t>(pos_ - nameStart));
    if (name.size() > kMaxWordLength) name = {};

    bool hasParam = false;
    std::int64_t value = 0;
    const bool negative = pos_ + 1 < size && data[pos_] == '-' && IsDigit(data[pos_ + 1]);
    if (negative) ++pos_;
    while (pos_ < size && IsDigit(data[pos_])) {
        hasParam = true;
        value = std::min(value * 10 + (data[pos_] - '0'), kMaxParameter);
        ++pos_;
    }
    if (pos_ < size && data[pos_] == ' ') ++pos_;  // the delimiting space belongs to the word
    Word(name, hasParam, static_cast<int>(negative ? -value : value));
}

// Drops one fallback character after \uN; true when this one was dropped.
bool Reader::ConsumeFallback() {
    if (pendingSkip_ <= 0) return false;
    --pendingSkip_;
    return true;
}

void Reader::ControlSymbol(char c) {
    if (c == '*') {  // an optional destination: we keep none of them
        State().dest = Destination::Skip;
        return;
    }
    if (c == '\'') {
        const char* data = in_.constData();
        int byte = 0, digits = 0;
        while (digits < 2 && pos_ < in_.size() && HexValue(data[pos_]) >= 0) {
            byte = byte * 16 + HexValue(data[pos_++]);
            ++digits;
        }
        if (ConsumeFallback() || digits == 0) return;
        AppendChar(Decode(static_cast<unsigned char>(byte)));
        return;
    }
    if (ConsumeFallback()) return;
    switch (c) {
        case '\\':
        case '{':
        case '}':
            AppendChar(static_cast<char16_t>(c));
            break;
        case '~':
            AppendChar(0x00A0);
            break;  // no-break space
        case '-':
            AppendChar(0x00AD);
            break;  // soft hyphen
        case '_':
            AppendChar(0x2011);
            break;  // no-break hyphen
        case '\r':
        case '\n':
            EndParagraph();
            break;
        default:
            break;  // index entry marks and unknown symbols
    }
}

void Reader::Word(std::string_view name, bool hasParam, int param) {
    if (name == "bin") {
        // Binary data of the given length follows; it is never text.
        const qsizetype skip = std::min<qsizetype>(std::max(param, 0), in_.size() - pos_);
        pos_ += skip;
        ConsumeFallback();
        return;
    }
    if (ConsumeFallback()) return;
    GroupState& state = State();
    if (state.dest == Destination::Skip) return;

    const auto& keywords = Keywords();
    const auto found = keywords.find(name);
    if (found == keywords.end()) return;
    const Keyword& keyword = found->second;

    switch (keyword.kind) {
        case Kind::Unicode: {
            if (!hasParam) return;
            const int code = param < 0 ? param + 65536 : param;
            if (code >= 0 && code <= 0xFFFF) AppendChar(static_cast<char16_t>(code));
            pendingSkip_ = state.unicodeSkip;
            return;
        }
        case Kind::UnicodeSkip:
            state.unicodeSkip = hasParam ? std::clamp(param, 0, kMaxUnicodeSkip) : 1;
            return;
        case Kind::DefaultFont:
            defaultFont_ = param;
            return;
        case Kind::Ansi:
            cp1252_ = true;
            return;
        case Kind::AnsiCodePage:
            cp1252_ = param == 1252;
            return;
        case Kind::OtherCharset:
            cp1252_ = false;
            return;
        case Kind::SkipDestination:
            state.dest = Destination::Skip;
            return;
        case Kind::FontTable:
            state.dest = Destination::FontTable;
            return;
        case Kind::ColorTable:
            state.dest = Destination::ColorTable;
            colors_.clear();
            return;
        default:
            break;
    }

    switch (state.dest) {
        case Destination::FontTable:
            if (keyword.kind == Kind::Font) {
                if (!fontName_.trimmed().isEmpty()) CommitFont();
                fontNumber_ = param;
                fontName_.clear();
            } else if (keyword.kind == Kind::Char) {
                AppendChar(keyword.ch);
            }
            return;
        case Destination::ColorTable:
            if (keyword.kind == Kind::Red)
                red_ = std::clamp(param, 0, 255);
            else if (keyword.kind == Kind::Green)
                green_ = std::clamp(param, 0, 255);
            else if (keyword.kind == Kind::Blue)
                blue_ = std::clamp(param, 0, 255);
            else
                return;
            colorGiven_ = true;
            return;
        case Destination::Text:
            TextWord(keyword, hasParam, param);
            return;
        case Destination::Skip:
            return;
    }
}

void Reader::TextWord(const Keyword& keyword, bool hasParam, int param) {
    GroupState& state = State();
    CharProps& chars = state.chars;
    const bool on = !hasParam || param != 0;
    switch (keyword.kind) {
        case Kind::Char:
            AppendChar(keyword.ch);
            break;
        case Kind::Par:
            EndParagraph();
            break;
        case Kind::CellEnd:
            AppendChar(u'\t');
            cellTab_ = text_.size() - 1;
            break;
        case Kind::RowEnd:
            // The tab of the row's last cell is not wanted before the row's end.
            if (cellTab_ >= 0 && cellTab_ == text_.size() - 1 &&
                (paragraphs_.empty() || paragraphs_.back().end <= cellTab_))
                text_.chop(1);
            EndParagraph();
            break;
        case Kind::Pard:
            state.align = Align::Left;
            break;
        case Kind::Plain:
            chars = CharProps{};
            break;
        case Kind::Bold:
            chars.bold = on;
            break;
        case Kind::Italic:
            chars.italic = on;
            break;
        case Kind::Underline:
            chars.underline = on;
            break;
        case Kind::UnderlineNone:
            chars.underline = false;
            break;
        case Kind::Strike:
            chars.strike = on;
            break;
        case Kind::Super:
            chars.script = on ? 1 : 0;
            break;
        case Kind::Sub:
            chars.script = on ? -1 : 0;
            break;
        case Kind::NoSuperSub:
            chars.script = 0;
            break;
        case Kind::Font:
            chars.font = hasParam ? param : -1;
            break;
        case Kind::FontSize:
            chars.halfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
            break;
        case Kind::Color:
            chars.color = std::max(param, 0);
            break;
        case Kind::Background:
            chars.background = std::max(param, 0);
            break;
        case Kind::AlignLeft:
            state.align = Align::Left;
            break;
        case Kind::AlignCenter:
            state.align = Align::Center;
            break;
        case Kind::AlignRight:
            state.align = Align::Right;
            break;
        case Kind::AlignJustify:
            state.align = Align::Justify;
            break;
        default:
            break;
    }
}

void Reader::TextByte(char c) {
    if (ConsumeFallback()) return;
    switch (State().dest) {
        case Destination::ColorTable:
            if (c == ';') CommitColor();
            return;
        case Destination::FontTable:
            if (c == ';')
                CommitFont();
            else
                AppendChar(Decode(static_cast<unsigned char>(c)));
            return;
        case Destination::Text:
            AppendChar(Decode(static_cast<unsigned char>(c)));
            return;
        case Destination::Skip:
            return;
    }
}

void Reader::AppendChar(char16_t ch) {
    const GroupState& state = State();
    if (ch == 0x2029) {  // a paragraph separator given as a character
        EndParagraph();
        return;
    }
    // Control characters other than tab and the document's own frame markers
    // are not text.
    if ((ch < 0x20 && ch != u'\t') || ch == 0xFDD0 || ch == 0xFDD1) return;
    if (state.dest == Destination::FontTable) {
        if (ch != u'\t' && fontName_.size() < kMaxFontNameLength) fontName_.append(QChar(ch));
        return;
    }
    if (state.dest != Destination::Text) return;
    if (!runOpen_ || runs_.back().props != state.chars) {
        runs_.push_back({text_.size(), state.chars});
        runOpen_ = true;
    }
    text_.append(QChar(ch));
    lastAlign_ = state.align;
    lastProps_ = state.chars;
}

void Reader::EndParagraph() {
    const GroupState& state = State();
    if (state.dest != Destination::Text) return;
    paragraphs_.push_back({text_.size(), state.align, state.chars});
    runOpen_ = false;
}

void Reader::EndGroup() {
    if (stack_.empty()) return;
    const Destination dest = stack_.back().dest;
    const bool tableEnds = stack_.size() < 2 || stack_[stack_.size() - 2].dest != dest;
    if (dest == Destination::FontTable) CommitFont();
    if (dest == Destination::ColorTable && tableEnds && colorGiven_) CommitColor();
    stack_.pop_back();
}

void Reader::CommitFont() {
    if (fontNumber_ >= 0) {
        const QString name = fontName_.trimmed();
        if (!name.isEmpty()) fonts_[fontNumber_] = name;
    }
    fontNumber_ = -1;
    fontName_.clear();
}

void Reader::CommitColor() {
    if (colorGiven_)
        colors_.emplace_back(QColor(red_, green_, blue_));
    else
        colors_.emplace_back(std::nullopt);
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
}

char16_t Reader::Decode(unsigned char byte) const {
    if (cp1252_ && byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return byte;
}

// A surrogate without its partner (from a broken \uN pair) becomes U+FFFD; the
// length of the text does not change, so run and paragraph indexes stay valid.
void Reader::RepairSurrogates() {
    QChar* chars = text_.data();
    const qsizetype size = text_.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (chars[i].isHighSurrogate() && i + 1 < size && chars[i + 1].isLowSurrogate()) {
            ++i;
        } else if (chars[i].isSurrogate()) {
            chars[i] = QChar::ReplacementCharacter;
        }
    }
}

QTextCharFormat Reader::CharFormat(const CharProps& props) const {
    QTextCharFormat format;
    if (props.bold) format.setFontWeight(QFont::Bold);
    if (props.italic) format.setFontItalic(true);
    if (props.underline) format.setFontUnderline(true);
    if (props.strike) format.setFontStrikeOut(true);
    if (props.script > 0) format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (props.script < 0) format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    const auto font = fonts_.find(props.font < 0 ? defaultFont_ : props.font);
    if (font != fonts_.end()) format.setFontFamilies({font->second});
    format.setFontPointSize(props.halfPoints / 2.0);
    const auto color = [this](int index) -> std::optional<QColor> {
        if (index <= 0 || static_cast<std::size_t>(index) >= colors_.size()) return std::nullopt;
        return colors_[static_cast<std::size_t>(index)];
    };
    if (const auto fore = color(props.color)) format.setForeground(*fore);
    if (const auto back = color(props.background)) format.setBackground(*back);
    return format;
}

QTextBlockFormat Reader::BlockFormat(Align align) {
    QTextBlockFormat format;
    switch (align) {
        case Align::Left:
            break;
        case Align::Center:
            format.setAlignment(Qt::AlignHCenter);
            break;
        case Align::Right:
            format.setAlignment(Qt::AlignRight);
            break;
        case Align::Justify:
            format.setAlignment(Qt::AlignJustify);
            break;
    }
    return format;
}

void Reader::Build(QTextDocument* doc) const {
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();

    // Neighbouring runs often share a format; build each QTextCharFormat once.
    CharProps cachedProps;
    QTextCharFormat cachedFormat = CharFormat(cachedProps);
    const auto format = [&](const CharProps& props) -> const QTextCharFormat& {
        if (!(props == cachedProps)) {
            cachedProps = props;
            cachedFormat = CharFormat(props);
        }
        return cachedFormat;
    };

    std::size_t run = 0;
    for (std::size_t p = 0; p < paragraphs_.size(); ++p) {
        const Paragraph& paragraph = paragraphs_[p];
        if (p == 0) {
            cursor.setBlockFormat(BlockFormat(paragraph.align));
            cursor.setBlockCharFormat(format(paragraph.props));
        } else {
            cursor.insertBlock(BlockFormat(paragraph.align), format(paragraph.props));
        }
        for (; run < runs_.size() && runs_[run].start < paragraph.end; ++run) {
            const qsizetype start = runs_[run].start;
            qsizetype end = run + 1 < runs_.size() ? runs_[run + 1].start : text_.size();
            end = std::min(end, paragraph.end);
            if (end > start) cursor.insertText(text_.mid(start, end - start), format(runs_[run].props));
        }
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

}  // namespace

bool LooksLikeRtf(const QByteArray& data) {
    return RtfStart(data).has_value();
}

bool ReadRtf(const QByteArray& rtf, QTextDocument* doc, QString* error) {
    if (doc == nullptr) {
        if (error) *error = QStringLiteral("There is no document to read the rich text into.");
        return false;
    }
    const std::optional<qsizetype> start = RtfStart(rtf);
    if (!start) {
        if (error)
            *error = QStringLiteral("The file is not a rich-text document: it does not begin with {\\rtf.");
        return false;
    }
    Reader reader(rtf);
    if (!reader.Parse(*start, error)) return false;
    reader.Build(doc);
    if (error) error->clear();
    return true;
}

}  // namespace quarrymink::rtf
