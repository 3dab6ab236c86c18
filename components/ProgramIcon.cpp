#include "components/ProgramIcon.h"

#include <QDirIterator>
#include <QFileInfo>

namespace kodrix {

QIcon programIconResource(const QString& name) {
    if (name.isEmpty()) return QIcon();
    QString found;
    for (QDirIterator it(QStringLiteral(":/icons"), QDir::Files); it.hasNext();) {
        const QFileInfo file(it.next());
        const QString base = file.completeBaseName();
        if (base == name) {  // the exact spelling wins over other spellings
            found = file.filePath();
            break;
        }
        if (found.isEmpty() && base.compare(name, Qt::CaseInsensitive) == 0) found = file.filePath();
    }
    return found.isEmpty() ? QIcon() : QIcon(found);
}

QIcon programIcon() { return programIconResource(QStringLiteral("MAINICON")); }

}  // namespace kodrix
