// The character sheet: what "Save Mission" writes, the boxes, the appearance selector, the
// remove button, a save that fails, and the look of every control.
#include "form2.h"
#include "gb.h"
#include "testprogram.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

using Window = Program::Window;

namespace
{

QByteArray crlf(std::initializer_list<const char *> lines)
{
    QByteArray text;
    for (const char *line : lines)
        text.append(line).append("\r\n");
    return text;
}

// The blocks a save writes from the sheet's initial state.
const QByteArray kInitialCharacter = crlf({
    "[",
    ".CLASS BICHOALIADO",
    ".TOKEN COMANDO",
    ".BANDO ALIADO",
    ".XYZ [ 144 3557 0 ]",
    ".ANGULO 135",
    ".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]",
    ".LISTAS [ EJEC CHOC VISI SELE ]",
    ".ACCIONES [",
    "[ acMuerte [ .CARISMA 999 ] ]",
    "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auAcuchillar [ .CARISMA 200 ] ]",
    "[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]",
    "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]",
    "[ auBeHome [ .CARISMA 200 ] ]",
    "[ auDisparar [",
    ".CARISMA 200",
    ".ARMAS [ PISTOLA PIEDRA ]",
    ".PIEDRAS 50",
    ".MUNESCOPETA 100",
    ".MUNMIRILLA 8",
    ".MUNMETRA 8",
    "] ]",
    "[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]",
    "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]",
    "[ AcDetenido [ .CARISMA 100 ] ]",
    "[ AuGarfio [ .CARISMA 200 ] ]",
    "[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]",
    "[ AuEsposas [ .CARISMA 200 ] ]",
    "[ AuControlAleman [ .CARISMA 200 ] ]",
    "[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]",
    "[ AuTabaco [ .CARISMA 200 ] ] ]",
    ".MASA 100",
    ".SEHUNDE 1",
    ".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
    ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]",
    ".CONTENEDOR 1",
    ".OCLU 0",
    ".DETECTAEXPLOSION 0",
    ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]",
    ".NOAGACHA 0",
    "]",
});

const QByteArray kInitialInterface = crlf({
    "[ SUBINTERFACEALIADO [",
    ".TOKEN COMANDO",
    ".CARETO CARA0001.RLE",
    ".ITEMS [",
    "[ .TOKEN IT_PISTOLA ]",
    "[ .TOKEN IT_MANO ]",
    "[ .TOKEN IT_CUCHILLO ]",
    "[ .TOKEN IT_SEGNUELO ]",
    "[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]",
    "[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]",
    "[ .TOKEN IT_PIEDRA ]",
    "[ .TOKEN IT_ESPOSAS ]",
    "[ .TOKEN IT_TABACO .DISPONIBLE NO ]",
    "[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]",
    "] ] ]",
});

QByteArray edited(QByteArray text,
                  std::initializer_list<std::pair<const char *, const char *>> edits)
{
    for (const auto &[from, to] : edits) {
        const QByteArray line = QByteArray(from) + "\r\n";
        if (!text.contains(line))
            qWarning("no line %s", from);
        text.replace(line, to[0] ? QByteArray(to) + "\r\n" : QByteArray());
    }
    return text;
}

// Each appearance item: its text, the holder whose picture it shows and its token.
struct Appearance {
    const char *item, *holder, *token;
};
const Appearance kAppearances[] = {
    {"GB_Normal",           "foto_gb",     "COMANDO" },
    {"GB_Desert(disabled)", "foto_gb",     "COMANDO" },
    {"Sniper",              "foto_sniper", "FRANCOT" },
    {"Driver",              "foto_driver", "MECANIC" },
    {"Spy",                 "foto_spy",    "ESPIA"   },
    {"Nazi General",        "foto_x",      "OFFICIAL"},
    {"Nazi Officer",        "foto_x",      "CABO"    },
    {"Nazi Soldier",        "foto_x",      "ALEMAN2" },
    {"Nazi Patrolman",      "foto_x",      "ALEGABAR"},
};
const char *const kHolders[] = {"foto_gb", "foto_sniper", "foto_driver", "foto_spy", "foto_x"};

