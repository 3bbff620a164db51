// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ampwindow.h"

#include "controls/presettabs.h"
#include "files/presetfile.h"
#include "library/library.h"
#include "library/libraryhooks.h"
#include "library/libraryindexfile.h"
#include "library/presetcolumns.h"
#include "library/setlist.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "session/ampslots.h"
#include "session/prompter.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { SlotColumn, PresetColumn, ModelColumn, CabinetColumn, GainColumn, ReadColumn };
constexpr int SlotRole = Qt::UserRole;
const QString Connection = QStringLiteral("amp-window");

QString valueOf(const char *key, const preset::Record &record)
{
    const presetparams::Parameter *p = presetparams::find(QLatin1String(key));
    return p ? presetparams::valueText(*p, record) : QString();
}

// Rows move by drag among themselves; a library row dropped on one is a
// preset for that slot.
class SlotTree : public QTreeWidget {
public:
    std::function<void(int row, const QMimeData *mime)> droppedFromOutside;
    std::function<void()> moved;

    explicit SlotTree(QWidget *parent) : QTreeWidget(parent)
    {
        setRootIsDecorated(false);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDefaultDropAction(Qt::MoveAction);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setAllColumnsShowFocus(true);
    }

protected:
    static bool isPreset(const QMimeData *mime)
    {
        return mime->hasFormat(QLatin1String(LibraryRowsMimeType)) ||
               mime->hasFormat(QLatin1String(PresetTabs::PresetMimeType));
    }
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->source() != this && isPreset(event->mimeData()))
            event->acceptProposedAction();
        else
            QTreeWidget::dragEnterEvent(event);
    }
    void dragMoveEvent(QDragMoveEvent *event) override
    {
        if (event->source() != this && isPreset(event->mimeData())) {
            event->setAccepted(indexAt(event->position().toPoint()).isValid());
            return;
        }
        QTreeWidget::dragMoveEvent(event);
    }
    void dropEvent(QDropEvent *event) override
    {
        if (event->source() == this) {
            QTreeWidget::dropEvent(event);
            if (moved)
                moved();
            return;
        }
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid() && droppedFromOutside)
            droppedFromOutside(at.row(), event->mimeData());
        event->acceptProposedAction();
    }
};

} // namespace

