#include "rtf.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace quarrymink::rtf {
namespace {

// Fonts need a QGuiApplication; tests run on the offscreen platform.
struct GuiEnvironment : ::testing::Environment {
    int argc = 1;
    char* argv[2] = {const_cast<char*>("rtf_test"), nullptr};
    std::unique_ptr<QGuiApplication> app;
    void SetUp() override { app = std::make_unique<QGuiApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
};
[[maybe_unused]] const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

// What a character looks like, with unset properties resolved against the
// document's defaults.
struct Style {
    QString family;
    double points = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    int script = 0;
    QRgb color = 0, background = 0;  // 0: none
    Qt::Alignment align;

    bool operator==(const Style&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Style& s) {  // flags: bold, italic, underline, strike
    return os << '{' << s.family.toStdString() << ' ' << s.points << "pt " << s.bold << s.italic
              << s.underline << s.strike << " sc" << s.script << std::hex << " c" << s.color << " bg"
              << s.background << std::dec << " a" << int(s.align) << '}';
}

Style StyleOf(const QTextCharFormat& f, const QTextBlock& block, const QTextDocument& doc) {
    Style s;
    const QStringList families = f.fontFamilies().toStringList();
    s.family = families.isEmpty() ? doc.defaultFont().family() : families.front();
    s.points = f.fontPointSize() > 0 ? f.fontPointSize() : doc.defaultFont().pointSizeF();
    std::tie(s.bold, s.italic, s.underline, s.strike) =
        std::tuple(f.fontWeight() >= QFont::DemiBold, f.fontItalic(), f.fontUnderline(), f.fontStrikeOut());
    const auto script = f.verticalAlignment();
    s.script = (script == QTextCharFormat::AlignSuperScript) - (script == QTextCharFormat::AlignSubScript);
    if (f.foreground().style() != Qt::NoBrush) s.color = f.foreground().color().rgb();
    if (f.background().style() != Qt::NoBrush) s.background = f.background().color().rgb();
    s.align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (s.align == Qt::AlignLeading || s.align == 0) s.align = Qt::AlignLeft;
    return s;
}

// The document's text (paragraphs separated by '\n') and the style of each of
// its characters. The '\n' after an empty paragraph has the style of that
// paragraph's mark; after other paragraphs it has none.
struct Content {
    QString text;
    std::vector<Style> styles;
};

Content ContentOf(const QTextDocument& doc) {
    Content c;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin()) {
            const QTextBlock before = block.previous();
            c.text += u'\n';
            c.styles.push_back(before.length() == 1 ? StyleOf(before.charFormat(), before, doc) : Style{});
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            c.text += fragment.text();
            c.styles.insert(c.styles.end(), fragment.length(), StyleOf(fragment.charFormat(), block, doc));
        }
    }
    return c;
}

std::unique_ptr<QTextDocument> Read(const QByteArray& rtf) {
    auto doc = std::make_unique<QTextDocument>();
    QString error;
    EXPECT_TRUE(ReadRtf(rtf, doc.get(), &error)) << error.toStdString();
    return doc;
}

const auto TextOf = [](const QByteArray& rtf) { return ContentOf(*Read(rtf)).text; };
const auto Q = [](const char16_t* text) { return QString::fromUtf16(text); };

// Style of the first character of word in the document.
Style StyleAt(const QTextDocument& doc, const QString& word) {
    const Content c = ContentOf(doc);
    const qsizetype at = c.text.indexOf(word);
    EXPECT_GE(at, 0) << word.toStdString();
    return at < 0 ? Style{} : c.styles.at(static_cast<std::size_t>(at));
}

TEST(RtfRead, CharacterParagraphAndTableFormatting) {
    const auto doc = Read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\froman{\\*\\panose 02020603050405020304}Times New Roman;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
        "\\pard plain {\\b bold} {\\i italic} {\\ul under\\ulnone  not} \\b on\\b0  off "
        "{\\strike gone} {\\super up}{\\sub down}\\par\n"
        "\\qc\\f1\\fs40\\cf2\\highlight1 big blue\\par\n"
        "\\pard\\plain left\\par {\\qr\\cf1 red right\\par}\\qj just}");
    EXPECT_EQ(ContentOf(*doc).text,
              "plain bold italic under not on off gone updown\nbig blue\nleft\nred right\njust");

