// The character sheet: which box gives which Value to the writers, the appearance selector,
// what the sheet keeps through remove, a failed save and Back, and its look.
#include "characterblock.h"
#include "folderlock.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "testprogram.h"

#include <atomic>
#include <chrono>
#include <thread>

using mission::SheetValues;

namespace
{

const char *const kHolders[] = {"foto_gb", "foto_sniper", "foto_driver", "foto_spy", "foto_x"};

QCheckBox *box(CharacterSheet &w, const QString &text) // by the text the user reads
{
    for (QCheckBox *b : w.findChildren<QCheckBox *>())
        if (b->text() == text)
            return b;
    qFatal("no box %s", qPrintable(text));
}

const auto click = [](QCheckBox *b) { QTest::mouseClick(b, Qt::LeftButton, {}, {6, 8}); };

void clickItem(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// The holder whose picture the portrait shows.
QString portrait(CharacterSheet &w)
{
    const QImage shown = child<QLabel>(w, "foto")->pixmap().toImage();
    for (const char *holder : kHolders)
        if (child<QLabel>(w, holder)->pixmap().toImage() == shown)
            return holder;
    return "(none)";
}

// The blocks the writers make of these Values, and the ones the last save wrote; by line.
QByteArrayList blocks(const SheetValues &v, const char *anim)
{
    return QByteArray::fromStdString(mission::joinLines(mission::characterBlockLines(v, anim)) +
                                     mission::joinLines(mission::interfaceBlockLines(v)))
        .split('\n');
}
QByteArrayList saved()
{
    return (contents("tobrinmis/gb.tmp") + contents("tobrinmis/gb_sub.tmp")).split('\n');
}

} // namespace

class CharacterSheetTest : public QObject
{
    Q_OBJECT

private slots:
    void saveWritesTheSheet_data()
    {
        QTest::addColumn<QStringList>("greyed");
        QTest::addColumn<QStringList>("clicked");
        QTest::addColumn<SheetValues>("values");
        QTest::newRow("untouched") << QStringList() << QStringList() << SheetValues{};
        const std::pair<const char *, mission::CheckValue SheetValues::*> boxes[] = {
            // clang-format off
            {"Visisble to enemies", &SheetValues::visibility}, {"Invincible", &SheetValues::health},
            {"Knife", &SheetValues::ck_knife}, {"First Aid", &SheetValues::ck_aid},
            {"Colt", &SheetValues::ck_gun}, {"Rifle", &SheetValues::ck_rifle},
            {"Sniper Rifle", &SheetValues::ck_sniper}, {"Stones", &SheetValues::ck_stones},
            {"Muchine Gun", &SheetValues::ck_mgun}, {"Decoy", &SheetValues::ck_decoy},
            {"Handcuffs", &SheetValues::ck_cuffs}, {"Lethal Injection", &SheetValues::ck_lethal}};
        // clang-format on
        for (const auto &[text, value] : boxes) {
            SheetValues v;
            v.*value ^= 1; // unchecked <-> checked
            QTest::addRow("%s clicked", text) << QStringList() << QStringList(text) << v;
        }
        // A greyed box gives 2; a click makes it checked.
        const QStringList three{"Visisble to enemies", "Invincible", "Colt"};
        QTest::newRow("greyed") << three << QStringList()
                                << SheetValues{.visibility = 2, .health = 2, .ck_gun = 2};
        QTest::newRow("greyed, then clicked") << three << three << SheetValues{.health = 1};
    }

    void saveWritesTheSheet()
    {
        QFETCH(QStringList, greyed);
        QFETCH(QStringList, clicked);
        QFETCH(SheetValues, values);
        OnSheet s;
        for (const QString &text : greyed)
            box(s.sheet(), text)->setCheckState(Qt::PartiallyChecked);
        for (const QString &text : clicked)
            click(box(s.sheet(), text));
        s.saveMission();
        QCOMPARE(saved(), blocks(values, "COMANDO"));
        QVERIFY(s.t.program.saveDialog().isVisible() && s.sheet().isVisible());
        if (QTest::currentDataTag() == QByteArray("untouched")) {
            QCOMPARE(contents("tobrinmis/gb.tmp").count("\r\n"), 44);
            QCOMPARE(contents("tobrinmis/gb_sub.tmp").count("\r\n"), 15);
            for (const char *line : {".BANDO ALIADO\r", ".ARMAS [ PISTOLA PIEDRA ]\r"})
                QVERIFY2(saved().contains(line), line);
            QVERIFY(contents("tobrinmis/gb.tmp").contains(" .ANIM COMANDO "));
        }
    }

