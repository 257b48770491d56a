// The "Save Mission" dialog: saving into the opened folder, the folder and drive lists, failed
// saves, and its look.
#include "dirlist.h"
#include "form2.h"
#include "testprogram.h"
#include "workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

using Window = Program::Window;

namespace
{

// Runs `action`, answering each message box it opens with its button; returns what they said.
QStringList answerMessages(const std::function<void()> &action)
{
    QStringList said;
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, [&said] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            said << box->text() + QLatin1Char('\n') + box->informativeText();
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();
    action();
    return said;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// What a save must write: the workspace's five files, in order, as they are now.
QByteArray expectedMission()
{
    QByteArray bytes;
    for (const auto name : mission::kMissionSources)
        bytes += contents(QStringLiteral("tobrinmis/") + QLatin1String(name));
    return bytes;
}

// A program in a scratch workspace, brought to the save dialog as the user gets there.
struct Session {
    ScratchWorkspace workspace;
    TestProgram t;
    const QString start = QDir::currentPath();

    Session()
    {
        t.program.start();
        t.program.nextFromSelection();
        saveMission();
    }
    // "Save Mission" on the character sheet: writes his blocks and shows the dialog.
    void saveMission() { control<QPushButton>(t.program.sheet(), "Command1")->click(); }
    Form2 &dialog() { return t.program.form2(); }
    DirList *dirs() { return control<DirList>(dialog(), "Dir1"); }
    QLineEdit *name() { return control<QLineEdit>(dialog(), "Text1"); }
    QComboBox *drives() { return control<QComboBox>(dialog(), "Drive1"); }
    QStringList press(const char *button)
    {
        return answerMessages([=, this] { control<QPushButton>(dialog(), button)->click(); });
    }

    // Opens a folder of the list as the user does: a subfolder by name, or ".." for the one
    // above in the chain.
    void open(const QString &folder, bool byKeyboard = false)
    {
        DirList *list = dirs();
        QModelIndex index = list->currentIndex().siblingAtRow(list->currentIndex().row() - 1);
        if (folder != QLatin1String("..")) {
            const auto found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole,
                                                    folder, 1, Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            index = found.first();
        }
        if (byKeyboard) {
            list->setCurrentIndex(index);
            QTest::keyClick(list, Qt::Key_Return);
        } else {
            const QPoint at = list->visualRect(index).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(QDir::currentPath(), start);
    }
};

} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpTestApplication(); }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void okSavesIntoOpenedFolder_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<QString>("typed"); // "": the name the dialog offers
        QTest::addColumn<QString>("folder");
        // clang-format off
        QTest::newRow("start folder")            << QStringList()                    << false << ""                 << ".";
        QTest::newRow("subfolder, double-click") << QStringList{"out"}               << false << ""                 << "out";
        QTest::newRow("subfolder, Enter")        << QStringList{"out"}               << true  << ""                 << "out";
        QTest::newRow("down twice, up once")     << QStringList{"out", "deep", ".."} << false << ""                 << "out";
        QTest::newRow("name kept as typed")      << QStringList()                    << false << " My mission.MIS " << ".";
        // clang-format on
    }

    void okSavesIntoOpenedFolder()
    {
        QFETCH(QStringList, steps);
        QFETCH(bool, byKeyboard);
        QFETCH(QString, typed);
        QFETCH(QString, folder);
        Session s;
        QVERIFY(QDir().mkpath(QStringLiteral("out/deep")));
        QVERIFY(s.dirs()->setPath(s.start)); // shows the new folders
        for (const QString &step : steps)
            s.open(step, byKeyboard);
        QCOMPARE(s.dirs()->path(), QDir::cleanPath(QDir(s.start).filePath(folder)));
        if (!typed.isEmpty()) {
            s.name()->selectAll();
            QTest::keyClicks(s.name(), typed);
        }

        QCOMPARE(s.press("Command1"), QStringList());
        const QString name = typed.isEmpty() ? QStringLiteral("Mapa0001.mis") : typed;
        QCOMPARE(contents(folder + QLatin1Char('/') + name), expectedMission());
        QVERIFY(!s.dialog().isVisible());
        QVERIFY(s.t.program.isLoaded(Window::Form2));
    }

    void saveMissionWhileOpenRewritesTheBlocks()
    {
        Session s;
        const QByteArray before = expectedMission();
        control<QCheckBox>(s.t.program.sheet(), "ck_rifle")->click();
        s.saveMission();
        QVERIFY(s.dialog().isVisible());
        QCOMPARE(s.press("Command1"), QStringList());
        QCOMPARE(contents(QStringLiteral("Mapa0001.mis")), expectedMission());
        QVERIFY(expectedMission() != before);
    }

    void cancelKeepsTheEditCloseBoxStartsAfresh()
    {
        Session s;
        QVERIFY(QDir().mkdir(QStringLiteral("out")));
        QVERIFY(s.dirs()->setPath(QStringLiteral("out")));
        s.name()->selectAll();
        QTest::keyClicks(s.name(), QStringLiteral("Other.mis"));
        QCOMPARE(s.press("Command2"), QStringList());
        QVERIFY(!s.dialog().isVisible());
        QCOMPARE(QDir().entryList(QDir::Files) + QDir(QStringLiteral("out")).entryList(QDir::Files),
                 QStringList());

        // Cancel keeps the folder and the name for the next showing, which lists the folders
        // made meanwhile; the close box keeps nothing.
        QVERIFY(QDir().mkdir(QStringLiteral("out/new")));
        s.saveMission();
        QCOMPARE(s.name()->text(), QStringLiteral("Other.mis"));
        QCOMPARE(s.dirs()->path(), s.start + QStringLiteral("/out"));
        const auto *rows = s.dirs()->model();
        QCOMPARE(rows->index(rows->rowCount() - 1, 0).data().toString(), QStringLiteral("new"));
        s.dialog().close();
        QVERIFY(!s.t.program.isLoaded(Window::Form2));
        QCOMPARE(s.t.ends, 0);
        s.saveMission();
        QVERIFY(s.dialog().isVisible());
        QCOMPARE(s.name()->text(), QStringLiteral("Mapa0001.mis"));
        QCOMPARE(s.dirs()->path(), s.start);
    }

    void folderList()
    {
        Session s;
        for (const char *folder : {"b", "A", "C", ".hidden", "gone"})
            QVERIFY(QDir().mkdir(QString::fromLatin1(folder)));
        write(QStringLiteral("file.txt"), "x");
        QVERIFY(s.dirs()->setPath(s.start));

        // The chain from the root to the opened folder, which is current, then its subfolders
        // by name without regard to case; no hidden folder, no file.
        const QStringList chain = s.start.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QStringList rows;
        for (int row = 0; row < s.dirs()->model()->rowCount(); ++row)
            rows << s.dirs()->model()->index(row, 0).data().toString();
        const QStringList expected =
            QStringList{"/"} + chain + QStringList{"A", "b", "C", "gone", "tobrinmis"};
        QCOMPARE(rows, expected);
        QCOMPARE(s.dirs()->currentIndex().row(), int(chain.size()));

        // A folder that vanished is reported by name and the list stays where it was.
        QVERIFY(QDir().rmdir(QStringLiteral("gone")));
        const QStringList said = answerMessages([&s] { s.open(QStringLiteral("gone")); });
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(s.start + QStringLiteral("/gone")),
                 qPrintable(said.first()));
        QCOMPARE(s.dirs()->path(), s.start);
    }

    void driveList()
    {
        Session s;
        QTemporaryDir other;
        const QString missing = other.path() + QStringLiteral("-missing");
        // The list starts at the drive that holds the opened folder, the closest one.
        s.dialog().setDriveSource([&] { return QStringList{"/", s.start}; });
        QCOMPARE(s.drives()->currentIndex(), 1);
        s.dialog().setDriveSource([&] { return QStringList{"/", other.path(), missing}; });
        QCOMPARE(s.drives()->currentIndex(), 0);
        s.name()->setText(QStringLiteral("Kept.mis"));

        QTest::keyClick(s.drives(), Qt::Key_Down);
        QCOMPARE(s.dirs()->path(), other.path());
        QCOMPARE(s.name()->text(), QStringLiteral("Kept.mis"));

        // A drive that is not ready: a message naming it, and the list goes back.
        const QStringList said =
            answerMessages([&s] { QTest::keyClick(s.drives(), Qt::Key_Down); });
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(missing), qPrintable(said.first()));
        QCOMPARE(s.drives()->currentIndex(), 1);
        QCOMPARE(s.dirs()->path(), other.path());

        QCOMPARE(s.press("Command1"), QStringList());
        QCOMPARE(contents(other.filePath(QStringLiteral("Kept.mis"))), expectedMission());
    }

    void replaceKeepsFirstBackup()
    {
        Session s;
        write(QStringLiteral("Mapa0001.mis"), "original");
        QCOMPARE(s.press("Command1"), QStringList());
        write(QStringLiteral("Mapa0001.mis"), "second");
        s.saveMission();
        QCOMPARE(s.press("Command1"), QStringList());
        QCOMPARE(contents(QStringLiteral("Mapa0001.mis")), expectedMission());
        QCOMPARE(contents(QStringLiteral("Mapa0001.mis.bak")), QByteArray("original"));
    }

    void failedSaveKeepsTheDialog_data()
    {
        QTest::addColumn<QString>("folder"); // opened before the save
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("removed"); // behind the dialog's back
        QTest::addColumn<QString>("named");   // the file the message names; "": the target
        // clang-format off
        QTest::newRow("folder removed")   << "out"       << "Mapa0001.mis" << "out"                   << "";
        QTest::newRow("empty name")       << ""          << ""             << ""                      << "";
        QTest::newRow("name of a folder") << ""          << "out"          << ""                      << "";
        QTest::newRow("workspace file")   << "tobrinmis" << "gb.tmp"       << ""                      << "";
        QTest::newRow("missing piece")    << ""          << "Mapa0001.mis" << "tobrinmis/mis_1_2.dat" << "tobrinmis/mis_1_2.dat";
        // clang-format on
    }

    void failedSaveKeepsTheDialog()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, removed);
        QFETCH(QString, named);
        Session s;
        QVERIFY(QDir().mkdir(QStringLiteral("out")));
        write(QStringLiteral("Mapa0001.mis"), "original");
        QVERIFY(s.dirs()->setPath(s.start));
        if (!folder.isEmpty())
            s.open(folder);
        s.name()->setText(name);
        const QString opened = s.dirs()->path();
        const QString target = opened + QLatin1Char('/') + name;
        const QByteArray before = contents(target);
        if (QFileInfo(removed).isDir())
            QVERIFY(QDir(removed).removeRecursively());
        else if (!removed.isEmpty())
            QVERIFY(QFile::remove(removed));
        const QStringList entries = QDir(opened).entryList(QDir::AllEntries | QDir::Hidden);

        const QStringList said = s.press("Command1");
        QCOMPARE(said.size(), 1);
        named = named.isEmpty() ? target : s.start + QLatin1Char('/') + named;
        QVERIFY2(said.first().startsWith(QStringLiteral("The mission could not be saved.\n")) &&
                     said.first().contains(QLatin1Char('"') + named + QLatin1Char('"')),
                 qPrintable(said.first()));
        QVERIFY(s.dialog().isVisible());
        QCOMPARE(s.dirs()->path(), opened);
        QCOMPARE(s.name()->text(), name);
        QCOMPARE(contents(target), before);
        QCOMPARE(QDir(opened).entryList(QDir::AllEntries | QDir::Hidden), entries);
        QCOMPARE(s.t.ends, 0);
    }

    void enterAndEscapePressNothing_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        for (const char *focus : {"Command1", "Command2", "Text1", "Drive1"}) {
            QTest::addRow("%s Enter", focus) << focus << int(Qt::Key_Return);
            QTest::addRow("%s Escape", focus) << focus << int(Qt::Key_Escape);
        }
    }

    void enterAndEscapePressNothing()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        Session s;
        QWidget *target = s.dialog().findChild<QWidget *>(focus);
        target->setFocus();
        QCOMPARE(answerMessages([&] { QTest::keyClick(target, Qt::Key(key)); }), QStringList());
        QVERIFY(s.dialog().isVisible());
        QVERIFY(!QFile::exists(QStringLiteral("Mapa0001.mis")));
    }

    void look_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry"); // pixels at 96 dpi in the client area
        QTest::addColumn<double>("points");  // 0: the standard font
        QTest::addColumn<QColor>("text");    // invalid: the standard colours
        const QColor standard;
        // clang-format off
        QTest::newRow("Drive1")   << "Drive1"   << ""             << QRect(8, 8, 121, 22)     << 8.25 << standard;
        QTest::newRow("Dir1")     << "Dir1"     << ""             << QRect(8, 40, 121, 171)   << 0.0  << standard;
        QTest::newRow("Label1")   << "Label1"   << "Save as:"     << QRect(120, 24, 73, 17)   << 8.25 << QColor(0, 255, 0);
        QTest::newRow("Text1")    << "Text1"    << "Mapa0001.mis" << QRect(152, 40, 129, 21)  << 8.25 << standard;
        QTest::newRow("Command1") << "Command1" << "OK"           << QRect(152, 144, 129, 25) << 9.75 << standard;
        QTest::newRow("Command2") << "Command2" << "Cancel"       << QRect(152, 184, 129, 25) << 9.75 << standard;
        // clang-format on
    }

    void look()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        QFETCH(double, points);
        QFETCH(QColor, text);
        Session s;
        Form2 &w = s.dialog();
        QCOMPARE(w.windowTitle(), QStringLiteral("Save Mission"));
        QCOMPARE(w.size(), QSize(292, 221));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 0));
        // Where "Save as:" overlaps the drive list, a click reaches the drive list.
        QCOMPARE(w.childAt(QPoint(125, 27)), s.drives());

        auto *c = w.findChild<QWidget *>(name);
        QVERIFY(c);
        QCOMPARE(c->property("text").toString(), caption);
        QCOMPARE(c->geometry(), geometry);
        if (points == 0.0) {
            QCOMPARE(c->font(), QApplication::font(c));
        } else {
            QCOMPARE(c->font().family(), QStringLiteral("Arial"));
            QCOMPARE(c->font().pointSizeF(), points);
            QVERIFY(!c->font().bold() && !c->font().italic());
        }
        if (text.isValid()) {
            QCOMPARE(c->palette().color(QPalette::WindowText), text);
            QCOMPARE(c->focusPolicy(), Qt::NoFocus);
            QVERIFY(!c->autoFillBackground());
        } else {
            for (auto role : {QPalette::Base, QPalette::Text, QPalette::Button})
                QCOMPARE(c->palette().color(role), QApplication::palette().color(role));
        }
    }

    void tabOrder()
    {
        Session s;
        QStringList chain;
        for (QWidget *c = s.drives(); chain.size() < 6; c = c->nextInFocusChain()) {
            if ((c->focusPolicy() & Qt::TabFocus) && !c->objectName().isEmpty())
                chain << c->objectName();
        }
        QCOMPARE(chain, QStringList({"Drive1", "Dir1", "Text1", "Command1", "Command2", "Drive1"}));
    }
};

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
