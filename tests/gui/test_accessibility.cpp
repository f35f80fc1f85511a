// Reads the windows the way a screen reader does, through Qt's accessibility interfaces: what every
// control is called, what it holds, and what it reads after a change. Qt sends its change
// announcements only to a running bridge, so test_screen_reader.py hears those over the real bus.
#include "about_window/form2.h"
#include "columns.h"
#include "fake_dialogs.h"
#include "folder_files.h"
#include "widgets/progress_bar.h"
#include "widgets/qt_dialogs.h"
#include "window_fixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

using namespace Qt::StringLiterals;
using main_window::frmRename;

namespace {

/// Every accessible object under `root`, depth first.
QList<QAccessibleInterface*> descendants(QAccessibleInterface* root) {
    QList<QAccessibleInterface*> found;
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i)) {
            found.append(child);
            found.append(descendants(child));
        }
    }
    return found;
}

/// The names of the objects of `role` under `root`, in tree order.
QStringList namesOf(QAccessibleInterface* root, QAccessible::Role role) {
    QStringList names;
    for (QAccessibleInterface* object : descendants(root))
        if (object->role() == role)
            names.append(object->text(QAccessible::Name));
    return names;
}

/// The names of the objects that label `object` (labelled-by).
QStringList labelsOf(QAccessibleInterface* object) {
    QStringList names;
    for (const auto& [label, relation] : object->relations(QAccessible::Label))
        names.append(label->text(QAccessible::Name));
    return names;
}

enum class Change { TypeMask, ChooseAddition, Progress, NextPage, BackPage };

} // namespace

Q_DECLARE_METATYPE(Change)

class TestAccessibility : public QObject, WindowFixture {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void statusPanels_data();
    void statusPanels();
    void listRows_data();
    void listRows();
    void changesAreRead_data();
    void changesAreRead();
    void dialogs_data();
    void dialogs();
    void aboutWindow_data();
    void aboutWindow();

private:
    frmRename& openWindow() { return WindowFixture::openWindow(&m_dialogs); }
    QAccessibleInterface* accessible(const QString& name) {
        QObject* control = m_window->findChild<QObject*>(name);
        if (!control)
            qWarning("no control named %s", qPrintable(name));
        return control ? QAccessible::queryAccessibleInterface(control) : nullptr;
    }

    FakeDialogs m_dialogs;
};

void TestAccessibility::initTestCase() {
    setUpCase();
}

void TestAccessibility::init() {
    setUp();
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.doc"_s})
        writeFile(folder(), name);
    QVERIFY(QDir(folder()).mkdir(u"sub"_s));
    m_dialogs = {};
}

void TestAccessibility::cleanup() {
    tearDown();
}

void TestAccessibility::controls_data() {
    addColumns<QString, bool, QAccessible::Role, QString>(
        {"control", "onNamingPage", "role", "name"});
    QTest::addColumn<QString>("value"); // null: not checked
    QTest::addColumn<QString>("labelledBy");

    using A = QAccessible;
    const QString none;
    QTest::newRow("hint") << u"lbl1"_s << false << A::StaticText
                          << u"Выберите файлы для переименования"_s << none << none;
    QTest::newRow("drive") << u"drvDir"_s << false << A::ComboBox << u"Диск"_s << none
                           << u"Директория"_s;
    QTest::newRow("folder") << u"Dir"_s << false << A::List << u"Директория"_s << none << none;
    QTest::newRow("mask") << u"cboMask"_s << false << A::ComboBox << u"Маска"_s << u"*.*"_s
                          << u"Маска"_s;
    QTest::newRow("files") << u"File1"_s << false << A::List << u"Файлы"_s << none << none;
    QTest::newRow("about") << u"cmdAbout"_s << false << A::Button << u"О программе"_s << none
                           << none;
    QTest::newRow("next") << u"cmdOK"_s << false << A::Button << u"Далее"_s << none << none;
    QTest::newRow("exit, selection page")
        << u"cmdExit(0)"_s << false << A::Button << u"Выход"_s << none << none;
    QTest::newRow("status bar") << u"sbr1"_s << false << A::StatusBar << u""_s << none << none;
    QTest::newRow("found files") << u"panel3"_s << false << A::StaticText << u"Найдено файлов:  3"_s
                                 << none << none;

    QTest::newRow("base name") << u"txtName"_s << true << A::EditableText << u"Имя"_s << u"*"_s
                               << u"Имя"_s;
    QTest::newRow("addition") << u"cboDop"_s << true << A::ComboBox << u"Добавка"_s << u"-"_s
                              << u"Добавка"_s;
    QTest::newRow("ending") << u"cboEnd"_s << true << A::ComboBox << u"Окончание"_s << u".*"_s
                            << u"Окончание"_s;
    QTest::newRow("current files")
        << u"File2"_s << true << A::List << u"Текущие файлы"_s << none << none;
    QTest::newRow("new names") << u"lstNew"_s << true << A::List << u"Переименованные"_s << none
                               << none;
    QTest::newRow("progress") << u"prb1"_s << true << A::ProgressBar << u"Ход работы"_s << none
                              << none;
    QTest::newRow("back") << u"cmdBack"_s << true << A::Button << u"Назад"_s << none << none;
    QTest::newRow("preview") << u"cmdLook"_s << true << A::Button << u"Просмотреть"_s << none
                             << none;
    QTest::newRow("rename") << u"cmdRename"_s << true << A::Button << u"Переименовать"_s << none
                            << none;
    QTest::newRow("exit, naming page")
        << u"cmdExit(1)"_s << true << A::Button << u"Выход"_s << none << none;
}