    // While another program saves in the workspace, "Save Mission" says so at once in a dialog of
    // its own, the windows still answering; "Cancel" ends the wait with a message naming the
    // file, and nothing is written. Once the other save is done, the same press saves.
    void saveWaitsWhileAnotherSaves()
    {
        OnSheet s;
        std::atomic<bool> held = false, release = false;
        std::thread other([&held, &release] {
            const files::FolderLock lock("tobrinmis", files::FolderLock::Mode::Exclusive);
            held = true;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        QTRY_VERIFY(held);
        QString waiting;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&waiting] {
            auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (dialog && dialog->objectName() == "waitForFolder" && dialog->isVisible()) {
                waiting = dialog->labelText();
                dialog->cancel();
            }
        });
        poll.start(10);
        const QStringList said = answerMessages([&] { s.saveMission(); });
        poll.stop();
        release = true;
        other.join();
        QVERIFY2(waiting.startsWith("Waiting for another save in \"") &&
                     waiting.endsWith("tobrinmis\" to finish..."),
                 qPrintable(waiting));
        QCOMPARE(said.size(), 1);
        QVERIFY2(said[0].startsWith(kErrorBox + "The mission could not be saved.|") &&
                     said[0].contains("gb.tmp") && said[0].contains("has not finished"),
                 qPrintable(said[0]));
        QVERIFY(!QFile::exists("tobrinmis/gb.tmp") && !s.t.program.saveDialog().isVisible());
        s.saveMission();
        QVERIFY(QFile::exists("tobrinmis/gb.tmp") && s.t.program.saveDialog().isVisible());
    }

    // Each item by mouse, then by arrow keys: its picture on show, the portrait's name, and its
    // token.
    void appearance()
    {
        OnSheet s;
        CharacterSheet &w = s.sheet();
        QList<QImage> pictures; // five different ones, the Green Beret's on show
        for (const char *holder : kHolders) {
            pictures << child<QLabel>(w, holder)->pixmap().toImage();
            QVERIFY(!pictures.last().isNull() && pictures.count(pictures.last()) == 1);
        }
        QCOMPARE(portrait(w), "foto_gb");

        auto *list = child<QListWidget>(w, "grafico");
        clickItem(list, 8); // away from the Green Beret, so that the first item has to change it
        // A screen reader names the appearance the portrait shows, as four share one picture.
        const auto shown = [&] {
            const QString item = list->currentItem()->text();
            const QString named = child(w, "foto")->accessibleName();
            return item + ' ' + portrait(w) + ' ' + w.animation() +
                   (named == "Portrait: " + item ? QString() : " named " + named);
        };
        QStringList byMouse, byKeys;
        for (int row = 0; row < list->count(); ++row) {
            clickItem(list, row);
            byMouse << shown();
        }
        for (int row = list->count() - 2; row >= 0; --row) {
            QTest::keyClick(list, Qt::Key_Up);
            byKeys.prepend(shown());
        }
        const QStringList expected{"GB_Normal foto_gb COMANDO",
                                   "GB_Desert(disabled) foto_gb COMANDO",
                                   "Sniper foto_sniper FRANCOT",
                                   "Driver foto_driver MECANIC",
                                   "Spy foto_spy ESPIA",
                                   "Nazi General foto_x OFFICIAL",
                                   "Nazi Officer foto_x CABO",
                                   "Nazi Soldier foto_x ALEMAN2",
                                   "Nazi Patrolman foto_x ALEGABAR"};
        QCOMPARE(byMouse, expected);
        QCOMPARE(byKeys, expected.mid(0, 8));
    }

