// The texts of the verdicts, in Russian, made here at the edge rather than in the engine.
#include "verdict_texts.h"

#include "platform/file_names.h"

using namespace Qt::StringLiterals;

namespace main_window {

QString reasonText(const renaming::Verdict& verdict) {
    using renaming::Cause;
    const QString name = platform::shownFileName(verdict.name);
    switch (verdict.cause) {
    case Cause::NameTaken:
        return u"Имя занято: в папке уже есть «"_s + name + u'»';
    case Cause::NameForbidden:
        return u"Такое имя запрещено на этом диске"_s;
    case Cause::NameTooLong:
        return u"Имя длиннее, чем позволяет диск"_s;
    case Cause::FolderReadOnly:
        return u"Нет права на запись в папку"_s;
    case Cause::SameIgnoringCase:
        return u"На этом диске совпадёт с «"_s + name + u"»: регистр букв не различается"_s;
    case Cause::FolderUnreadable:
        return u"Нет доступа к папке"_s;
    case Cause::FileGone:
        return u"Файла «"_s + name + u"» больше нет в папке"_s;
    case Cause::NotAFile:
        return u"«"_s + name + u"» теперь не файл"_s;
    case Cause::FolderUnchangeable:
        return u"Папка защищена от изменений"_s;
    case Cause::OthersFileInStickyFolder:
        return u"Чужой файл в папке с защитой от удаления"_s;
    case Cause::FileUnchangeable:
        return u"Файл защищён от изменений"_s;
    }
    return {};
}

QHash<qsizetype, QString> reasonTexts(const QList<renaming::Verdict>& failing) {
    QHash<qsizetype, QString> reasons;
    reasons.reserve(failing.size());
    // A reason without a name is one text for all its rows, shared rather than built per row.
    QHash<renaming::Cause, QString> shared;
    for (const renaming::Verdict& verdict : failing) {
        if (!verdict.name.isEmpty()) {
            reasons.insert(verdict.row, reasonText(verdict));
            continue;
        }
        auto text = shared.constFind(verdict.cause);
        if (text == shared.cend())
            text = shared.insert(verdict.cause, reasonText(verdict));
        reasons.insert(verdict.row, *text);
    }
    return reasons;
}

} // namespace main_window
