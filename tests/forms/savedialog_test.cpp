// The "Save Mission" dialog: saving into the opened folder, Cancel and the close box, the folder
// and drive lists, failed saves, the keys, and its look.
#include "dirlist.h"
#include "testprogram.h"
#include "workspace.h"

#include <QScopeGuard>

#include <filesystem>

namespace
{

const auto writeFile = [](const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
};

// What a save must write: the workspace's five files as they are now, in order.
QByteArray expectedMission()
{
    QByteArray bytes;
    for (const auto name : mission::kMissionSources)
        bytes += contents("tobrinmis/" + QString::fromLatin1(name));
    return bytes;
}

// The pieces the user imported from their own mission: here the shipped ones and a line more.
void importOwnPieces()
{
    QFile piece("tobrinmis/mis_1_3.dat");
    QVERIFY(piece.open(QIODevice::Append) && piece.write("\r\n") == 2);
}

// The dialog as the user gets to it: "Save Mission" on the sheet, on pieces of their own unless
// it keeps the shipped stand-ins.
struct Session : OnSheet {
    enum class Pieces { Own, StandIns };
    explicit Session(Pieces pieces = Pieces::Own)
    {
        if (pieces == Pieces::Own)
            importOwnPieces();
        saveMission();
    }
    SaveDialog &dialog() { return t.program.saveDialog(); }
    DirList *dirs() { return child<DirList>(dialog(), "Dir1"); }
    QLineEdit *name() { return child<QLineEdit>(dialog(), "Text1"); }
    QComboBox *drives() { return child<QComboBox>(dialog(), "Drive1"); }
    QStringList press(const char *button, const QStringList &answers = {})
    {
        return answerMessages([=, this] { child<QPushButton>(dialog(), button)->click(); },
                              answers);
    }
    // Shown or hidden, the name, and the opened folder from the start folder.
    QString state()
    {
        return QString("%1 %2 in %3")
            .arg(dialog().isVisible() ? "shown" : "hidden", name()->text(),
                 QDir(start).relativeFilePath(dirs()->path()));
    }
    QStringList rows()
    {
        QStringList rows;
        for (int row = 0; row < dirs()->model()->rowCount(); ++row)
            rows << dirs()->model()->index(row, 0).data().toString();
        return rows;
    }
    // Opens a listed folder by double-click, or by the key given (Return, the keypad's Enter);
    // the current folder stays as it is.
    void open(const QString &folder, Qt::Key key = Qt::Key_unknown)
    {
        QVERIFY(rows().contains(folder));
        const QPoint at =
            dirs()->visualRect(dirs()->model()->index(rows().indexOf(folder), 0)).center();
        QTest::mouseClick(dirs()->viewport(), Qt::LeftButton, {}, at);
        if (key == Qt::Key_unknown)
            QTest::mouseDClick(dirs()->viewport(), Qt::LeftButton, {}, at);
        else
            QTest::keyClick(dirs(), key,
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(QDir::currentPath(), start);
    }
};

const QString kReplace =
    "Save Mission|question|application|\"%1\" already exists.\nDo you want to replace it?|";

} // namespace

class SaveDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // OK with the offered name writes the mission, hides the dialog and keeps a replaced file
    // as the backup the first time only; replacing the file is asked once, not again for the
    // mission the dialog wrote itself. "Save Mission" while the dialog is open rewrites the
    // blocks that OK then copies. A subfolder opened by double-click, then one inside it by
    // Enter under a name typed with blanks around it, then one by the keypad's Enter: OK writes
    // there, the name as typed.
    void okWritesTheMission()
    {
        Session s;
        QVERIFY(writeFile("Mapa0001.mis", "original") && QDir().mkpath("a/b/c"));
        QCOMPARE(s.press("Command1", {"Yes"}), QStringList(kReplace.arg("Mapa0001.mis")));
        QCOMPARE(s.state(), "hidden Mapa0001.mis in .");
        QCOMPARE(contents("Mapa0001.mis"), expectedMission());
        QCOMPARE(contents("Mapa0001.mis.bak"), "original");

        const QByteArray before = expectedMission();
        s.saveMission();
        child<QCheckBox>(s.sheet(), "ck_rifle")->click();
        s.saveMission();
        QCOMPARE(s.press("Command1"), QStringList());
        QVERIFY(expectedMission() != before);
        QCOMPARE(contents("Mapa0001.mis"), expectedMission());
        QCOMPARE(contents("Mapa0001.mis.bak"), "original");

        const std::tuple<QString, QString, Qt::Key> saves[] = {
            {"a", "Mapa0001.mis", Qt::Key_unknown},
#ifdef Q_OS_WIN
            // Windows drops a name's trailing blanks; the leading one stays.
            {"a/b", " spaced .mis", Qt::Key_Return},
#else
            {"a/b", " spaced .mis ", Qt::Key_Return},
#endif
            {"a/b/c", "Mapa0001.mis", Qt::Key_Enter}};
        for (const auto &[folder, name, key] : saves) {
            s.saveMission();
            s.open(folder.section('/', -1), key);
            s.name()->selectAll();
            QTest::keyClicks(s.name(), name);
            QCOMPARE(s.press("Command1"), QStringList());
            QCOMPARE(s.state(), "hidden " + name + " in " + folder);
            QCOMPARE(contents(folder + '/' + name), expectedMission());
        }
        QCOMPARE(QDir::currentPath(), s.start);
    }