void TestAccessibility::controls() {
    QFETCH(QString, control);
    QFETCH(bool, onNamingPage);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, labelledBy);
    openWindow();
    if (onNamingPage)
        goToNamingPage();

    QAccessibleInterface* object = accessible(control);
    QVERIFY(object);
    QCOMPARE(object->role(), role);
    QCOMPARE(object->text(QAccessible::Name), name);
    if (!value.isNull())
        QCOMPARE(object->text(QAccessible::Value), value);
    QCOMPARE(labelsOf(object), labelledBy.isEmpty() ? QStringList() : QStringList{labelledBy});
    QVERIFY(!object->state().invisible);
    // Every child of a combo box, its list and its edit field, is reached from it and back.
    if (role == QAccessible::ComboBox) {
        QCOMPARE(object->childCount(),
                 m_window->findChild<QComboBox*>(control)->isEditable() ? 2 : 1);
        for (int i = 0; i < object->childCount(); ++i) {
            QCOMPARE(object->indexOfChild(object->child(i)), i);
            QCOMPARE(object->child(i)->parent()->object(), object->object());
        }
        // A screen reader opens and closes the list through the box's action.
        auto* combo = m_window->findChild<QComboBox*>(control);
        QVERIFY(object->actionInterface());
        object->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QTRY_VERIFY(combo->view()->isVisible());
        object->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QTRY_VERIFY(!combo->view()->isVisible());
        if (object->childCount() == 2) {
            QCOMPARE(object->child(1)->role(), QAccessible::EditableText);
            QCOMPARE(object->child(1)->text(QAccessible::Name), name);
        }
    }
}

void TestAccessibility::statusPanels_data() {
    addColumns<QString, QString, QString>({"panel", "description", "pattern"});

    QTest::newRow("time") << u"panel1"_s << u"Время"_s << uR"(^\d{1,2}:\d{2})"_s;
    QTest::newRow("date") << u"panel2"_s << u"Дата"_s << uR"(\d{2})"_s;
    QTest::newRow("found files") << u"panel3"_s << u"Найденные файлы"_s
                                 << u"^Найдено файлов:  3$"_s;
}

void TestAccessibility::statusPanels() {
    QFETCH(QString, panel);
    QFETCH(QString, description);
    QFETCH(QString, pattern);
    openWindow();

    QAccessibleInterface* object = accessible(panel);
    QVERIFY(object);
    // What the panel shows is what is read.
    QCOMPARE(object->text(QAccessible::Name), m_window->findChild<QLabel*>(panel)->text());
    QVERIFY2(QRegularExpression(pattern).match(object->text(QAccessible::Name)).hasMatch(),
             qPrintable(object->text(QAccessible::Name)));
    QCOMPARE(object->text(QAccessible::Description), description);
    QCOMPARE(object->parent()->role(), QAccessible::StatusBar);
}