    const Style plain = StyleAt(*doc, "plain");
    EXPECT_EQ(plain, (Style{"Arial", 12, false, false, false, false, 0, 0, 0, Qt::AlignLeft}));
    for (const char* word : {"bold", "on"}) EXPECT_TRUE(StyleAt(*doc, word).bold) << word;
    EXPECT_TRUE(StyleAt(*doc, "italic").italic);
    EXPECT_TRUE(StyleAt(*doc, "under").underline);
    EXPECT_TRUE(StyleAt(*doc, "gone").strike);
    // The group, \ulnone and \b0 end what they set.
    for (const char* word : {" italic", "not", "off", "left"}) EXPECT_EQ(StyleAt(*doc, word), plain) << word;
    EXPECT_EQ(StyleAt(*doc, "up").script, 1);
    EXPECT_EQ(StyleAt(*doc, "down").script, -1);

    EXPECT_EQ(StyleAt(*doc, "big"), (Style{"Times New Roman", 20, false, false, false, false, 0,
                                           qRgb(0, 0, 255), qRgb(255, 0, 0), Qt::AlignHCenter}));

    // \pard resets the alignment, \plain the characters (see "left" above); alignment set in a
    // group applies to the paragraph ended inside it.
    EXPECT_EQ(StyleAt(*doc, "red").align, Qt::AlignRight);
    EXPECT_EQ(StyleAt(*doc, "red").color, qRgb(255, 0, 0));
    EXPECT_EQ(StyleAt(*doc, "just").align, Qt::AlignJustify);

    // Paragraph marks keep their size, so empty lines keep their height.
    EXPECT_EQ(ContentOf(*Read("{\\rtf1 a\\par\\fs48\\par b}")).styles.at(2).points, 24);
    // Parameters out of range are clamped. Font and colour entries without their own groups,
    // a missing final ';', missing components; unknown numbers fall back to the defaults.
    const auto tbl = Read(  // font and colour tables
        "{\\rtf1\\deff1{\\fonttbl\\f0\\fnil Courier;\\f1 Georgia}{\\colortbl;\\red10\\blue30}"
        "one \\f0\\cf1 two \\f9\\cf7 three \\fs99999999999999999999 big\\fs-4 neg\\uc999999999\\u65?x}");
    EXPECT_EQ(StyleAt(*tbl, "big").points, 1638);
    EXPECT_EQ(StyleAt(*tbl, "one").family, "Georgia");
    EXPECT_EQ(StyleAt(*tbl, "two").family, "Courier");
    EXPECT_EQ(StyleAt(*tbl, "two").color, qRgb(10, 0, 30));
    const Style fallback{tbl->defaultFont().family(), 12, false, false, false, false, 0, 0, 0, Qt::AlignLeft};
    for (const char* word : {"three", "neg"}) EXPECT_EQ(StyleAt(*tbl, word), fallback) << word;
}

