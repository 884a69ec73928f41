// libFuzzer target for the RTF reader: any input must give a document or an
// error, and whatever was read must survive a write and a second read.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

#include "rtf.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarrymink::rtf;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument doc;
    QString error;
    if (!ReadRtf(input, &doc, &error)) {
        if (error.isEmpty()) std::abort();
        return 0;
    }
    QTextDocument copy;
    if (!ReadRtf(WriteRtf(doc), &copy, &error)) std::abort();
    if (copy.toRawText() != doc.toRawText()) std::abort();
    return 0;
}