    // The unavailable boxes under clicks and the space key, remove, a failed save, a save once
    // the workspace is put right, another failed one, Back and Next: the sheet keeps everything
    // the user set.
    void theSheetKeepsItsValues()
    {
        OnSheet s;
        CharacterSheet &w = s.sheet();
        auto *list = child<QListWidget>(w, "grafico");
        click(box(w, "Sniper Rifle"));
        click(box(w, "Colt"));
        box(w, "First Aid")->setCheckState(Qt::PartiallyChecked);
        clickItem(list, 4);
        const auto state = [&] {
            QString state = w.animation() + ' ' + portrait(w);
            for (QCheckBox *b : w.findChildren<QCheckBox *>())
                state += ' ' + QString::number(b->checkState());
            return state + QString(" %1 of %2").arg(list->currentRow()).arg(list->count());
        };
        const QString before = state();
        QVERIFY2(before.startsWith("ESPIA foto_spy") && before.endsWith(" 4 of 9"),
                 qPrintable(before));
        const auto unchanged = [&] {
            QCOMPARE(state(), before);
            QVERIFY(w.isVisible() && !s.t.program.isLoaded(Program::Window::SaveDialog));
            QCOMPARE(s.t.ends, 0);
        };

        const char *const unavailable[] = {"Check5",   "Check6",   "ck_grenade",
                                           "ck_tbomb", "ck_rbomb", "ck_flm"};
        for (const char *name : unavailable)
            click(child<QCheckBox>(w, name));
        unchanged();
        for (const char *name : unavailable) {
            child(w, name)->setFocus();
            QTest::keyClick(child(w, name), Qt::Key_Space);
        }
        unchanged();
        QCOMPARE(
            answerMessages([&] { QTest::mouseClick(child(w, "gb_remove"), Qt::LeftButton); }),
            QStringList(
                "Tobrins Mustrel|info|application|This option will be active in future versions|"));
        unchanged();
        QVERIFY(!QFile::exists("tobrinmis/gb.tmp"));

        QVERIFY(QDir("tobrinmis").removeRecursively());
        const QStringList said = answerMessages([&] { s.saveMission(); });
        QCOMPARE(said.size(), 1);
        QVERIFY2(said[0].startsWith(kErrorBox + "The mission could not be saved.|") &&
                     said[0].contains(QDir::toNativeSeparators(s.start + "/tobrinmis/gb.tmp")),
                 qPrintable(said[0]));
        unchanged();

        QVERIFY(QDir().mkdir("tobrinmis"));
        s.saveMission();
        s.saveMission(); // twice: still the one dialog
        QCOMPARE(saved(), blocks(SheetValues{.ck_aid = 2, .ck_gun = 0, .ck_sniper = 1}, "ESPIA"));
        int dialogs = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            dialogs += qobject_cast<SaveDialog *>(window) && window->isVisible();
        QCOMPARE(dialogs, 1);
        // A failed save hides the dialog that the good one opened, so that its OK cannot make a
        // mission of blocks that are not the sheet's; neither block changes.
        const QByteArray character = contents("tobrinmis/gb.tmp");
        click(box(w, "Knife"));
        QVERIFY(QFile::remove("tobrinmis/gb_sub.tmp") && QDir().mkpath("tobrinmis/gb_sub.tmp/x"));
        QCOMPARE(answerMessages([&] { s.saveMission(); }).size(), 1);
        QVERIFY(!s.t.program.saveDialog().isVisible() && w.isVisible());
        QCOMPARE(contents("tobrinmis/gb.tmp"), character);
        click(box(w, "Knife"));

        QTest::mouseClick(child(w, "Command2"), Qt::LeftButton);
        QVERIFY(!w.isVisible() && !s.t.program.saveDialog().isVisible());
        child<QListWidget>(s.t.program.selection(), "List2")->setCurrentRow(0);
        QTest::mouseClick(child(s.t.program.selection(), "Command1"), Qt::LeftButton);
        QVERIFY(&s.sheet() == &w && w.isVisible());
        QCOMPARE(state(), before);
    }

    void portraitAtScale_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("1") << 1.0;
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2") << 2.0;
    }