AmpWindow::AmpWindow(AmpSlots &ampSlots, Library &library, Prompter &prompter, Actions actions, QWidget *parent)
    : QWidget(parent, Qt::Window), slots_(ampSlots), library_(library), prompter_(prompter),
      actions_(std::move(actions))
{
    setObjectName(QStringLiteral("AmpWindow"));
    setWindowTitle(tr("Amp"));
    auto *tree = new SlotTree(this);
    tree_ = tree;
    tree_->setObjectName(QStringLiteral("AmpSlots"));
    tree_->setHeaderLabels({tr("Slot"), tr("Preset"), tr("Model"), tr("Cabinet"), tr("Gain"), tr("Read")});
    tree_->header()->setSectionResizeMode(PresetColumn, QHeaderView::Stretch);
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        auto *item = new QTreeWidgetItem(tree_);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
    }
    tree->moved = [this] { rearranged(); };
    tree->droppedFromOutside = [this](int row, const QMimeData *mime) {
        preset::Record record;
        QString name;
        const QJsonArray rows = QJsonDocument::fromJson(mime->data(QLatin1String(LibraryRowsMimeType))).array();
        const QByteArray raw =
            rows.isEmpty()
                ? mime->data(QLatin1String(PresetTabs::PresetMimeType))
                : QByteArray::fromHex(rows[0].toObject().value(QStringLiteral("record")).toString().toLatin1());
        if (raw.size() != preset::RecordSize)
            return;
        std::copy(raw.begin(), raw.end(), record.begin());
        if (!rows.isEmpty()) {
            const QJsonObject o = rows[0].toObject();
            name = QFileInfo(o.value(QStringLiteral("path")).toString()).completeBaseName();
            if (const int slot = o.value(QStringLiteral("slot")).toInt(-1); slot >= 0)
                name += QLatin1Char(' ') + preset::slotName(slot);
        } else {
            name = mime->text();
        }
        dropped(row, record, name);
    };
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (actions_.switchTo)
            actions_.switchTo(tree_->indexOfTopLevelItem(item));
    });

    auto *read = new QPushButton(tr("Read the Amp"), this);
    connect(read, &QPushButton::clicked, this, [this] {
        if (actions_.read)
            actions_.read();
    });
    auto *save = new QPushButton(tr("Save to Library..."), this);
    connect(save, &QPushButton::clicked, this, [this] {
        const QList<QTreeWidgetItem *> chosen = tree_->selectedItems();
        if (!chosen.isEmpty())
            saveToLibrary(tree_->indexOfTopLevelItem(chosen.first()));
    });
    auto *group = new QPushButton(tr("Save as Group File..."), this);
    connect(group, &QPushButton::clicked, this, &AmpWindow::saveAsGroupFile);
    auto updateButtons = [this, save, group] {
        const QList<QTreeWidgetItem *> chosen = tree_->selectedItems();
        const int slot = chosen.isEmpty() ? -1 : tree_->indexOfTopLevelItem(chosen.first());
        save->setEnabled(slot >= 0 && slots_.slot(slot).record.has_value());
        group->setEnabled(slots_.allKnown());
    };
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, updateButtons);
    connect(&slots_, &AmpSlots::changed, this, [this, updateButtons](int slot) {
        refresh(slot);
        updateButtons();
    });

    status_ = new QLabel(tr("Click a slot to play it; drag a library preset onto a slot to write it there; "
                            "drag slots to reorder them."),
                         this);
    status_->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(group);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(640, 460);
    refresh(-1);
    updateButtons();
}

AmpWindow::~AmpWindow()
{
    LibraryIndexFile::close(Connection);
}

QString AmpWindow::libraryName(const preset::Record &record)
{
    QSqlDatabase db = QSqlDatabase::database(Connection, false);
    if (!db.isOpen() && library_.isOpen() && LibraryIndexFile::attach(library_.indexPath(), Connection, true))
        db = QSqlDatabase::database(Connection, false);
    const SetlistPlace place = SetlistResolver(db, library_.roots())
                                   .resolve(SetlistEntry{{}, -1, presetcolumns::hashOf(record), {}, {}}, QString());
    if (place.state == SetlistPlace::Missing)
        return {};
    const QString name = QFileInfo(place.path).fileName();
    return place.slot >= 0 ? name + QLatin1Char(' ') + preset::slotName(place.slot) : name;
}

void AmpWindow::refresh(int slot)
{
    filling_ = true;
    for (int s = 0; s < preset::SlotCount; ++s)
        if (slot < 0 || s == slot)
            fill(tree_->topLevelItem(s), s);
    filling_ = false;
}

void AmpWindow::fill(QTreeWidgetItem *item, int slot)
{
    const AmpSlots::Slot &s = slots_.slot(slot);
    item->setData(SlotColumn, SlotRole, slot);
    item->setText(SlotColumn, (slots_.playing() == slot ? QStringLiteral("\u25B6 ") : QStringLiteral("   ")) +
                                  preset::slotName(slot));
    QFont font = item->font(SlotColumn);
    font.setBold(slots_.playing() == slot);
    item->setFont(SlotColumn, font);
    if (!s.record) {
        item->setText(PresetColumn, tr("not read"));
        for (int c : {ModelColumn, CabinetColumn, GainColumn, ReadColumn})
            item->setText(c, QString());
    } else {
        const QString name = libraryName(*s.record);
        item->setText(PresetColumn, name.isEmpty() ? tr("not in the library") : name);
        item->setText(ModelColumn, valueOf("AmpModel", *s.record));
        item->setText(CabinetColumn, valueOf("Cabinet", *s.record));
        item->setText(GainColumn, valueOf("PreGain", *s.record));
        item->setText(ReadColumn,
                      s.readAt.isValid() ? s.readAt.toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("-"));
    }
    const bool grey = !s.record || s.stale;
    for (int c = 0; c <= ReadColumn; ++c) {
        item->setForeground(c, grey ? palette().brush(QPalette::Disabled, QPalette::Text)
                                    : palette().brush(QPalette::Text));
        item->setToolTip(c, s.stale ? tr("Not read since it was written or edited on the Amp") : QString());
    }
}