void TestAccessibility::listRows_data() {
    addColumns<QString, bool, QStringList>({"list", "preview", "rows"});

    QTest::newRow("files") << u"File1"_s << false
                           << QStringList{u"a.txt"_s, u"b.txt"_s, u"c.doc"_s};
    QTest::newRow("current files")
        << u"File2"_s << false << QStringList{u"a.txt"_s, u"b.txt"_s, u"c.doc"_s};
    QTest::newRow("new names") << u"lstNew"_s << true
                               << QStringList{u"a.txt"_s, u"b.txt"_s, u"c.doc"_s};
    QTest::newRow("folders") << u"Dir"_s << false << QStringList{};
}

void TestAccessibility::listRows() {
    QFETCH(QString, list);
    QFETCH(bool, preview);
    QFETCH(QStringList, rows);
    openWindow();
    if (preview) {
        goToNamingPage();
        QTest::mouseClick(m_window->findChild<QPushButton*>(u"cmdLook"_s), Qt::LeftButton);
    }
    if (list == u"Dir"_s) {
        // The folder's ancestors from the root down, then its subfolder.
        rows = QDir::cleanPath(folder()).split(u'/', Qt::SkipEmptyParts);
        rows.prepend(u"/"_s);
        rows.append(u"sub"_s);
    }

    QAccessibleInterface* object = accessible(list);
    QVERIFY(object);
    QCOMPARE(namesOf(object, QAccessible::ListItem), rows);
    if (list == u"Dir"_s) {
        QStringList paths;
        for (QAccessibleInterface* row : descendants(object))
            paths.append(row->text(QAccessible::Description));
        QCOMPARE(paths.first(), u"/"_s);
        QCOMPARE(paths.at(rows.size() - 2), QDir::cleanPath(folder()));
        QCOMPARE(paths.last(), QDir::cleanPath(folder()) + u"/sub"_s);
    }
}

void TestAccessibility::changesAreRead_data() {
    addColumns<Change, QString, QString>({"change", "control", "name"});
    QTest::addColumn<QString>("value"); // null: not checked

    QTest::newRow("the count") << Change::TypeMask << u"panel3"_s << u"Найдено файлов:  2"_s
                               << QString();
    QTest::newRow("the mask") << Change::TypeMask << u"cboMask"_s << u"Маска"_s << u"*.txt"_s;
    QTest::newRow("the addition") << Change::ChooseAddition << u"cboDop"_s << u"Добавка"_s
                                  << u"01"_s;
    QTest::newRow("the progress") << Change::Progress << u"prb1"_s << u"Ход работы"_s << QString();
    QTest::newRow("the naming page") << Change::NextPage << u"txtName"_s << u"Имя"_s << u"*"_s;
    QTest::newRow("back on the selection page")
        << Change::BackPage << u"drvDir"_s << u"Диск"_s << QString();
}

void TestAccessibility::changesAreRead() {
    QFETCH(Change, change);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, value);
    openWindow();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    switch (change) {
    case Change::TypeMask: {
        QLineEdit* edit = m_window->findChild<QComboBox*>(u"cboMask"_s)->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, u"*.txt"_s);
        break;
    }
    case Change::ChooseAddition: {
        goToNamingPage();
        auto* combo = m_window->findChild<QComboBox*>(u"cboDop"_s);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Down);
        break;
    }
    case Change::Progress: {
        goToNamingPage();
        auto* bar = m_window->findChild<widgets::ProgressBar*>(u"prb1"_s);
        bar->setMaximum(4);
        bar->setValue(3);
        QTRY_COMPARE(bar->value(), 3);
        QAccessibleValueInterface* range = accessible(control)->valueInterface();
        QVERIFY(range);
        QCOMPARE(range->currentValue().toInt(), 3);
        QCOMPARE(range->minimumValue().toInt(), 0);
        QCOMPARE(range->maximumValue().toInt(), 4);
        break;
    }
    case Change::NextPage:
        goToNamingPage();
        QVERIFY(accessible(u"fra1"_s)->state().invisible);
        break;
    case Change::BackPage:
        goToNamingPage();
        QTest::mouseClick(m_window->findChild<QPushButton*>(u"cmdBack"_s), Qt::LeftButton);
        QVERIFY(accessible(u"fra2"_s)->state().invisible);
        break;
    }

    QAccessibleInterface* object = accessible(control);
    QCOMPARE(object->text(QAccessible::Name), name);
    if (!value.isNull())
        QCOMPARE(object->text(QAccessible::Value), value);
    QVERIFY(!object->state().invisible);
    if (change == Change::NextPage || change == Change::BackPage)
        QVERIFY(object->state().focused);
}

