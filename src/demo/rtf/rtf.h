// Reading and writing Rich Text Format for the demonstration's document editor
// and help viewer. Qt has no RTF support, so this is a small converter of our own
// between RTF and QTextDocument: paragraphs with alignment, runs of text with
// bold, italic, underline, strike-out, super/subscript, font, size and colours.
// Pictures, tables, lists, styles and page layout are not kept.
//
// The reader accepts any input: it either fills the document or reports why it
// could not, in time linear in the input and with memory proportional to it.
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quarrymink::rtf {

// Groups nested deeper than this make the reader give up with an error.
inline constexpr int kMaxGroupDepth = 1000;

// True when the data begins (after an optional UTF-8 byte order mark and
// white space) with "{\rtf".
bool LooksLikeRtf(const QByteArray& data);

// Replaces the content of doc with the document in rtf. On failure returns
// false, leaves doc untouched and, when error is given, stores a message for
// the user there. Unbalanced braces and truncated input are not failures:
// whatever was read up to the end is kept, and anything after the closing
// brace of the document is ignored. The load is not recorded for undo.
bool ReadRtf(const QByteArray& rtf, QTextDocument* doc, QString* error = nullptr);

// The document as RTF (7-bit ASCII; other characters as \uN with a '?'
// fallback). Reading the result back gives the same text and formatting.
QByteArray WriteRtf(const QTextDocument& doc);

}  // namespace quarrymink::rtf
