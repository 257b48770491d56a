#include "savedialog.h"

#include "errorbox.h"
#include "look.h"
#include "prompts.h"

#include "assembly.h"
#include "dirlist.h"
#include "savetarget.h"
#include "shell.h"
#include "standin.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <filesystem>

namespace
{

using look::Kind;

// clang-format off
const look::Control kDesign[] = {
    // name       kind             inside   text        left  top   width height tab  points               bold   text colour   face
    {"Drive1",   Kind::DriveList, nullptr, "",          120,  120, 1815,  330,  0,  8.25,                false, look::kStandard, look::kStandard},
    {"Dir1",     Kind::Custom,    nullptr, "",          120,  600, 1815, 2565,  1,  look::kStandardFont, false, look::kStandard, look::kStandard},
    {"Label1",   Kind::Label,     nullptr, "Save as:", 1800,  360, 1095,  255,  3,  8.25,                false, look::kGreen,    look::kStandard},
    {"Text1",    Kind::TextBox,   nullptr, "",         2280,  600, 1935,  315,  2,  8.25,                false, look::kStandard, look::kStandard},
    {"Command1", Kind::Button,    nullptr, "OK",       2280, 2160, 1935,  375,  4,  9.75,                false, look::kStandard, look::kStandard},
    {"Command2", Kind::Button,    nullptr, "Cancel",   2280, 2760, 1935,  375,  5,  9.75,                false, look::kStandard, look::kStandard},
};
// clang-format on

const QString kDefaultName = QStringLiteral("Mapa0001.mis");

QStringList systemDrives()
{
    QStringList drives;
    for (const QFileInfo &drive : QDir::drives())
        drives << drive.absoluteFilePath();
    return drives;
}

// Where the folder list goes on a drive: the drive's own current folder where the system keeps
// one per drive, its root elsewhere.
QString folderOnDrive(const QString &drive)
{
#ifdef Q_OS_WIN
    if (drive.size() >= 2 && drive[1] == QLatin1Char(':'))
        return QDir(drive.left(2)).absolutePath();
#endif
    return drive;
}

} // namespace

SaveDialog::SaveDialog(Shell &shell) : Form(shell), driveSource_(systemDrives)
{
    look::setUpWindow(this, QStringLiteral("Save Mission"), QRect(3765, 2940, 4380, 3315));
    folders_ = new DirList(this);
    folders_->setObjectName(QStringLiteral("Dir1"));
    look::build(this, kDesign);
    drives_ = findChild<QComboBox *>(QStringLiteral("Drive1"));
    name_ = findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *command1 = findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *command2 = findChild<QPushButton *>(QStringLiteral("Command2"));

    // The label's box overlaps the drive list's end: its text stands at the box's right, over
    // the name box and clear of the drive list, and clicks go through it.
    auto *label1 = findChild<QLabel *>(QStringLiteral("Label1"));
    label1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label1->raise();
    label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Screen readers name each control: the name box by its label, the lists by what they hold.
    label1->setBuddy(name_);
    drives_->setAccessibleName(QStringLiteral("Drive"));
    // On Linux Qt gives a drop-down list its value as its name; the description says what it is.
    drives_->setAccessibleDescription(QStringLiteral("The drive the mission is saved on"));
    folders_->setAccessibleName(QStringLiteral("Folder"));
    // Enter and Escape press neither button.
    for (QPushButton *button : {command1, command2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Only the user's choice counts, and only a choice of another drive.
    connect(drives_, &QComboBox::activated, this, [this](int index) {
        if (index != drive_)
            onDriveChanged();
    });
    connect(command1, &QPushButton::clicked, this, &SaveDialog::onOk);
    connect(command2, &QPushButton::clicked, this, &SaveDialog::onCancel);
}

void SaveDialog::onLoad()
{
    name_->setText(kDefaultName);
    // The exact current folder, which QDir::currentPath() cannot give where its name is not in the
    // file-name encoding; should it be gone, the list stays empty and a save says so.
    std::error_code ec;
    folders_->setFolder(std::filesystem::current_path(ec));
    fillDrives();
}

void SaveDialog::showEvent(QShowEvent *event)
{
    // Folders made or removed while the dialog was hidden show when it comes back.
    folders_->setFolder(folders_->folder());
    Form::showEvent(event);
}

void SaveDialog::setDriveSource(DriveSource source)
{
    driveSource_ = source ? std::move(source) : DriveSource(systemDrives);
    fillDrives();
}

void SaveDialog::fillDrives()
{
    drives_->clear();
    for (const QString &drive : driveSource_())
        drives_->addItem(QDir::toNativeSeparators(drive), drive);
    selectDrive(driveOf(folders_->path()));
}

void SaveDialog::selectDrive(int index)
{
    drives_->setCurrentIndex(index);
    drive_ = index;
}

int SaveDialog::driveOf(const QString &folder) const
{
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < drives_->count(); ++i) {
        const QString drive = QDir::cleanPath(drives_->itemData(i).toString());
        const QString inside = drive.endsWith(QLatin1Char('/')) ? drive : drive + QLatin1Char('/');
        const bool holds = folder.compare(drive, kCase) == 0 || folder.startsWith(inside, kCase);
        if (holds && drive.size() > bestLength) {
            best = i;
            bestLength = drive.size();
        }
    }
    return best;
}

void SaveDialog::onDriveChanged()
{
    const QString drive = drives_->currentData().toString();
    const QDir root(drive);
    const bool ready = root.exists() && root.isReadable() &&
                       (folders_->setPath(folderOnDrive(drive)) || folders_->setPath(drive));
    if (ready) {
        drive_ = drives_->currentIndex();
        return;
    }
    showError(
        this, QStringLiteral("The drive is not ready."),
        QStringLiteral("\"%1\" cannot be found or read.").arg(QDir::toNativeSeparators(drive)));
    selectDrive(drive_);
}

bool SaveDialog::wroteEarlier(const std::filesystem::path &target) const
{
    return std::any_of(written_.begin(), written_.end(),
                       [&target](const auto &earlier) { return files::sameFile(target, earlier); });
}

void SaveDialog::onOk()
{
    // On failure, and on a "Cancel" or "No", the user keeps the dialog, the folder and the name.
    // A target that cannot be saved to is reported before any question is asked.
    const std::filesystem::path folder = folders_->folder(), name = toPath(name_->text());
    if (!trySave(this, [&] { mission::checkTarget(shell().workspace(), folder, name); }))
        return;
    std::error_code ec;
    const std::filesystem::path target = mission::missionPath(folder, name);
    if (mission::holdsStandInPieces(shell().workspace()) && !confirmStandInSave(this))
        return;
    // The dialog's own mission of this run is replaced again without a question: saving again
    // after an edit is what the user asked for when they first said "Yes" or chose the name.
    if (std::filesystem::exists(target, ec) && !wroteEarlier(target) &&
        !confirmReplace(this, shownPath(name)))
        return;
    // The blocks that this editor's sheet saved: another editor's, written since, are refused.
    const auto &blocks = shell().savedBlocks();
    if (trySave(this, [&] {
            mission::assemble(shell().workspace(), folder, name, blocks ? &*blocks : nullptr,
                              waitShowingProgress(this));
        })) {
        if (!wroteEarlier(target))
            written_.push_back(target);
        shell().hideSaveDialog();
    }
}

void SaveDialog::onCancel()
{
    shell().hideSaveDialog();
}
