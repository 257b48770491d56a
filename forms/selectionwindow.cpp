#include "selectionwindow.h"

#include "look.h"

#include "shell.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace
{

using look::Kind;

// clang-format off
const look::Control kDesign[] = {
    // name       kind          inside    text                       left  top   width height tab  points bold   text colour      face
    // The leading blank belongs to the caption.
    {"Label2",   Kind::Label,  nullptr,  " TOBRIN'S MUSTREL V.00",   120,  120, 6135,  495,  1,  18.0,  true,  look::kRed,       look::kStandard},
    {"Label3",   Kind::Label,  nullptr,  "Label3",                   240,  600, 6495,  855,  2,  12.0,  false, look::kDarkGreen, look::kStandard},
    {"Frame1",   Kind::Frame,  nullptr,  "Commandos: BEL",           120, 1680, 2415, 3015,  3,  9.75,  false, look::kRed,       look::kStandard},
    {"Frame2",   Kind::Frame,  nullptr,  "Mission Pack",            2640, 1680, 2775, 3015,  4,  9.75,  false, look::kRed,       look::kStandard},
    {"List2",    Kind::List,   "Frame2", "",                         240,  360, 2295, 2370,  5,  8.25,  false, look::kStandard,  look::kStandard},
    {"Command1", Kind::Button, nullptr,  "Next",                    4800, 5160, 1335,  375,  0,  9.75,  false, look::kStandard,  look::kStandard},
    {"Command2", Kind::Button, nullptr,  "Exit",                    6240, 5160, 1335,  375,  6,  9.75,  false, look::kStandard,  look::kStandard},
};
// clang-format on

} // namespace

SelectionWindow::SelectionWindow(Shell &shell) : Form(shell)
{
    look::setUpWindow(this, QStringLiteral("Tobrin's Mustrel"), QRect(2130, 1650, 7680, 5745));
    look::build(this, kDesign);
    intro_ = findChild<QLabel *>(QStringLiteral("Label3"));
    missions_ = findChild<QListWidget *>(QStringLiteral("List2"));
    next_ = findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *command2 = findChild<QPushButton *>(QStringLiteral("Command2"));

    missions_->setSelectionMode(QAbstractItemView::SingleSelection);
    next_->setEnabled(false);

    connect(missions_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!missions_->selectedItems().isEmpty())
            onMissionChosen();
    });
    connect(next_, &QPushButton::clicked, this, &SelectionWindow::onNext);
    connect(command2, &QPushButton::clicked, this, &SelectionWindow::onExit);
}

void SelectionWindow::onLoad()
{
    intro_->setText(QStringLiteral("This is still experimental version which allows you to "
                                   "modify only Green Beret and only in Mission Pack Demo"));
    missions_->addItem(QStringLiteral("Guess who's coming tonight"));
    missions_->setCurrentRow(-1);
    missions_->setFocus();
}

void SelectionWindow::onUnload()
{
    shell().exitFromSelection();
}

void SelectionWindow::onMissionChosen()
{
    next_->setEnabled(true);
}

void SelectionWindow::onNext()
{
    shell().nextFromSelection();
}

void SelectionWindow::onExit()
{
    shell().exitFromSelection();
}
