#include "TextDocumentConversion.h"

#include "RtfReader.h"
#include "RtfWriter.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QTextDocument>

namespace kodrix {

void loadDocument(QTextDocument& document, QByteArrayView bytes) {
    auto model = rtf::readDocument({reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())});
    if (!model) throw Error(messages::failedToLoadStream());
    fillTextDocument(document, std::move(*model));
}

QByteArray rtfOfDocument(const QTextDocument& document) {
    return QByteArray::fromStdString(rtf::writeRtf(modelOfTextDocument(document)));
}

QByteArray plainTextOfDocument(const QTextDocument& document) {
    return QByteArray::fromStdString(rtf::writePlainText(modelOfTextDocument(document)));
}

}  // namespace kodrix
