// The undo of a rename pass, through the same renamer as the pass.
#include "renaming/undo_pass.h"

#include "platform/file_renamer.h"
#include "platform/pass_journal.h"
#include "platform/progress.h"
#include "platform/stop_request.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace renaming {

namespace {

/// Whether the undo has anything to do for `row`; its file's name now, when it has.
bool needsRestore(const platform::PassRecord& pass, qsizetype row, QString& current) {
    if (pass.leftAlone(row))
        return false;
    const QString oldName = pass.oldName(row);
    if (oldName == pass.newName(row))
        return false;
    current = pass.currentName(row);
    return current != oldName;
}

QString reasonText(int error) {
    switch (error) {
    case kFileReplaced:
        return u"файл заменён другим"_s;
    case EEXIST:
    case ENOTEMPTY:
        return u"имя занято другим файлом"_s;
    case ENOENT:
        return u"файл не найден"_s;
    case EACCES:
    case EPERM:
        return u"нет прав на запись в папку"_s;
    case EROFS:
        return u"папка только для чтения"_s;
    case EISDIR:
        return u"под этим именем теперь папка"_s;
    case EINVAL:
    case ENAMETOOLONG:
        return u"имя недопустимо здесь"_s;
    case ENOSPC:
        return u"на диске нет места"_s;
    case EIO:
        return u"ошибка ввода-вывода"_s;
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace

qsizetype rowsToRestore(const platform::PassRecord& pass) {
    qsizetype rows = 0;
    QString current;
    for (qsizetype row = 0; row < pass.count(); ++row)
        rows += needsRestore(pass, row, current) ? 1 : 0;
    return rows;
}

UndoResult undoPass(platform::PassRecord& pass, platform::FileRenamer& renamer,
                    platform::Progress& progress) {
    UndoResult result;
    const qsizetype rows = pass.count();
    const QString folder = pass.folder();
    progress.setMaximum(rows);
    QString current;
    renamer.setSteps(&pass);
    for (qsizetype row = rows - 1; row >= 0; --row) {
        progress.setValue(rows - 1 - row);
        if (!needsRestore(pass, row, current))
            continue;
        if (platform::stopRequested()) {
            for (; row >= 0; --row)
                result.left += needsRestore(pass, row, current) ? 1 : 0;
            break;
        }
        const QString oldName = pass.oldName(row);
        if (!current.isEmpty())
            pass.restoring(row, current);
        const int error = !current.isEmpty()   ? renamer.rename(folder, current, oldName)
                          : pass.replaced(row) ? kFileReplaced
                                               : ENOENT;
        if (error != 0)
            result.failures.push_back(
                {current.isEmpty() ? pass.newName(row) : current, oldName, error});
    }
    renamer.setSteps(nullptr);
    renamer.releaseFolder();
    progress.setValue(0);
    return result;
}

QString failureText(const UndoFailure& failure) {
    return failure.name + u" → "_s + failure.oldName + u": "_s + reasonText(failure.error);
}

} // namespace renaming
