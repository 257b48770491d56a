#include "dirlist.h"

#include "errorbox.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace
{

constexpr int kLevelRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kIndent = 8; // pixels a level

// The folders from the root down to `path`, each a full path.
QStringList chainTo(const QString &path)
{
    QStringList chain;
    QString folder = path;
    while (!QDir(folder).isRoot()) {
        chain.prepend(folder);
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            break;
        folder = up;
    }
    chain.prepend(folder);
    return chain;
}

// Moves each row in by its level; the highlight follows the text, as in a classic folder list.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem moved(option);
        moved.rect.adjust(index.data(kLevelRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, moved, index);
    }
};

} // namespace

// The rows of the list: the chain to the opened folder, then its subfolders. Only names are
// held, so a folder with thousands of subfolders costs one string each.
class DirModel : public QAbstractListModel
{
public:
    DirModel(const QIcon &open, const QIcon &closed, QObject *parent)
        : QAbstractListModel(parent), open_(open), closed_(closed)
    {
    }

    void show(QStringList chain, QStringList children)
    {
        beginResetModel();
        chain_ = std::move(chain);
        children_ = std::move(children);
        endResetModel();
    }

    [[nodiscard]] QString opened() const { return chain_.isEmpty() ? QString() : chain_.last(); }
    [[nodiscard]] int openedRow() const { return int(chain_.size()) - 1; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(chain_.size() + children_.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const int row = index.row();
        const bool inChain = row < chain_.size();
        switch (role) {
        case Qt::DisplayRole:
            if (row == 0)
                return QDir::toNativeSeparators(chain_.first());
            return inChain ? QFileInfo(chain_[row]).fileName() : children_[row - chain_.size()];
        case Qt::DecorationRole:
            return inChain ? open_ : closed_;
        case kLevelRole:
            return inChain ? row : int(chain_.size());
        case kPathRole:
            return inChain ? chain_[row] : QDir(opened()).filePath(children_[row - chain_.size()]);
        default:
            return {};
        }
    }

private:
    QIcon open_, closed_;
    QStringList chain_;
    QStringList children_;
};

DirList::DirList(QWidget *parent) : QListView(parent)
{
    model_ = new DirModel(style()->standardIcon(QStyle::SP_DirOpenIcon),
                          style()->standardIcon(QStyle::SP_DirClosedIcon), this);
    setModel(model_);
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { openRow(index.row()); });
}

QString DirList::path() const
{
    return model_->opened();
}

bool DirList::setPath(const QString &path, QString *reason)
{
    const QString folder = QDir::cleanPath(QDir(path).absolutePath());
    const QDir dir(folder);
    QString why;
    if (!dir.exists())
        why = QStringLiteral("no such folder");
    else if (!dir.isReadable())
        why = QStringLiteral("the folder cannot be read");
    if (!why.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(folder), why);
        return false;
    }
    model_->show(chainTo(folder),
                 dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    const QModelIndex opened = model_->index(model_->openedRow());
    setCurrentIndex(opened);
    scrollTo(opened);
    return true;
}

void DirList::openRow(int row)
{
    const QModelIndex index = model_->index(row);
    if (!index.isValid())
        return;
    QString reason;
    if (!setPath(index.data(kPathRole).toString(), &reason))
        showError(window(), QStringLiteral("The folder could not be opened."), reason);
}

void DirList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openRow(currentIndex().row());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