std::vector<int> AmpWindow::shownOrder() const
{
    std::vector<int> order;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        order.push_back(tree_->topLevelItem(i)->data(SlotColumn, SlotRole).toInt());
    return order;
}

AmpWindow::Actions::Plan AmpWindow::planFor(const std::vector<int> &order, const AmpSlots &known, QString *text)
{
    Actions::Plan plan;
    QStringList steps;
    for (int to = 0; to < int(order.size()); ++to) {
        const int from = order[std::size_t(to)];
        if (from == to || from < 0 || from >= preset::SlotCount || !known.slot(from).record)
            continue;
        // A slot that would take a record it already holds is left alone.
        if (known.slot(to).record == known.slot(from).record)
            continue;
        plan.emplace_back(to, *known.slot(from).record);
        steps << QStringLiteral("%1 \u2190 %2").arg(preset::slotName(to), preset::slotName(from));
    }
    if (text)
        *text = steps.join(QStringLiteral(", "));
    return plan;
}

void AmpWindow::rearranged()
{
    QString text;
    const std::vector<int> order = shownOrder();
    const Actions::Plan plan = planFor(order, slots_, &text);
    // The rows go back to the Amp's order; what the write changes shows as
    // the slots are written.
    tree_->clear();
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        auto *item = new QTreeWidgetItem(tree_);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
    }
    refresh(-1);
    bool unknown = false;
    for (int to = 0; to < int(order.size()); ++to)
        unknown = unknown || (order[std::size_t(to)] != to && !slots_.slot(order[std::size_t(to)]).record);
    if (unknown)
        status_->setText(tr("Read the Amp first: only slots whose presets are known can be moved."));
    if (!plan.empty() && actions_.writePlan)
        actions_.writePlan(plan, text);
}

void AmpWindow::dropped(int slot, const preset::Record &record, const QString &name)
{
    if (slot >= 0 && slot < preset::SlotCount && actions_.write)
        actions_.write(slot, record, name);
}

void AmpWindow::saveToLibrary(int slot)
{
    const AmpSlots::Slot &s = slots_.slot(slot);
    if (!s.record)
        return;
    QString path = prompter_.saveFileName(tr("Save to Library"), library_.roots().data, tr("Preset Files (*.syx)"),
                                          QStringLiteral("Amp %1.syx").arg(preset::slotName(slot)));
    if (path.isEmpty() || !prompter_.mayReplace(path))
        return;
    try {
        files::writeSingleFile(path, *s.record);
    } catch (const QuorvexError &e) {
        prompter_.notice(tr("Save to Library"), e.message(), Prompter::Icon::Warning);
        return;
    }
    library_.filesChanged({path});
    status_->setText(tr("Saved %1 as %2").arg(preset::slotName(slot), QFileInfo(path).fileName()));
}

void AmpWindow::saveAsGroupFile()
{
    if (!slots_.allKnown())
        return;
    const QString path = prompter_.saveFileName(tr("Save as Group File"), library_.roots().data,
                                                tr("Preset Files (*.syx)"), QStringLiteral("Amp Slots.syx"));
    if (path.isEmpty() || !prompter_.mayReplace(path))
        return;
    std::array<std::uint8_t, preset::GroupSize> group{};
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        std::ranges::copy(*slots_.slot(slot).record, group.begin() + slot * preset::RecordSize);
    try {
        files::writeGroupFile(path, group);
    } catch (const QuorvexError &e) {
        prompter_.notice(tr("Save as Group File"), e.message(), Prompter::Icon::Warning);
        return;
    }
    library_.filesChanged({path});
}
