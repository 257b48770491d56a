#include "charactersheet.h"

#include "errorbox.h"
#include "look.h"

#include "blockfiles.h"
#include "shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

#include <iterator>
#include <string>

namespace
{

using look::Kind;

// clang-format off
const look::Control kDesign[] = {
    // name          kind            inside    text                                       left  top   width height tab          points                bold   text colour      face
    {"Frame1",      Kind::Frame,    nullptr,  "Green Beret",                              120,  120, 2055, 2655,  3,          12.0,                 true,  look::kRed,      look::kStandard},
    {"Frame5",      Kind::Frame,    nullptr,  "Appearance",                               120, 2880, 2055, 1815, 25,          9.75,                 false, look::kRed,      look::kStandard},
    {"Frame3",      Kind::Frame,    nullptr,  "Standard Inventory",                      2400,  120, 2295, 1815,  7,          9.0,                  false, look::kRed,      look::kStandard},
    {"Frame2",      Kind::Frame,    nullptr,  "Extras",                                  2400, 2040, 2295, 1335,  4,          9.0,                  false, look::kRed,      look::kStandard},
    {"Frame4",      Kind::Frame,    nullptr,  "Other Inventory",                         4800,  120, 2775, 3255, 13,          9.75,                 false, look::kRed,      look::kStandard},
    {"gb_remove",   Kind::Button,   nullptr,  "Remove Green Beret from current mission", 2400, 3720, 5175,  375, 27,          9.75,                 true,  look::kStandard, look::kDarkRed},
    {"Command2",    Kind::Button,   nullptr,  "Back",                                    3240, 5160, 1335,  375,  1,          9.75,                 false, look::kStandard, look::kStandard},
    {"Command1",    Kind::Button,   nullptr,  "Save Mission",                            4680, 5160, 1455,  375,  0,          9.75,                 false, look::kStandard, look::kStandard},
    {"Command3",    Kind::Button,   nullptr,  "Exit",                                    6240, 5160, 1335,  375,  2,          9.75,                 false, look::kStandard, look::kStandard},
    {"foto",        Kind::Image,    "Frame1", "",                                         240,  360, 1635, 2160, look::kNoTab, look::kStandardFont, false, look::kStandard, look::kStandard},
    {"grafico",     Kind::List,     "Frame5", "",                                         120,  360, 1815, 1320, 26,          8.25,                 false, look::kStandard, look::kStandard},
    {"ck_gun",      Kind::CheckBox, "Frame3", "Colt",                                     120,  360, 1815,  255,  8,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_knife",    Kind::CheckBox, "Frame3", "Knife",                                    120,  600, 1815,  255,  9,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_decoy",    Kind::CheckBox, "Frame3", "Decoy",                                    120,  840, 1815,  255, 10,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_cuffs",    Kind::CheckBox, "Frame3", "Handcuffs",                                120, 1080, 1815,  255, 11,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_stones",   Kind::CheckBox, "Frame3", "Stones",                                   120, 1320, 1815,  255, 12,          9.75,                 false, look::kStandard, look::kStandard},
    // "Visisble" is the caption's designed spelling: do not correct it.
    {"visibility",  Kind::CheckBox, "Frame2", "Visisble to enemies",                      120,  360, 2055,  255,  5,          9.75,                 false, look::kStandard, look::kStandard},
    {"health",      Kind::CheckBox, "Frame2", "Invincible",                               120,  600, 2055,  255,  6,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_sniper",   Kind::CheckBox, "Frame4", "Sniper Rifle",                             120,  360, 1815,  255, 14,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_rifle",    Kind::CheckBox, "Frame4", "Rifle",                                    120,  600, 1815,  255, 20,          9.75,                 false, look::kStandard, look::kStandard},
    // "Muchine" is the caption's designed spelling: do not correct it.
    {"ck_mgun",     Kind::CheckBox, "Frame4", "Muchine Gun",                              120,  840, 1815,  255, 15,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_lethal",   Kind::CheckBox, "Frame4", "Lethal Injection",                         120, 1080, 1815,  255, 16,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_aid",      Kind::CheckBox, "Frame4", "First Aid",                                120, 1320, 1815,  255, 17,          9.75,                 false, look::kStandard, look::kStandard},
    {"Check5",      Kind::CheckBox, "Frame4", "Mantrap",                                  120, 1560, 1815,  255, 18,          9.75,                 false, look::kStandard, look::kStandard},
    {"Check6",      Kind::CheckBox, "Frame4", "Harpoon",                                  120, 1800, 1815,  255, 19,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_grenade",  Kind::CheckBox, "Frame4", "Grenades",                                 120, 2040, 2175,  255, 21,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_tbomb",    Kind::CheckBox, "Frame4", "Time Bomb",                                120, 2280, 2175,  255, 22,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_rbomb",    Kind::CheckBox, "Frame4", "Remote Bomb",                              120, 2520, 2175,  255, 23,          9.75,                 false, look::kStandard, look::kStandard},
    {"ck_flm",      Kind::CheckBox, "Frame4", "Flamethrower",                             120, 2760, 2175,  255, 24,          9.75,                 false, look::kStandard, look::kStandard},
};
// clang-format on

// The boxes the mission writers read, each with the Value it stands for.
struct Box {
    const char *name;
    mission::CheckValue mission::SheetValues::*value;
};

const Box kBoxes[] = {
    {"visibility", &mission::SheetValues::visibility},
    {"health", &mission::SheetValues::health},
    {"ck_knife", &mission::SheetValues::ck_knife},
    {"ck_aid", &mission::SheetValues::ck_aid},
    {"ck_gun", &mission::SheetValues::ck_gun},
    {"ck_rifle", &mission::SheetValues::ck_rifle},
    {"ck_sniper", &mission::SheetValues::ck_sniper},
    {"ck_stones", &mission::SheetValues::ck_stones},
    {"ck_mgun", &mission::SheetValues::ck_mgun},
    {"ck_decoy", &mission::SheetValues::ck_decoy},
    {"ck_cuffs", &mission::SheetValues::ck_cuffs},
    {"ck_lethal", &mission::SheetValues::ck_lethal},
};

// Items this version cannot give him yet: shown unchecked, out of the user's reach, read by
// nothing.
const char *const kUnavailable[] = {"Check5",   "Check6",   "ck_grenade",
                                    "ck_tbomb", "ck_rbomb", "ck_flm"};

// A check box the user toggles between unchecked and checked only; a greyed box (which only
// the program makes) becomes checked when clicked.
class SheetCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

mission::CheckValue valueOf(const QCheckBox &box)
{
    switch (box.checkState()) {
    case Qt::Unchecked:
        break;
    case Qt::Checked:
        return mission::kChecked;
    case Qt::PartiallyChecked:
        return mission::kGreyed;
    }
    return mission::kUnchecked;
}

Qt::CheckState checkStateOf(mission::CheckValue value)
{
    switch (value) {
    case mission::kChecked:
        return Qt::Checked;
    case mission::kGreyed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

// The appearance table: each item of `grafico`, in list order, with the holder whose picture it
// shows and the animation token it sets. The four enemy items share one picture.
struct Appearance {
    const char *text;
    const char *holder;
    const char *token;
};

// clang-format off
const Appearance kAppearances[] = {
    {"GB_Normal",           "foto_gb",     "COMANDO"},
    {"GB_Desert(disabled)", "foto_gb",     "COMANDO"},
    {"Sniper",              "foto_sniper", "FRANCOT"},
    {"Driver",              "foto_driver", "MECANIC"},
    {"Spy",                 "foto_spy",    "ESPIA"},
    {"Nazi General",        "foto_x",      "OFFICIAL"},
    {"Nazi Officer",        "foto_x",      "CABO"},
    {"Nazi Soldier",        "foto_x",      "ALEMAN2"},
    {"Nazi Patrolman",      "foto_x",      "ALEGABAR"},
};
// clang-format on

// The picture holders: never shown themselves, each loaded with the window from the program's
// resources, so that switching appearance reads no file.
const char *const kHolders[] = {"foto_gb", "foto_sniper", "foto_driver", "foto_spy", "foto_x"};

} // namespace

CharacterSheet::CharacterSheet(Shell &shell) : Form(shell)
{
    look::setUpWindow(this, QStringLiteral("GB in [Guess who's coming tonight]"),
                      QRect(2130, 1650, 7680, 5775));
    // The check boxes are this window's own kind; the design places and styles them.
    for (const look::Control &c : kDesign) {
        if (c.kind != Kind::CheckBox)
            continue;
        auto *box = new SheetCheckBox(QString::fromLatin1(c.text), this);
        box->setObjectName(QString::fromLatin1(c.name));
    }
    look::build(this, kDesign);

    const mission::SheetValues initial;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i] = findChild<QCheckBox *>(QString::fromLatin1(kBoxes[i].name));
        boxes_[i]->setCheckState(checkStateOf(initial.*kBoxes[i].value));
    }
    for (const char *name : kUnavailable) {
        auto *box = findChild<QCheckBox *>(QString::fromLatin1(name));
        box->setCheckState(Qt::Unchecked);
        box->setEnabled(false);
        box->setFocusPolicy(Qt::NoFocus);
    }

    for (const char *name : kHolders) {
        auto *holder = new QLabel(this);
        holder->setObjectName(QString::fromLatin1(name));
        holder->setPixmap(QPixmap(QStringLiteral(":/pictures/%1.bmp").arg(QLatin1String(name))));
        holder->hide();
    }

    portrait_ = findChild<QLabel *>(QStringLiteral("foto"));
    portrait_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    showAppearance(0);

    appearances_ = findChild<QListWidget *>(QStringLiteral("grafico"));
    appearances_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Like any plain list box: a name wider than the list is cut off, no scroll bar for it.
    appearances_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    saveMission_ = findChild<QPushButton *>(QStringLiteral("Command1"));

    connect(appearances_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!appearances_->selectedItems().isEmpty())
            onAppearanceChosen();
    });
    connect(saveMission_, &QPushButton::clicked, this, &CharacterSheet::onSaveMission);
    connect(findChild<QPushButton *>(QStringLiteral("Command2")), &QPushButton::clicked, this,
            &CharacterSheet::onBack);
    connect(findChild<QPushButton *>(QStringLiteral("Command3")), &QPushButton::clicked, this,
            &CharacterSheet::onExit);
    connect(findChild<QPushButton *>(QStringLiteral("gb_remove")), &QPushButton::clicked, this,
            &CharacterSheet::onRemove);
}