    // While the workspace holds the shipped stand-ins, OK first says that the game will not play
    // the mission and how to import one's own: "Cancel" writes nothing and keeps the dialog,
    // "Save anyway" writes. Pieces of the user's own bring no note.
    void standInNote()
    {
        Session s(Session::Pieces::StandIns);
        const QStringList said = s.press("Command1", {"Cancel"});
        QVERIFY2(said.size() == 1 &&
                     said[0].startsWith("Tobrin's Mustrel|warning|application|The game will not "
                                        "play this mission.|") &&
                     said[0].contains("tobrins-mustrel-import"),
                 qPrintable(said.join('\n')));
        QCOMPARE(s.state(), "shown Mapa0001.mis in .");
        QVERIFY(!QFile::exists("Mapa0001.mis"));
        QCOMPARE(s.press("Command1", {"Save anyway"}).size(), 1);
        QCOMPARE(contents("Mapa0001.mis"), expectedMission());
        importOwnPieces();
        s.saveMission();
        QCOMPARE(s.press("Command1"), QStringList());
        QCOMPARE(contents("Mapa0001.mis"), expectedMission());
    }

    // OK on a name that is taken asks whether to replace it, naming it: "No" writes nothing and
    // keeps the dialog, the folder and the name; "Yes" replaces it. The question comes again for
    // a file the dialog did not write itself.
    void replaceQuestion()
    {
        Session s;
        QVERIFY(QDir().mkdir("out") && writeFile("out/My mission.mis", "mine"));
        QVERIFY(s.dirs()->setPath(s.start + "/out"));
        s.name()->setText("My mission.mis");
        const QStringList asked(kReplace.arg("My mission.mis"));
        QCOMPARE(s.press("Command1", {"No"}), asked);
        QCOMPARE(s.state(), "shown My mission.mis in out");
        QCOMPARE(contents("out/My mission.mis"), "mine");
        QCOMPARE(s.press("Command1", {"Yes"}), asked);
        QCOMPARE(s.state(), "hidden My mission.mis in out");
        QCOMPARE(contents("out/My mission.mis"), expectedMission());
        QCOMPARE(contents("out/My mission.mis.bak"), "mine");
        s.saveMission();
        s.name()->setText("Other.mis");
        QVERIFY(writeFile("out/Other.mis", "other"));
        QCOMPARE(s.press("Command1", {"No"}), QStringList(kReplace.arg("Other.mis")));
    }

    // The folder list is narrow: each folder's whole name shows on hover and is read out, so
    // that names alike at the start can be told apart.
    void wholeNames()
    {
        Session s;
        const QStringList names = {"Missions 2024 of the long campaign",
                                   "Missions 2025 of the long campaign"};
        for (const QString &name : names)
            QVERIFY(QDir().mkdir(name));
        QVERIFY(s.dirs()->setPath(s.start));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(s.dirs());
        for (const QString &name : names) {
            const QModelIndex row = s.dirs()->model()->index(s.rows().indexOf(name), 0);
            QVERIFY(s.dirs()->fontMetrics().horizontalAdvance(name) >
                    s.dirs()->viewport()->width()); // the list cuts it
            QCOMPARE(row.data(Qt::ToolTipRole).toString(), name);
            QCOMPARE(list->child(row.row())->text(QAccessible::Name), name);
        }
    }

