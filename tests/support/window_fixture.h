// The main window over a fresh temporary folder that is the current folder, as the program starts
// in the folder it is run from. A test class derives from it and calls setUpCase, setUp and
// tearDown from its initTestCase, init and cleanup slots.
#pragma once

#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "rows.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class WindowFixture {
protected:
    void setUpCase() {
        // Closing the window ends the program; here the next test still needs the event loop.
        QApplication::setQuitOnLastWindowClosed(false);
        main_window::useClassicStyle();
        m_startFolder = QDir::currentPath();
    }

    void setUp() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        QVERIFY(QDir::setCurrent(m_folder->path()));
    }

    void tearDown() {
        m_window.reset();
        QDir::setCurrent(m_startFolder);
        m_folder.reset();
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QCOMPARE(openWindows(), QStringList());
    }

    main_window::frmRename& openWindow(platform::Dialogs* dialogs) {
        m_window = std::make_unique<main_window::frmRename>(dialogs);
        m_window->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_window.get());
        return *m_window;
    }

    template <class Widget> Widget* control(const QString& name) {
        return child<Widget>(*m_window, name);
    }
    QString folder() const { return m_folder->path(); }
    void click(const QString& button) {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }
    void goToNamingPage() {
        click(QStringLiteral("cmdOK"));
        QVERIFY(control<QWidget>(QStringLiteral("fra2"))->isVisible());
    }
    void activate() {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    QStringList newNames() {
        return rowTexts(*control<QListView>(QStringLiteral("lstNew"))->model());
    }

    std::unique_ptr<main_window::frmRename> m_window;

private:
    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_folder;
};
