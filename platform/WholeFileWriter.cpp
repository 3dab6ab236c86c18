#include "WholeFileWriter.h"

#include "FileReplacement.h"
#include "Text.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QFile>

namespace kodrix {

void writeWholeFile(const QString& path, QByteArrayView bytes) {
    const auto failure = files::replaceFileContent(QFile::encodeName(path).toStdString(),
                                                   {bytes.data(), static_cast<std::size_t>(bytes.size())});
    if (!failure) return;
    if (failure->stage == files::WriteFailure::Stage::Write) throw Error(messages::failedToSaveStream());
    throw Error(messages::cannotCreateFile(toCp1251(path), failure->errnoValue));
}

}  // namespace kodrix