    // Cancel writes nothing and keeps the folder and name for the next showing, which lists
    // the folders made meanwhile; the close box keeps nothing.
    void cancelAndTheCloseBox()
    {
        Session s;
        QVERIFY(QDir().mkdir("out") && s.dirs()->setPath("out"));
        s.name()->selectAll();
        QTest::keyClicks(s.name(), "Other.mis");
        QCOMPARE(s.press("Command2"), QStringList());
        QCOMPARE(s.state(), "hidden Other.mis in out");
        QCOMPARE(QDir().entryList(QDir::Files) + QDir("out").entryList(QDir::Files), QStringList());

        QVERIFY(QDir().mkdir("out/new"));
        s.saveMission();
        QCOMPARE(s.state(), "shown Other.mis in out");
        QCOMPARE(s.rows().last(), "new");
        s.dialog().close();
        QVERIFY(!s.t.program.isLoaded(Program::Window::SaveDialog));
        s.saveMission();
        QCOMPARE(s.state(), "shown Mapa0001.mis in .");
        QCOMPARE(s.t.ends, 0);
    }

    // The chain from the root to the opened folder, which is current, then its subfolders by
    // name without regard to case; no hidden folder, no file; a vanished folder is reported.
    // Another drive opens its folder and keeps the name; the drive it is on, taken again, changes
    // nothing; one not ready is reported and left.
    void folderAndDriveLists()
    {
        Session s;
        for (const char *folder : {"b", "A", "C", ".hidden", "gone"})
            QVERIFY(QDir().mkdir(folder));
        QVERIFY(writeFile("file.txt", "x") && s.dirs()->setPath(s.start));
        QStringList chain = s.start.split('/', Qt::SkipEmptyParts);
#ifdef Q_OS_WIN
        const QString root = chain.takeFirst() + '/'; // the drive's, "C:/"
#else
        const QString root = "/";
#endif
        QCOMPARE(s.rows(), QStringList(QDir::toNativeSeparators(root)) + chain +
                               QStringList({"A", "b", "C", "gone", "tobrinmis"}));
        QCOMPARE(s.dirs()->currentIndex().row(), chain.size());
        QVERIFY(QDir().rmdir("gone"));
        QStringList said = answerMessages([&s] { s.open("gone"); });
        QVERIFY2(said.size() == 1 &&
                     said[0].startsWith(kErrorBox + "The folder could not be opened.|") &&
                     said[0].contains(QDir::toNativeSeparators(s.start + "/gone")),
                 qPrintable(said.join('\n')));
        QCOMPARE(s.dirs()->path(), s.start);

#ifdef Q_OS_WIN
        QSKIP("the other drives stand in as folders, and on Windows a drive opens on its own "
              "current folder, not on the one given");
#endif
        QTemporaryDir other;
        const QString missing = other.path() + "-missing";
        s.dialog().setDriveSource([&] { return QStringList{root, other.path(), missing}; });
        s.name()->setText("Kept.mis");
        s.drives()->showPopup();
        QTest::keyClick(s.drives()->view(), Qt::Key_Return);
        QCOMPARE(s.dirs()->path(), s.start);
        QTest::keyClick(s.drives(), Qt::Key_Down);
        QCOMPARE(s.dirs()->path() + ' ' + s.name()->text(), other.path() + " Kept.mis");
        said = answerMessages([&s] { QTest::keyClick(s.drives(), Qt::Key_Down); });
        QVERIFY2(said.size() == 1 && said[0].startsWith(kErrorBox + "The drive is not ready.|") &&
                     said[0].contains(QDir::toNativeSeparators(missing)),
                 qPrintable(said.join('\n')));
        QCOMPARE(s.drives()->currentIndex(), 1);
        QCOMPARE(s.dirs()->path(), other.path());
    }