void CharacterSheet::onLoad()
{
    animation_ = QStringLiteral("COMANDO");
    for (const Appearance &appearance : kAppearances)
        appearances_->addItem(QString::fromLatin1(appearance.text));
    saveMission_->setFocus();
}

void CharacterSheet::onUnload()
{
    shell().sheetUnloaded();
}

mission::SheetValues CharacterSheet::values() const
{
    mission::SheetValues values;
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        values.*kBoxes[i].value = valueOf(*boxes_[i]);
    return values;
}

void CharacterSheet::showAppearance(std::size_t row)
{
    const Appearance &appearance = kAppearances[row];
    portrait_->setPixmap(findChild<QLabel *>(QString::fromLatin1(appearance.holder))->pixmap());
    // A screen reader tells the appearance that the portrait shows, since four share a picture.
    portrait_->setAccessibleName(
        QStringLiteral("Portrait: %1").arg(QLatin1String(appearance.text)));
}

void CharacterSheet::onAppearanceChosen()
{
    // The first row whose item is selected; any other case is the last row.
    std::size_t chosen = std::size(kAppearances) - 1;
    for (std::size_t row = 0; row < std::size(kAppearances); ++row) {
        const QListWidgetItem *item = appearances_->item(static_cast<int>(row));
        if (item && item->isSelected()) {
            chosen = row;
            break;
        }
    }
    showAppearance(chosen);
    animation_ = QString::fromLatin1(kAppearances[chosen].token);
}

void CharacterSheet::onSaveMission()
{
    // A failed write leaves the sheet open with every value as it was, so the user can put the
    // workspace right and save again; the save dialog opens only after both blocks are written.
    // A dialog still open from an earlier save goes, so that its "OK" cannot make a mission of
    // blocks that are not this sheet's.
    if (trySave(this, [this] {
            shell().savedBlocks() =
                mission::writeBlocks(shell().workspace(), values(),
                                     animation_.toLatin1().toStdString(), waitShowingProgress(this));
        }))
        shell().showSaveDialog();
    else
        shell().hideSaveDialog();
}

void CharacterSheet::onBack()
{
    shell().backFromSheet();
}

void CharacterSheet::onExit()
{
    shell().exitFromSheet();
}

void CharacterSheet::onRemove()
{
    // "Tobrins", without the apostrophe, is this box's designed title: do not correct it.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tobrins Mustrel"),
                    QStringLiteral("This option will be active in future versions"),
                    QMessageBox::Ok, this);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