    // The portrait on a screen that scales the windows: at 1 it is the picture, pixel for pixel;
    // at 1.5 and 2 it is drawn smoothly, so it holds colours between the picture's own rather
    // than blocks of them.
    void portraitAtScale()
    {
        QFETCH(qreal, scale);
        TestProgram t;
        auto *foto = child<QLabel>(t.program.sheet(), "foto");
        const QImage picture = foto->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QImage drawn((QSizeF(picture.size()) * scale).toSize(), QImage::Format_RGB32);
        drawn.setDevicePixelRatio(scale);
        drawn.fill(Qt::black);
        foto->render(&drawn, {}, QRegion(picture.rect()));
        const auto colours = [](const QImage &image) {
            QSet<QRgb> found;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    found.insert(image.pixel(x, y));
            return found.size();
        };
        if (scale == 1.0) {
            QCOMPARE(drawn, picture);
        } else {
            QVERIFY2(
                colours(drawn) > 2 * colours(picture),
                qPrintable(
                    QString("%1 colours drawn from %2").arg(colours(drawn)).arg(colours(picture))));
        }
    }

    void look()
    {
        OnSheet s;
        CharacterSheet &w = s.sheet();
        QCOMPARE(w.focusWidget(), child(w, "Command1"));
        const QString frame = " #ff0000 on #000000", box = " Arial 9.75 #00ff00 on #000000",
                      unavailable = box + " dim #007000";
        checkLook(w, "GB in [Guess who's coming tonight]", {512, 385},
                  {"Frame1 [Green Beret] 8,8 137x177 Arial 12 bold" + frame,
                   "Frame5 [Appearance] 8,192 137x121 Arial 9.75" + frame,
                   "Frame3 [Standard Inventory] 160,8 153x121 Arial 9" + frame,
                   "Frame2 [Extras] 160,136 153x89 Arial 9" + frame,
                   "Frame4 [Other Inventory] 320,8 185x217 Arial 9.75" + frame,
                   "gb_remove [Remove Green Beret from current mission] 160,248 345x25 Arial 9.75 "
                   "bold standard on #c00000",
                   "Command2 [Back] 216,344 89x25 Arial 9.75 standard",
                   "Command1 [Save Mission] 312,344 97x25 Arial 9.75 standard",
                   "Command3 [Exit] 416,344 89x25 Arial 9.75 standard",
                   "Frame1/foto 16,24 109x144 system #ff0000",
                   "Frame5/grafico [GB_Normal] [GB_Desert(disabled)] [Sniper] [Driver] [Spy] "
                   "[Nazi General] [Nazi Officer] [Nazi Soldier] [Nazi Patrolman] 8,24 121x88 "
                   "Arial 8.25 standard",
                   "Frame3/ck_gun [Colt] 8,24 121x17" + box,
                   "Frame3/ck_knife [Knife] 8,40 121x17" + box,
                   "Frame3/ck_decoy [Decoy] 8,56 121x17" + box,
                   "Frame3/ck_cuffs [Handcuffs] 8,72 121x17" + box,
                   "Frame3/ck_stones [Stones] 8,88 121x17" + box,
                   "Frame2/visibility [Visisble to enemies] 8,24 137x17" + box,
                   "Frame2/health [Invincible] 8,40 137x17" + box,
                   "Frame4/ck_sniper [Sniper Rifle] 8,24 121x17" + box,
                   "Frame4/ck_rifle [Rifle] 8,40 121x17" + box,
                   "Frame4/ck_mgun [Muchine Gun] 8,56 121x17" + box,
                   "Frame4/ck_lethal [Lethal Injection] 8,72 121x17" + box,
                   "Frame4/ck_aid [First Aid] 8,88 121x17" + box,
                   "Frame4/Check5 [Mantrap] 8,104 121x17" + unavailable,
                   "Frame4/Check6 [Harpoon] 8,120 121x17" + unavailable,
                   "Frame4/ck_grenade [Grenades] 8,136 145x17" + unavailable,
                   "Frame4/ck_tbomb [Time Bomb] 8,152 145x17" + unavailable,
                   "Frame4/ck_rbomb [Remote Bomb] 8,168 145x17" + unavailable,
                   "Frame4/ck_flm [Flamethrower] 8,184 145x17" + unavailable});
        QCOMPARE(
            tabChain(child(w, "Command1")),
            QStringList({"Command1", "Command2", "Command3", "visibility", "health", "ck_gun",
                         "ck_knife", "ck_decoy", "ck_cuffs", "ck_stones", "ck_sniper", "ck_mgun",
                         "ck_lethal", "ck_aid", "ck_rifle", "grafico", "gb_remove"}));
    }
};

QTEST_MAIN(CharacterSheetTest)
#include "charactersheet_test.moc"
