#include "form1.h"

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

Form1::Form1(Shell &shell) : Form(shell)
{
    look::setUpWindow(this, QStringLiteral("Tobrin's Mustrel"), QRect(2130, 1650, 7680, 5745));
    look::build(this, kDesign);
    Label3_ = findChild<QLabel *>(QStringLiteral("Label3"));
    List2_ = findChild<QListWidget *>(QStringLiteral("List2"));
    Command1_ = findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *command2 = findChild<QPushButton *>(QStringLiteral("Command2"));

    List2_->setSelectionMode(QAbstractItemView::SingleSelection);
    Command1_->setEnabled(false);

    connect(List2_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List2_->selectedItems().isEmpty())
            List2_Click();
    });
    connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::Form_Load()
{
    Label3_->setText(QStringLiteral("This is still experimental version which allows you to "
                                    "modify only Green Beret and only in Mission Pack Demo"));
    List2_->addItem(QStringLiteral("Guess who's coming tonight"));
    List2_->setCurrentRow(-1);
    List2_->setFocus();
}

void Form1::Form_Unload()
{
    shell().exitFromSelection();
}

void Form1::List2_Click()
{
    Command1_->setEnabled(true);
}

void Form1::Command1_Click()
{
    shell().nextFromSelection();
}

void Form1::Command2_Click()
{
    shell().exitFromSelection();
}