gb &openSheet(TestProgram &t)
{
    t.program.start();
    t.program.nextFromSelection();
    return t.program.sheet();
}

void clickBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void clickItem(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QImage picture(gb &w, const char *name)
{
    return control<QLabel>(w, name)->pixmap().toImage();
}

// Everything the user can change on the sheet.
struct SheetState {
    QMap<QString, Qt::CheckState> boxes;
    int row;
    QImage portrait;
    QString anim;
    bool operator==(const SheetState &) const = default;
};

SheetState stateOf(TestProgram &t)
{
    gb &w = t.program.sheet();
    SheetState s{{},
                 control<QListWidget>(w, "grafico")->currentRow(),
                 picture(w, "foto"),
                 t.program.gb_anim()};
    for (QCheckBox *box : w.findChildren<QCheckBox *>())
        s.boxes.insert(box->objectName(), box->checkState());
    return s;
}

// Some edits, so that "unchanged" means more than the initial state.
void editSheet(gb &w)
{
    clickBox(control<QCheckBox>(w, "ck_sniper"));
    clickBox(control<QCheckBox>(w, "ck_gun"));
    control<QCheckBox>(w, "ck_aid")->setCheckState(Qt::PartiallyChecked);
    clickItem(control<QListWidget>(w, "grafico"), 4);
}

QByteArray fileBytes(const ScratchWorkspace &ws, const char *name)
{
    QFile file(ws.filePath(QStringLiteral("tobrinmis/") + QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Answers the next modal message box with OK, noting what it showed. Pending answers end with
// the object.
class MessageAnswer : public QObject
{
public:
    MessageAnswer() { arm(200); }

    bool seen = false;
    QString title, text, informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality = Qt::NonModal;

private:
    void arm(int tries)
    {
        QTimer::singleShot(0, this, [this, tries] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                if (tries > 0)
                    arm(tries - 1);
                return;
            }
            seen = true;
            title = box->windowTitle();
            text = box->text();
            informative = box->informativeText();
            icon = box->icon();
            buttons = box->standardButtons();
            modality = box->windowModality();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
    }
};

} // namespace

class GbTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpTestApplication(); }

    void initialState()
    {
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("GB in [Guess who's coming tonight]"));
        QCOMPARE(w.size(), QSize(512, 385));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 0));
        QVERIFY(!w.windowIcon().isNull());
        QCOMPARE(w.focusWidget(), control<QWidget>(w, "Command1"));

        auto *list = control<QListWidget>(w, "grafico");
        QCOMPARE(list->count(), 9);
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(t.program.gb_anim(), QStringLiteral("COMANDO"));

        // Five different pictures in memory, none of them on show; foto has the Green Beret.
        QList<QImage> pictures;
        for (const char *name : kHolders) {
            QVERIFY(!control<QLabel>(w, name)->isVisible());
            const QImage image = picture(w, name);
            QCOMPARE(image.size(), QSize(109, 144));
            QVERIFY(!pictures.contains(image));
            pictures << image;
        }
        QCOMPARE(picture(w, "foto"), picture(w, "foto_gb"));
        QVERIFY(!control<QLabel>(w, "foto")->hasScaledContents());
    }

    void saveWritesTheBlocks_data()
    {
        QTest::addColumn<QStringList>("clicked");
        QTest::addColumn<QStringList>("greyed");
        QTest::addColumn<int>("appearance");
        QTest::addColumn<QByteArray>("character");
        QTest::addColumn<QByteArray>("interface");

        QTest::newRow("untouched")
            << QStringList() << QStringList() << -1 << kInitialCharacter << kInitialInterface;
        QTest::newRow("visible and invincible clicked")
            << QStringList{"visibility", "health"} << QStringList() << -1
            << edited(kInitialCharacter, {{".BANDO ALIADO", ".BANDO ALEMAN"},
                                          {"[ acMuerte [ .CARISMA 999 ] ]", ""}})
            << kInitialInterface;
        // A greyed box is neither set nor clear.
        QTest::newRow("greyed") << QStringList() << QStringList{"visibility", "health", "ck_gun"}
                                << -1
                                << edited(kInitialCharacter,
                                          {{".BANDO ALIADO", ".BANDO ALEMAN"},
                                           {"[ acMuerte [ .CARISMA 999 ] ]", ""},
                                           {".ARMAS [ PISTOLA PIEDRA ]", ".ARMAS [ PIEDRA ]"}})
                                << edited(kInitialInterface, {{"[ .TOKEN IT_PISTOLA ]", ""}});
        QTest::newRow("Nazi Patrolman")
            << QStringList() << QStringList() << 8
            << edited(kInitialCharacter,
                      {
                          {".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
                           ".GRAPH [ .ANIM ALEGABAR .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]"}
        })
            << kInitialInterface;
    }

    void saveWritesTheBlocks()
    {
        QFETCH(QStringList, clicked);
        QFETCH(QStringList, greyed);
        QFETCH(int, appearance);
        QFETCH(QByteArray, character);
        QFETCH(QByteArray, interface);

        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        for (const QString &name : clicked)
            clickBox(control<QCheckBox>(w, name.toLatin1().constData()));
        for (const QString &name : greyed)
            control<QCheckBox>(w, name.toLatin1().constData())->setCheckState(Qt::PartiallyChecked);
        if (appearance >= 0)
            clickItem(control<QListWidget>(w, "grafico"), appearance);

        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(fileBytes(ws, "gb.tmp"), character);
        QCOMPARE(fileBytes(ws, "gb_sub.tmp"), interface);
        QVERIFY(t.program.isLoaded(Window::Form2));
        QVERIFY(t.program.form2().isVisible());
        QVERIFY(w.isVisible());
        QCOMPARE(t.ends, 0);
    }

    void boxesUnderClicksAndSpace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Qt::CheckState>("start");
        QTest::addColumn<Qt::CheckState>("afterClick");
        QTest::addColumn<Qt::CheckState>("afterSpace");
        // The user toggles between unchecked and checked only; never back to greyed.
        QTest::newRow("unchecked") << "ck_knife" << Qt::Unchecked << Qt::Checked << Qt::Unchecked;
        QTest::newRow("checked") << "ck_knife" << Qt::Checked << Qt::Unchecked << Qt::Checked;
        QTest::newRow("greyed") << "ck_knife" << Qt::PartiallyChecked << Qt::Checked
                                << Qt::Unchecked;
        // The items this version cannot give stay as they are.
        for (const char *name :
             {"Check5", "Check6", "ck_grenade", "ck_tbomb", "ck_rbomb", "ck_flm"})
            QTest::newRow(name) << name << Qt::Unchecked << Qt::Unchecked << Qt::Unchecked;
    }

    void boxesUnderClicksAndSpace()
    {
        QFETCH(QString, name);
        QFETCH(Qt::CheckState, start);
        QFETCH(Qt::CheckState, afterClick);
        QFETCH(Qt::CheckState, afterSpace);
        ScratchWorkspace ws;
        TestProgram t;
        auto *box = control<QCheckBox>(openSheet(t), name.toLatin1().constData());
        box->setCheckState(start);
        clickBox(box);
        QCOMPARE(box->checkState(), afterClick);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(box->checkState(), afterSpace);
        clickBox(box);
        QCOMPARE(box->checkState(), afterClick);
    }

    void appearance_data()
    {
        QTest::addColumn<bool>("byKeys");
        QTest::newRow("mouse") << false;
        QTest::newRow("arrow keys") << true;
    }

    void appearance()
    {
        QFETCH(bool, byKeys);
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        auto *list = control<QListWidget>(w, "grafico");
        clickItem(list, 8); // away from the Green Beret first, so item 0 has to change things
        for (int row = 0; row < 9; ++row) {
            const Appearance &expected = kAppearances[row];
            if (byKeys && row > 0)
                QTest::keyClick(list, Qt::Key_Down);
            else
                clickItem(list, row);
            QCOMPARE(list->currentRow(), row);
            QCOMPARE(list->item(row)->text(), QString::fromLatin1(expected.item));
            QCOMPARE(picture(w, "foto"), picture(w, expected.holder));
            QCOMPARE(t.program.gb_anim(), QString::fromLatin1(expected.token));
        }
    }

    void backThenNextKeepsTheSheet()
    {
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        editSheet(w);
        const SheetState before = stateOf(t);

        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(t.program.form1().isVisible());
        control<QListWidget>(t.program.form1(), "List2")->setCurrentRow(0);
        QTest::mouseClick(control<QPushButton>(t.program.form1(), "Command1"), Qt::LeftButton);

        QCOMPARE(&t.program.sheet(), &w);
        QVERIFY(w.isVisible());
        QVERIFY(stateOf(t) == before);
        QCOMPARE(before.anim, QStringLiteral("ESPIA"));
        QCOMPARE(control<QListWidget>(w, "grafico")->count(), 9);
    }

    void saveTwiceShowsOneDialog()
    {
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        int shown = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            shown += qobject_cast<Form2 *>(window) && window->isVisible();
        QCOMPARE(shown, 1);
        QVERIFY(t.program.form2().isVisible());
    }

    void removeOnlyTells()
    {
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        editSheet(w);
        const SheetState before = stateOf(t);

        MessageAnswer answer;
        QTest::mouseClick(control<QPushButton>(w, "gb_remove"), Qt::LeftButton);
        QVERIFY(answer.seen);
        QCOMPARE(answer.title, QStringLiteral("Tobrins Mustrel"));
        QCOMPARE(answer.text, QStringLiteral("This option will be active in future versions"));
        QCOMPARE(answer.icon, QMessageBox::Information);
        QCOMPARE(answer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(answer.modality, Qt::ApplicationModal);

        QVERIFY(stateOf(t) == before);
        QVERIFY(w.isVisible());
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QVERIFY(!QFile::exists(ws.filePath(QStringLiteral("tobrinmis/gb.tmp"))));
        QVERIFY(!QFile::exists(ws.filePath(QStringLiteral("tobrinmis/gb_sub.tmp"))));
        QCOMPARE(t.ends, 0);
    }

    void failedSaveKeepsTheSheet_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QString>("file");
        // Without its folder, nothing can be written; a folder in the way of the interface block
        // fails the second write only.
        QTest::newRow("workspace folder missing") << "tobrinmis"
                                                  << "tobrinmis/gb.tmp";
        QTest::newRow("interface block in the way") << "tobrinmis/gb_sub.tmp"
                                                    << "tobrinmis/gb_sub.tmp";
    }

    void failedSaveKeepsTheSheet()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, file);
        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        editSheet(w);
        const SheetState before = stateOf(t);
        QDir workspace(ws.path());
        if (blocked == QLatin1String("tobrinmis"))
            QVERIFY(QDir(ws.filePath(blocked)).removeRecursively());
        else
            QVERIFY(workspace.mkdir(blocked));

        {
            MessageAnswer answer;
            QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
            QVERIFY(answer.seen);
            QCOMPARE(answer.icon, QMessageBox::Critical);
            QCOMPARE(answer.text, QStringLiteral("The mission could not be saved."));
            const QString path = QDir::currentPath() + QLatin1Char('/') + file;
            QVERIFY2(answer.informative.contains(path), qPrintable(answer.informative));
        }
        QCOMPARE(t.ends, 0);
        QVERIFY(w.isVisible());
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QVERIFY(stateOf(t) == before);

        // Once the workspace is put right, the same sheet saves.
        if (blocked == QLatin1String("tobrinmis"))
            QVERIFY(workspace.mkdir(blocked));
        else
            QVERIFY(workspace.rmdir(blocked));
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QVERIFY(t.program.isLoaded(Window::Form2));
        QVERIFY(t.program.form2().isVisible());
        QVERIFY(fileBytes(ws, "gb_sub.tmp").contains("IT_MIRILLA"));
    }

    void look_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent"); // empty for the window
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<double>("points"); // 0: no text
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("focus"); // place in the focus chain from "Save Mission"; -1 none

        // Pixels at 96 dpi, relative to the window or to the frame holding the control.
        // clang-format off
        const auto row = [](const char *name, const char *parent, const char *text, QRect geometry,
                            double points, int pixels, bool bold, int focus) {
            QTest::newRow(name) << name << parent << text << geometry << points << pixels << bold << focus;
        };
        row("Frame1",      "",       "Green Beret",                             {  8,   8, 137, 177}, 12.0,  16, true,  -1);
        row("Frame5",      "",       "Appearance",                              {  8, 192, 137, 121}, 9.75,  13, false, -1);
        row("Frame3",      "",       "Standard Inventory",                      {160,   8, 153, 121}, 9.0,   12, false, -1);
        row("Frame2",      "",       "Extras",                                  {160, 136, 153,  89}, 9.0,   12, false, -1);
        row("Frame4",      "",       "Other Inventory",                         {320,   8, 185, 217}, 9.75,  13, false, -1);
        row("gb_remove",   "",       "Remove Green Beret from current mission", {160, 248, 345,  25}, 9.75,  13, true,  16);
        row("Command2",    "",       "Back",                                    {216, 344,  89,  25}, 9.75,  13, false,  1);
        row("Command1",    "",       "Save Mission",                            {312, 344,  97,  25}, 9.75,  13, false,  0);
        row("Command3",    "",       "Exit",                                    {416, 344,  89,  25}, 9.75,  13, false,  2);
        row("foto",        "Frame1", "",                                        { 16,  24, 109, 144}, 0,      0, false, -1);
        row("grafico",     "Frame5", "",                                        {  8,  24, 121,  88}, 8.25,  11, false, 15);
        row("ck_gun",      "Frame3", "Colt",                                    {  8,  24, 121,  17}, 9.75,  13, false,  5);
        row("ck_knife",    "Frame3", "Knife",                                   {  8,  40, 121,  17}, 9.75,  13, false,  6);
        row("ck_decoy",    "Frame3", "Decoy",                                   {  8,  56, 121,  17}, 9.75,  13, false,  7);
        row("ck_cuffs",    "Frame3", "Handcuffs",                               {  8,  72, 121,  17}, 9.75,  13, false,  8);
        row("ck_stones",   "Frame3", "Stones",                                  {  8,  88, 121,  17}, 9.75,  13, false,  9);
        row("visibility",  "Frame2", "Visisble to enemies",                     {  8,  24, 137,  17}, 9.75,  13, false,  3);
        row("health",      "Frame2", "Invincible",                              {  8,  40, 137,  17}, 9.75,  13, false,  4);
        row("ck_sniper",   "Frame4", "Sniper Rifle",                            {  8,  24, 121,  17}, 9.75,  13, false, 10);
        row("ck_rifle",    "Frame4", "Rifle",                                   {  8,  40, 121,  17}, 9.75,  13, false, 14);
        row("ck_mgun",     "Frame4", "Muchine Gun",                             {  8,  56, 121,  17}, 9.75,  13, false, 11);
        row("ck_lethal",   "Frame4", "Lethal Injection",                        {  8,  72, 121,  17}, 9.75,  13, false, 12);
        row("ck_aid",      "Frame4", "First Aid",                               {  8,  88, 121,  17}, 9.75,  13, false, 13);
        row("Check5",      "Frame4", "Mantrap",                                 {  8, 104, 121,  17}, 9.75,  13, false, -1);
        row("Check6",      "Frame4", "Harpoon",                                 {  8, 120, 121,  17}, 9.75,  13, false, -1);
        row("ck_grenade",  "Frame4", "Grenades",                                {  8, 136, 145,  17}, 9.75,  13, false, -1);
        row("ck_tbomb",    "Frame4", "Time Bomb",                               {  8, 152, 145,  17}, 9.75,  13, false, -1);
        row("ck_rbomb",    "Frame4", "Remote Bomb",                             {  8, 168, 145,  17}, 9.75,  13, false, -1);
        row("ck_flm",      "Frame4", "Flamethrower",                            {  8, 184, 145,  17}, 9.75,  13, false, -1);
        // clang-format on
    }

    void look()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        QFETCH(double, points);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(int, focus);

        ScratchWorkspace ws;
        TestProgram t;
        gb &w = openSheet(t);
        auto *c = w.findChild<QWidget *>(name);
        QVERIFY(c);
        QCOMPARE(c->parentWidget(), parent.isEmpty() ? &w : w.findChild<QWidget *>(parent));
        QCOMPARE(c->geometry(), geometry);
        QVERIFY(c->isVisible());
        if (points > 0) {
            QCOMPARE(c->font().family(), QStringLiteral("Arial"));
            QCOMPARE(c->font().pointSizeF(), points);
            QCOMPARE(QFontInfo(c->font()).pixelSize(), pixels);
            QCOMPARE(c->font().bold(), bold);
            QVERIFY(!c->font().italic() && !c->font().underline());
        }

        const QPalette standard = QApplication::palette();
        const QPalette &p = c->palette();
        if (auto *frame = qobject_cast<QGroupBox *>(c)) {
            QCOMPARE(frame->title(), text);
            QCOMPARE(p.color(QPalette::WindowText), QColor(255, 0, 0));
            QCOMPARE(p.color(c->backgroundRole()), QColor(0, 0, 0));
        } else if (auto *box = qobject_cast<QCheckBox *>(c)) {
            QCOMPARE(box->text(), text);
            QCOMPARE(p.color(QPalette::Active, c->foregroundRole()), QColor(0, 255, 0));
            QCOMPARE(p.color(c->backgroundRole()), QColor(0, 0, 0));
            QVERIFY(box->autoFillBackground());
            // A box the user cannot change is drawn dimmer than one they can.
            if (!box->isEnabled())
                QVERIFY(p.color(c->foregroundRole()).green() < 255);
        } else if (auto *button = qobject_cast<QPushButton *>(c)) {
            QCOMPARE(button->text(), text);
            QCOMPARE(p.color(QPalette::ButtonText), standard.color(QPalette::ButtonText));
            const QColor face = name == QLatin1String("gb_remove")
                                    ? QColor(192, 0, 0)
                                    : standard.color(QPalette::Button);
            QCOMPARE(p.color(QPalette::Button), face);
        } else if (qobject_cast<QListWidget *>(c)) {
            QCOMPARE(p.color(QPalette::Base), standard.color(QPalette::Base));
            QCOMPARE(p.color(QPalette::Text), standard.color(QPalette::Text));
        } else {
            QVERIFY(qobject_cast<QLabel *>(c));
        }

        // The focus chain, from "Save Mission", over the controls that take the keyboard.
        const auto takesFocus = [](const QWidget *x) {
            return x->isEnabled() && x->isVisible() && (x->focusPolicy() & Qt::TabFocus);
        };
        QStringList chain;
        QWidget *first = control<QWidget>(w, "Command1");
        QWidget *x = first;
        do {
            if (takesFocus(x) && !x->objectName().isEmpty())
                chain << x->objectName();
            x = x->nextInFocusChain();
        } while (x != first && chain.size() < 100);
        QCOMPARE(chain.indexOf(name), focus);
        QCOMPARE(takesFocus(c), focus >= 0);
        QCOMPARE(chain.size(), 17);
    }
};

QTEST_MAIN(GbTest)
#include "gb_test.moc"
