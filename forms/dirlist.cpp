#include "dirlist.h"

#include "errorbox.h"
#include "pathtext.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace
{

constexpr int kLevelRole = Qt::UserRole;
constexpr int kIndent = 8; // pixels a level

// A folder as the list holds it: its exact path (a subfolder's name only) and the text shown.
struct Row {
    fs::path path;
    QString shown;
};

// The folders from the root down to `folder`, the root shown whole, the others by name.
std::vector<Row> chainTo(const fs::path &folder)
{
    std::vector<Row> chain;
    for (fs::path p = folder;; p = p.parent_path()) {
        const bool root = !p.has_relative_path();
        chain.push_back({p, shownPath(root ? p : p.filename())});
        if (root)
            break;
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// The subfolders that are not hidden, by name without regard to case.
std::vector<Row> subfoldersOf(const fs::path &folder, std::error_code &ec)
{
    std::vector<Row> rows;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_directory(ignored))
            continue;
        Row row{it->path().filename(), shownPath(it->path().filename())};
        if (row.shown.startsWith(QLatin1Char('.')) || QFileInfo(shownPath(it->path())).isHidden())
            continue;
        rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.path < b.path;
    });
    return rows;
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
// held, so a folder with thousands of subfolders costs two strings each.
class DirModel : public QAbstractListModel
{
public:
    DirModel(const QIcon &open, const QIcon &closed, QObject *parent)
        : QAbstractListModel(parent), open_(open), closed_(closed)
    {
    }

    void show(const fs::path &folder, std::vector<Row> children)
    {
        beginResetModel();
        opened_ = folder;
        chain_ = chainTo(folder);
        children_ = std::move(children);
        endResetModel();
    }

    [[nodiscard]] const fs::path &opened() const { return opened_; }
    [[nodiscard]] int openedRow() const { return int(chain_.size()) - 1; }
    [[nodiscard]] fs::path folderAt(int row) const
    {
        const auto inChain = static_cast<std::size_t>(row);
        return inChain < chain_.size() ? chain_[inChain].path
                                       : opened_ / children_[inChain - chain_.size()].path;
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(chain_.size() + children_.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const auto row = static_cast<std::size_t>(index.row());
        const bool inChain = row < chain_.size();
        switch (role) {
        case Qt::DisplayRole:
        // The list is narrow and cuts long names: the whole name shows on hover and is read out.
        case Qt::ToolTipRole:
        case Qt::AccessibleTextRole:
            return inChain ? chain_[row].shown : children_[row - chain_.size()].shown;
        case Qt::DecorationRole:
            return inChain ? open_ : closed_;
        case kLevelRole:
            return int(inChain ? row : chain_.size());
        default:
            return {};
        }
    }

private:
    QIcon open_, closed_;
    fs::path opened_;
    std::vector<Row> chain_;
    std::vector<Row> children_;
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

// Qt's text is UTF-8 as a std::string: the path text of the file layer.
fs::path toPath(const QString &name)
{
    return files::pathFromText(QDir::toNativeSeparators(name).toStdString());
}

QString shownPath(const fs::path &path)
{
    return QString::fromStdString(files::pathText(path));
}

const fs::path &DirList::folder() const
{
    return model_->opened();
}

QString DirList::path() const
{
    return QDir::fromNativeSeparators(shownPath(folder()));
}

bool DirList::setPath(const QString &path, QString *reason)
{
    return setFolder(toPath(path), reason);
}

bool DirList::setFolder(const fs::path &requested, QString *reason)
{
    std::error_code ec;
    fs::path folder = fs::absolute(requested, ec).lexically_normal();
    if (folder.has_relative_path() && !folder.has_filename())
        folder = folder.parent_path(); // no separator at the end, but at a root
    QString why;
    std::vector<Row> children;
    if (ec || !fs::is_directory(folder, ec)) {
        why = QStringLiteral("no such folder");
    } else {
        children = subfoldersOf(folder, ec);
        if (ec)
            why = QStringLiteral("the folder cannot be read");
    }
    if (!why.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("\"%1\": %2").arg(shownPath(folder), why);
        return false;
    }
    model_->show(folder, std::move(children));
    const QModelIndex opened = model_->index(model_->openedRow());
    setCurrentIndex(opened);
    scrollTo(opened);
    return true;
}

void DirList::openRow(int row)
{
    if (!model_->index(row).isValid())
        return;
    QString reason;
    if (!setFolder(model_->folderAt(row), &reason))
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
