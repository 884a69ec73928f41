// RTF writer. Every block becomes a paragraph ended by \par; every fragment a
// run that switches only the properties that differ from the run before it.
// The output is plain ASCII: characters beyond it are written as \uN with a
// '?' for readers that do not know \u.
#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <vector>

#include "rtf.h"

namespace quarrymink::rtf {
namespace {

constexpr int kMaxHalfPoints = 3276;

// The properties the reader understands, in the writer's own numbering of
// fonts and colours (font 0 is the document's default font, colour 0 is the
// automatic colour or no background).
struct RunProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int script = 0;  // 1 superscript, -1 subscript
    int font = 0;
    int halfPoints = 24;
    int color = 0;
    int background = 0;

    bool operator==(const RunProps&) const = default;
};

class Writer {
public:
    explicit Writer(const QTextDocument& doc);
    QByteArray Write();

private:
    RunProps PropsOf(const QTextCharFormat& format);
    int FontIndex(const QTextCharFormat& format);
    int ColorIndex(const QBrush& brush);
    void SwitchTo(const RunProps& props);
    void Control(const char* word);
    void Control(const char* word, int param);
    void Text(QStringView text, bool fontName = false);
    void Paragraph(const QTextBlock& block);

    const QTextDocument& doc_;
    double defaultPoints_ = 12;
    QStringList fonts_;
    QHash<QString, int> fontIndex_;
    std::vector<QRgb> colors_;
    QHash<QRgb, int> colorIndex_;
    QByteArray body_;
    RunProps current_;
    bool delimit_ = false;  // the last thing written was a control word
};

Writer::Writer(const QTextDocument& doc) : doc_(doc) {
    const QFont font = doc.defaultFont();
    if (font.pointSizeF() > 0) defaultPoints_ = font.pointSizeF();
    fonts_.append(font.family());
    fontIndex_.insert(font.family(), 0);
    current_.halfPoints = 24;
}

int Writer::FontIndex(const QTextCharFormat& format) {
    const QStringList families = format.fontFamilies().toStringList();
    if (families.isEmpty() || families.front().isEmpty()) return 0;
    const QString& family = families.front();
    const auto found = fontIndex_.constFind(family);
    if (found != fontIndex_.cend()) return *found;
    fonts_.append(family);
    fontIndex_.insert(family, static_cast<int>(fonts_.size() - 1));
    return static_cast<int>(fonts_.size() - 1);
}

int Writer::ColorIndex(const QBrush& brush) {
    if (brush.style() == Qt::NoBrush) return 0;
    const QRgb rgb = brush.color().rgb();
    const auto found = colorIndex_.constFind(rgb);
    if (found != colorIndex_.cend()) return *found;
    colors_.push_back(rgb);
    const int index = static_cast<int>(colors_.size());  // entry 0 is the automatic colour
    colorIndex_.insert(rgb, index);
    return index;
}

RunProps Writer::PropsOf(const QTextCharFormat& format) {
    RunProps props;
    props.bold = format.fontWeight() >= QFont::DemiBold;
    props.italic = format.fontItalic();
    props.underline = format.fontUnderline();
    props.strike = format.fontStrikeOut();
    switch (format.verticalAlignment()) {
        case QTextCharFormat::AlignSuperScript:
            props.script = 1;
            break;
        case QTextCharFormat::AlignSubScript:
            props.script = -1;
            break;
        default:
            break;
    }
    props.font = FontIndex(format);
    const double points = format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0
                              ? format.fontPointSize()
                              : defaultPoints_;
    props.halfPoints = std::clamp(static_cast<int>(std::lround(points * 2)), 1, kMaxHalfPoints);
    props.color = ColorIndex(format.foreground());
    props.background = ColorIndex(format.background());
    return props;
}

void Writer::Control(const char* word) {
    body_ += '\\';
    body_ += word;
    delimit_ = true;
}

void Writer::Control(const char* word, int param) {
    Control(word);
    body_ += QByteArray::number(param);
}

void Writer::SwitchTo(const RunProps& props) {
    const RunProps& was = current_;
    if (props.bold != was.bold) Control(props.bold ? "b" : "b0");
    if (props.italic != was.italic) Control(props.italic ? "i" : "i0");
    if (props.underline != was.underline) Control(props.underline ? "ul" : "ulnone");
    if (props.strike != was.strike) Control(props.strike ? "strike" : "strike0");
    if (props.script != was.script)
        Control(props.script > 0 ? "super" : props.script < 0 ? "sub" : "nosupersub");
    if (props.font != was.font) Control("f", props.font);
    if (props.halfPoints != was.halfPoints) Control("fs", props.halfPoints);
    if (props.color != was.color) Control("cf", props.color);
    if (props.background != was.background) Control("highlight", props.background);
    current_ = props;
}

// Writes text with RTF's escapes. In a font name a plain ';' would end the
// name, so it goes as a hex escape there.
void Writer::Text(QStringView text, bool fontName) {
    for (const QChar qc : text) {
        const char16_t ch = qc.unicode();
        switch (ch) {
            case u'\\':
            case u'{':
            case u'}':
                body_ += '\\';
                body_ += static_cast<char>(ch);
                delimit_ = false;
                continue;
            case u'\t':
                Control("tab");
                continue;
            case 0x2028:
                Control("line");
                continue;  // QChar::LineSeparator
            case 0x00A0:
                body_ += "\\~";
                delimit_ = false;
                continue;
            case 0x00AD:
                body_ += "\\-";
                delimit_ = false;
                continue;
            case 0x2011:
                body_ += "\\_";
                delimit_ = false;
                continue;
            case 0xFDD0:
            case 0xFDD1:
                continue;  // frame markers, not text
            case u';':
                if (!fontName) break;
                body_ += "\\'3b";
                delimit_ = false;
                continue;
            default:
                break;
        }
        if (ch < 0x20) continue;
        if (ch < 0x7F) {
            if (delimit_) body_ += ' ';
            body_ += static_cast<char>(ch);
            delimit_ = false;
            continue;
        }
        Control("u", static_cast<int>(static_cast<std::int16_t>(ch)));
        body_ += '?';
        delimit_ = false;
    }
}

void Writer::Paragraph(const QTextBlock& block) {
    Control("pard");
    const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        Control("qc");
    else if (align & Qt::AlignJustify)
        Control("qj");
    else if (align & Qt::AlignRight)
        Control("qr");

    bool empty = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        const QTextCharFormat format = fragment.charFormat();
        if (format.objectType() != QTextFormat::NoObject) continue;  // images and other objects
        SwitchTo(PropsOf(format));
        Text(fragment.text());
        empty = false;
    }
    // An empty paragraph keeps the formatting of its mark (its height, say).
    if (empty) SwitchTo(PropsOf(block.charFormat()));
    Control("par");
    body_ += '\n';
    delimit_ = false;
}

QByteArray Writer::Write() {
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) Paragraph(block);

    // The tables are known only now; they go before the body.
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    QByteArray body;
    body.swap(body_);
    for (qsizetype i = 0; i < fonts_.size(); ++i) {
        body_ = "{\\f" + QByteArray::number(i) + "\\fnil";
        delimit_ = true;
        Text(fonts_[i], true);
        body_ += ";}";
        out += body_;
    }
    out += "}\n{\\colortbl;";
    for (const QRgb rgb : colors_) {
        out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
               "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
    }
    out += "}\n";
    out += body;
    out += "}\n";
    return out;
}

}  // namespace

QByteArray WriteRtf(const QTextDocument& doc) {
    return Writer(doc).Write();
}

}  // namespace quarrymink::rtf