    // A folder whose name is not valid UTF-8 is listed, shown as well as Qt can, opens and takes
    // the mission; started in it, the dialog opens on it and saves there. Windows names are
    // UTF-16, never bytes: there the odd names are ones outside the ANSI code page.
    void foldersWhoseNamesAreNotUtf8()
    {
        namespace fs = std::filesystem;
        Session s;
#ifdef Q_OS_WIN
        const fs::path badName = L"bad\u4efb\u52a1", innerName = L"inner\u0107";
        const QString shown = QString::fromWCharArray(L"bad\u4efb\u52a1"),
                      innerShown = QString::fromWCharArray(L"inner\u0107");
#else
        const fs::path badName = "bad\xff", innerName = "inner\xe9";
        const QString shown = QFile::decodeName("bad\xff"),
                      innerShown = QFile::decodeName("inner\xe9");
#endif
        const fs::path bad = fs::current_path() / badName;
        fs::create_directories(bad / innerName);
        // QTemporaryDir cannot; Windows removes no process's current folder.
        const auto removeAtEnd = qScopeGuard([&] {
            QDir::setCurrent(s.start);
            fs::remove_all(bad);
        });
        s.dirs()->setPath(s.start);
        s.open(shown);
        QCOMPARE(s.press("Command1"), QStringList());

        fs::copy("tobrinmis", bad / "tobrinmis");
        fs::current_path(bad); // where relative paths reach what QString cannot name
        QCOMPARE(contents("Mapa0001.mis"), expectedMission());
        s.dialog().close();
        s.saveMission();
        const QStringList rows = s.rows();
        QCOMPARE(rows.mid(rows.size() - 3), QStringList({shown, innerShown, "tobrinmis"}));
        QCOMPARE(s.dirs()->currentIndex().row(), rows.size() - 3);
        s.name()->setText("Started.mis");
        QCOMPARE(s.press("Command1"), QStringList());
        QCOMPARE(contents("Started.mis"), expectedMission());
    }

    void failedSaveKeepsTheDialog_data()
    {
        QTest::addColumn<QString>("folder"); // opened before the save
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("removed"); // behind the dialog's back; a removed file is named
        // Whether replacing the file is asked first: a target that cannot be saved to is refused
        // before the question.
        QTest::addColumn<bool>("asked");
        // clang-format off
        QTest::newRow("folder removed")   << "out"       << "Mapa0001.mis" << "out"                   << false;
        QTest::newRow("empty name")       << ""          << ""             << ""                      << false;
        QTest::newRow("name of a folder") << ""          << "out"          << ""                      << false;
        QTest::newRow("workspace file")   << "tobrinmis" << "gb.tmp"       << ""                      << false;
        QTest::newRow("missing piece")    << ""          << "Mapa0001.mis" << "tobrinmis/mis_1_2.dat" << true;
        // clang-format on
    }

    void failedSaveKeepsTheDialog()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, removed);
        QFETCH(bool, asked);
        Session s;
        QVERIFY(QDir().mkdir("out") && writeFile("Mapa0001.mis", "original"));
        QVERIFY(s.dirs()->setPath(s.start));
        if (!folder.isEmpty())
            s.open(folder);
        s.name()->setText(name);
        const QString before = s.state(), target = s.dirs()->path() + '/' + name;
        const QByteArray old = contents(target);
        const bool file = QFile::remove(removed);
        QVERIFY(removed.isEmpty() || file || QDir(removed).removeRecursively());

        const QStringList said =
            s.press("Command1", asked ? QStringList{"Yes", "OK"} : QStringList());
        const QString named =
            '"' + QDir::toNativeSeparators(file ? s.start + '/' + removed : target) + '"';
        QVERIFY2(said.size() == 1 + asked &&
                     said.last().startsWith(kErrorBox + "The mission could not be saved.|") &&
                     said.last().contains(named),
                 qPrintable(said.join('\n')));
        QCOMPARE(s.state(), before);
        QCOMPARE(contents(target), old);
        QCOMPARE(s.t.ends, 0);
    }

    void lookAndKeys()
    {
        Session s;
        SaveDialog &w = s.dialog();
        checkLook(w, "Save Mission", {292, 221},
                  {"Drive1 8,8 121x22 Arial 8.25 standard", "Dir1 8,40 121x171 system standard",
                   "Label1 [Save as:] 120,24 73x17 Arial 8.25 #00ff00",
                   "Text1 152,40 129x21 Arial 8.25 standard",
                   "Command1 [OK] 152,144 129x25 Arial 9.75 standard",
                   "Command2 [Cancel] 152,184 129x25 Arial 9.75 standard"});
        QCOMPARE(tabChain(s.drives()),
                 QStringList({"Drive1", "Dir1", "Text1", "Command1", "Command2"}));
        // Where "Save as:" overlaps the drive list, a click reaches the drive list.
        QCOMPARE(w.childAt(125, 27), s.drives());

        // Enter and Escape press neither button.
        for (const char *focus : {"Command1", "Command2", "Text1", "Drive1"}) {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
                child(w, focus)->setFocus();
                QCOMPARE(answerMessages([&] { QTest::keyClick(child(w, focus), key); }),
                         QStringList());
                QVERIFY2(w.isVisible() && !QFile::exists("Mapa0001.mis"), focus);
            }
        }
    }
};

QTEST_MAIN(SaveDialogTest)
#include "savedialog_test.moc"