// The text each construct gives, also in large inputs.
TEST(RtfRead, Text) {
    const std::pair<QByteArray, QString> cases[] = {
        // \uN with its fallback skipped per \ucN, negative N, surrogate pairs; \uc is group state.
        {"{\\rtf1 caf\\u233?s \\uc2\\u8364\\'80\\'80!\\uc0\\u228 x}", Q(u"caf\u00e9s \u20ac!\u00e4x")},
        {"{\\rtf1 {\\uc3\\u233}abc\\u233?d}", Q(u"\u00e9abc\u00e9d")},
        {"{\\rtf1 \\u-10179?\\u-8704?a\\u-10179?b}", Q(u"\U0001F600a\uFFFDb")},  // whole and broken pairs
        // Windows-1252 by default, Latin-1 for another code page; raw bytes alike; a bad \' goes.
        {"{\\rtf1\\ansi \\'e9\\'80\\'93\\'94\\'9f}", Q(u"\u00e9\u20ac\u201c\u201d\u0178")},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'e9\\'80}", Q(u"\u00e9\u0080")},
        {"{\\rtf1 \xe9\x80 \\'zz\\'4}", Q(u"\u00e9\u20ac zz")},
        {"{\\rtf1 a\\tab b\\line c\\~d\\-e\\_f \\{x\\}\\\\ \\emdash\\lquote "
         "q\\rquote\\bullet\ng\r\nh\\\nnext\\par}",
         Q(u"a\tb\u2028c\u00a0d\u00ade\u2011f {x}\\ \u2014\u2018q\u2019\u2022gh\nnext")},
        // Destinations that are not text are skipped; list text and field results stay.
        {"{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}{\\*\\unknown x{y{z}}w}{\\header h}"
         "{\\pict\\wmetafile8 0a0b}{\\*\\shppict{\\pict\\bin6 }}{{{{}}a{\\field{\\*\\fldinst HYPERLINK \"u\"}"
         "{\\fldrslt link}}b}",
         "alinkb"},
        {"{\\rtf1{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item}", Q(u"\u00b7\titem")},
        {"{\\rtf1\\trowd\\cellx1\\cellx2 a\\cell b\\cell\\row c\\par}", "a\tb\nc"},  // tables
        // The final \par ends the last paragraph; it does not open an empty one.
        {"{\\rtf1 a\\par\\par}", "a\n"},
        {"{\\rtf1 {a\\par}{\\b b\\par}}", "a\nb"},
        // Malformed input is read as far as it goes (also cut short in an open group, below).
        {"{\\rtf1 done} trailing}}} text", "done"},
        {"{\\rtf1 a\\bin-5 b\\u99999999999999999999?c\\u-99999999999?d}", "abcd"},
        {"{\\rtf1 a\\" + QByteArray(100, 'b') + "12 c}", "ac"},  // too long for a control word
        {"{\\rtf1 a\x01\\u0?\\u13?\\u64976?\\u64977?b}", "ab"},  // control characters, frame markers
        {"{\\rtf1 " + QByteArray(kMaxGroupDepth - 1, '{') + "deep" + QByteArray(kMaxGroupDepth, '}'), "deep"},
    };
    for (const auto& [rtf, text] : cases) EXPECT_EQ(TextOf(rtf), text) << rtf.toStdString();
    for (const char* cut : {"\\", "\\u", "\\'", "\\bin99999999999999 lost"})
        EXPECT_EQ(TextOf(QByteArray("{\\rtf1 {\\b abc") + cut), "abc") << cut;

    // Large inputs: each would take hours if some step were quadratic.
    for (const QByteArray piece : {"{}", "\\u", "\\'", "\\uc0\\u65 ", "\\b\\b0 ", "\\*", "x\\par "}) {
        SCOPED_TRACE(piece.toStdString());
        Read("{\\rtf1 " + piece.repeated(800'000 / piece.size()) + "}");
    }
    EXPECT_EQ(TextOf("{\\rtf1 a\\" + QByteArray(1'000'000, 'x') + " b}"), "ab");
    EXPECT_EQ(TextOf("{\\rtf1 a\\fs" + QByteArray(1'000'000, '9') + " b}"), "ab");
}

// What is not rich text, or nests too deep, is refused with a message and changes nothing; what
// it can read (here after a byte-order mark and blanks) replaces the document, without undo steps.
TEST(RtfRead, RefusesWhatItCannotReadAndKeepsTheDocument) {
    const QByteArray tooDeep = "{\\rtf1 " + QByteArray(kMaxGroupDepth, '{') + "deep}",
                     good = "\xEF\xBB\xBF \r\n{\\rtf1 new}";
    for (const QByteArray& input :
         {QByteArray(), QByteArray("hello"), QByteArray("{\\rt"), QByteArray("{\\RTF1 x}"),
          QByteArray("x{\\rtf1 y}"), QByteArray("\0{\\rtf1}", 8), tooDeep, good}) {
        QTextDocument doc("kept");
        QString error;
        EXPECT_EQ(LooksLikeRtf(input), input == tooDeep || input == good);
        EXPECT_EQ(ReadRtf(input, &doc, &error), input == good) << input.toStdString();
        EXPECT_TRUE(input == good || error.contains(input == tooDeep ? "deep" : "not a rich-text document"))
            << error.toStdString();
        EXPECT_EQ(doc.toPlainText(), input == good ? "new" : "kept");
        EXPECT_TRUE(input != good || (doc.isUndoRedoEnabled() && !doc.isUndoAvailable()));
    }
    EXPECT_FALSE(ReadRtf("{\\rtf1}", nullptr, nullptr));
}

// A document using everything the writer knows.
std::unique_ptr<QTextDocument> SampleDocument() {
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor c(doc.get());
    QTextCharFormat f;
    c.insertText("Plain {braces} and \\back\\slashes\\ ;semi; ", f);
    f.setFontWeight(QFont::Bold);
    c.insertText("bold ", f);
    f.setFontItalic(true);
    f.setFontFamilies({"Serif Family"});
    c.insertText("bold-italic-serif", f);
    f = QTextCharFormat();
    f.setFontUnderline(true);
    f.setFontPointSize(17.5);
    f.setForeground(QColor(200, 10, 20));
    c.insertText(Q(u"\u00e9t\u00e9 \u20ac \u041c\u043e\u0441\u043a\u0432\u0430 \u6771\u4eac \U0001F600"), f);
    const auto paragraph = [&c](Qt::Alignment align, const QTextCharFormat& mark = {}) {
        QTextBlockFormat block;
        block.setAlignment(align);
        c.insertBlock(block, mark);
    };
    paragraph(Qt::AlignHCenter);
    f = QTextCharFormat();
    f.setFontStrikeOut(true);
    f.setBackground(QColor(255, 255, 0));
    c.insertText(Q(u"tab\there\u2028line\u00a0nbsp soft\u00adhy\u2011phen"), f);
    f = QTextCharFormat();
    f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText("2", f);
    f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    f.setFontFamilies({Q(u"F\u00fcnf; {odd} font")});
    c.insertText("x", f);
    f.setFontPointSize(30);
    paragraph(Qt::AlignLeft, f);  // an empty paragraph whose mark has a format of its own
    paragraph(Qt::AlignRight);
    c.insertText("-5 right, after a control word", QTextCharFormat());
    paragraph(Qt::AlignJustify);
    c.insertText("justified");
    c.insertBlock();  // an empty last paragraph
    return doc;
}

// Also empty and blank documents.
TEST(RtfRoundTrip, KeepsTextAndFormatting) {
    std::vector<std::unique_ptr<QTextDocument>> originals;
    originals.push_back(SampleDocument());
    for (const char* text : {"", "\n", "\n\n x \n"})
        originals.push_back(std::make_unique<QTextDocument>(text));
    for (const auto& original : originals) {
        const QByteArray rtf = WriteRtf(*original);
        for (const char byte : rtf) ASSERT_TRUE(byte > 0 && byte < 0x7F) << int(byte);
        const auto copy = Read(rtf);
        EXPECT_EQ(ContentOf(*copy).text, ContentOf(*original).text) << rtf.toStdString();
        EXPECT_EQ(ContentOf(*copy).styles, ContentOf(*original).styles) << rtf.toStdString();
        EXPECT_EQ(WriteRtf(*copy), rtf);  // writing the copy gives the same file again
    }
}

}  // namespace
}  // namespace quarrymink::rtf