void TestAccessibility::dialogs_data() {
    addColumns<bool, QAccessible::Role, QString, QString>({"input", "boxRole", "title", "prompt"});

    QTest::newRow("message box") << false << QAccessible::AlertMessage << u"ВНИМАНИЕ !!!"_s
                                 << u"Файлы остались без имени."_s;
    QTest::newRow("input box") << true << QAccessible::Dialog << u"Имя повторяется дважды"_s
                               << u"Введите индивидуальное имя для файла"_s;
}

void TestAccessibility::dialogs() {
    QFETCH(bool, input);
    QFETCH(QAccessible::Role, boxRole);
    QFETCH(QString, title);
    QFETCH(QString, prompt);
    QWidget owner;
    widgets::QtDialogs dialogs(&owner);

    QAccessible::Role role{};
    QString name;
    QStringList texts;
    QStringList buttons;
    QStringList shownButtons;
    QStringList editLabels;
    ModalAnswerer answer({[&](QWidget* modal) {
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(modal);
        role = box->role();
        name = box->text(QAccessible::Name);
        texts = namesOf(box, QAccessible::StaticText);
        buttons = namesOf(box, QAccessible::Button);
        for (const QPushButton* button : modal->findChildren<QPushButton*>())
            shownButtons.append(button->text().remove(u'&'));
        for (QAccessibleInterface* object : descendants(box))
            if (object->role() == QAccessible::EditableText)
                editLabels = labelsOf(object) + QStringList{object->text(QAccessible::Name)};
        if (auto* message = qobject_cast<QMessageBox*>(modal))
            message->accept();
        else if (auto* inputBox = qobject_cast<QInputDialog*>(modal))
            inputBox->reject();
    }});
    if (input)
        dialogs.input(prompt, title, u"x.txt"_s, {});
    else
        dialogs.message(prompt, title);
    QVERIFY(answer.done());

    QCOMPARE(role, boxRole);
    QCOMPARE(name, title);
    QVERIFY2(texts.contains(prompt), qPrintable(texts.join(u" | "_s)));
    QVERIFY(!buttons.isEmpty());
    QCOMPARE(buttons, shownButtons);
    if (input)
        QCOMPARE(editLabels, (QStringList{prompt, prompt}));
}

void TestAccessibility::aboutWindow_data() {
    addColumns<QString, QAccessible::Role, QString, QString>(
        {"control", "role", "name", "labelledBy"});

    QTest::newRow("program frame")
        << u"Frame1"_s << QAccessible::Grouping << u"ПРОГРАММА"_s << QString();
    QTest::newRow("version") << u"Label1"_s << QAccessible::StaticText << u"ТАРВЕЛОК В.1.00"_s
                             << u"ПРОГРАММА"_s;
    QTest::newRow("date") << u"Label3"_s << QAccessible::StaticText << u"18.10.2002"_s
                          << u"ПРОГРАММА"_s;
    QTest::newRow("tool frame") << u"Frame3"_s << QAccessible::Grouping << u"НАПИСАНА НА"_s
                                << QString();
    QTest::newRow("author frame") << u"Frame2"_s << QAccessible::Grouping << u"АВТОР"_s
                                  << QString();
    QTest::newRow("OK") << u"Command1"_s << QAccessible::Button << u"OK"_s << QString();
}

void TestAccessibility::aboutWindow() {
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, labelledBy);
    about_window::Form2 about(nullptr);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&about);
    QCOMPARE(window->text(QAccessible::Name), u"О ПРОГРАММЕ"_s);
    QAccessibleInterface* object =
        QAccessible::queryAccessibleInterface(about.findChild<QObject*>(control));
    QVERIFY(object);
    QCOMPARE(object->role(), role);
    QCOMPARE(object->text(QAccessible::Name), name);
    QCOMPARE(labelsOf(object), labelledBy.isNull() ? QStringList() : QStringList{labelledBy});
    // Every credit line is read, whatever it says.
    for (const QLabel* label : about.findChildren<QLabel*>())
        QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<QLabel*>(label))
                     ->text(QAccessible::Name),
                 label->text());
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
